#include "audio/WaveFile.h"

#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <new>

CWaveFile g_waveFile;

namespace {

constexpr uint32_t kRiffId = MakeFourCC('R', 'I', 'F', 'F');
constexpr uint32_t kListId = MakeFourCC('L', 'I', 'S', 'T');
constexpr uint32_t kWaveId = MakeFourCC('W', 'A', 'V', 'E');
constexpr uint32_t kFmtId = MakeFourCC('f', 'm', 't', ' ');
constexpr uint32_t kDataId = MakeFourCC('d', 'a', 't', 'a');

// Failure codes of the RIFF reader.
constexpr int32_t kRiffCannotRead = 1;
constexpr int32_t kRiffChunkNotFound = 2;
constexpr int32_t kRiffCannotSeek = 3;

uint32_t LoadLe32(const uint8_t* bytes) {
    return uint32_t(bytes[0]) | (uint32_t(bytes[1]) << 8) | (uint32_t(bytes[2]) << 16) |
           (uint32_t(bytes[3]) << 24);
}

uint16_t LoadLe16(const uint8_t* bytes) {
    return uint16_t(bytes[0] | (bytes[1] << 8));
}

}  // namespace

// ---------------------------------------------------------------------------
// CRiffReader

CRiffReader::~CRiffReader() {
    Close();
}

bool CRiffReader::Open(const char* path) {
    Close();
    if (path == nullptr || file.Open(path, FILE_LINKS_FOLLOWED) != FILE_READ_OK) {
        return false;
    }
    // The real size bounds every size the file states about itself.
    if (file.Size() > uint64_t(INT64_MAX)) {
        Close();
        return false;
    }
    size = static_cast<int64_t>(file.Size());
    position = 0;
    return true;
}

void CRiffReader::Close() {
    file.Close();
    size = 0;
    position = 0;
}

uint32_t CRiffReader::Read(void* destination, uint32_t count) {
    if (!IsOpen() || count == 0) {
        return 0;
    }
    // Never ask for more than the file holds.
    uint64_t wanted = count;
    if (wanted > BytesLeft()) {
        wanted = BytesLeft();
    }
    const size_t got = file.Read(destination, static_cast<size_t>(wanted));
    position += static_cast<int64_t>(got);
    return static_cast<uint32_t>(got);
}

int64_t CRiffReader::Seek(int64_t target) {
    if (!IsOpen() || target < 0 || !file.Seek(static_cast<uint64_t>(target))) {
        return -1;
    }
    position = target;
    return position;
}

int32_t CRiffReader::Descend(ChunkInfo* chunk, const ChunkInfo* parent, uint32_t flags) {
    if (!IsOpen() || chunk == nullptr) {
        return kRiffCannotRead;
    }
    // The search never leaves the parent's data.
    int64_t limit = INT64_MAX;
    if (parent != nullptr) {
        limit = int64_t(parent->dataOffset) + int64_t(parent->cksize);
    }
    const uint32_t wanted = chunk->ckid;
    for (;;) {
        if (position + 8 > limit) {
            return kRiffChunkNotFound;
        }
        uint8_t head[8];
        if (Read(head, 8) != 8) {
            return kRiffCannotRead;
        }
        ChunkInfo found;
        found.ckid = LoadLe32(head);
        found.cksize = LoadLe32(head + 4);
        found.dataOffset = static_cast<uint32_t>(position);
        if ((flags & kFindChunk) == 0 || found.ckid == wanted) {
            if (found.ckid == kRiffId || found.ckid == kListId) {
                uint8_t type[4];
                if (Read(type, 4) != 4) {
                    return kRiffCannotRead;
                }
                found.fccType = LoadLe32(type);
            }
            *chunk = found;
            return 0;
        }
        // Skip this chunk and its pad byte.
        int64_t next = int64_t(found.dataOffset) + int64_t(found.cksize) + (found.cksize & 1);
        if (next > limit + 1 || next > size || Seek(next) < 0) {
            return kRiffChunkNotFound;
        }
    }
}

int32_t CRiffReader::Ascend(const ChunkInfo& chunk) {
    int64_t next = int64_t(chunk.dataOffset) + int64_t(chunk.cksize) + (chunk.cksize & 1);
    return Seek(next) < 0 ? kRiffCannotSeek : 0;
}

// ---------------------------------------------------------------------------
// Free functions

HRESULT ReadWaveFormat(CRiffReader* file, ChunkInfo* riffChunk, WAVEFORMATEX** format) {
    *format = nullptr;
    if (file->Descend(riffChunk, nullptr, 0) != 0) {
        return kWaveFail;
    }
    if (riffChunk->ckid != kRiffId || riffChunk->fccType != kWaveId) {
        return kWaveFail;
    }
    ChunkInfo fmtChunk;
    fmtChunk.ckid = kFmtId;
    if (file->Descend(&fmtChunk, riffChunk, CRiffReader::kFindChunk) != 0) {
        return kWaveFail;
    }
    if (fmtChunk.cksize < 16) {
        return kWaveFail;
    }
    uint8_t pcm[16];
    if (file->Read(pcm, 16) != 16) {
        return kWaveFail;
    }
    WAVEFORMATEX* block = nullptr;
    if (LoadLe16(pcm) == kWaveFormatPcm) {
        block = static_cast<WAVEFORMATEX*>(std::malloc(sizeof(WAVEFORMATEX)));
        if (block == nullptr) {
            return kWaveFail;
        }
        std::memcpy(block, pcm, 16);
        block->cbSize = 0;
    } else {
        uint8_t extra[2];
        if (file->Read(extra, 2) != 2) {
            return kWaveFail;
        }
        uint16_t count = LoadLe16(extra);
        // A count the file cannot hold would fail to read anyway: refuse it
        // before allocating.
        if (count > file->BytesLeft()) {
            return kWaveFail;
        }
        block = static_cast<WAVEFORMATEX*>(std::malloc(sizeof(WAVEFORMATEX) + count));
        if (block == nullptr) {
            return kWaveFail;
        }
        std::memcpy(block, pcm, 16);
        block->cbSize = count;
        if (file->Read(reinterpret_cast<uint8_t*>(block) + sizeof(WAVEFORMATEX), count) != count) {
            std::free(block);
            return kWaveFail;
        }
    }
    if (file->Ascend(fmtChunk) != 0) {
        std::free(block);
        return kWaveFail;
    }
    *format = block;
    return kWaveOk;
}

HRESULT OpenWaveFile(const char* path, CRiffReader** file, WAVEFORMATEX** format,
                     ChunkInfo* riffChunk) {
    CRiffReader* reader = new (std::nothrow) CRiffReader;
    if (reader == nullptr) {
        return kWaveFail;
    }
    if (!reader->Open(path)) {
        delete reader;
        return kWaveFail;
    }
    HRESULT result = ReadWaveFormat(reader, riffChunk, format);
    if (result != kWaveOk) {
        delete reader;
        return result;
    }
    *file = reader;
    return kWaveOk;
}

HRESULT FindDataChunk(CRiffReader* file, ChunkInfo* dataChunk, const ChunkInfo& riffChunk) {
    if (file->Seek(int64_t(riffChunk.dataOffset) + 4) == -1) {
        return kWaveFail;
    }
    dataChunk->ckid = kDataId;
    if (file->Descend(dataChunk, &riffChunk, CRiffReader::kFindChunk) != 0) {
        return kWaveFail;
    }
    return kWaveOk;
}

HRESULT ReadWaveData(CRiffReader* file, uint32_t count, uint8_t* destination, ChunkInfo* dataChunk,
                     uint32_t* bytesRead) {
    *bytesRead = 0;
    if (count > dataChunk->cksize) {
        count = dataChunk->cksize;
    }
    dataChunk->cksize -= count;
    if (count > 0 && file->Read(destination, count) != count) {
        return kWaveFail;
    }
    *bytesRead = count;
    return kWaveOk;
}

// ---------------------------------------------------------------------------
// CWaveFile

CWaveFile::~CWaveFile() {
    Close();
    FreeFormat();
}

void CWaveFile::FreeFormat() {
    std::free(format);
    format = nullptr;
}

HRESULT CWaveFile::Open(const char* path) {
    FreeFormat();
    // Open starts from scratch even if the caller forgot to close.
    Close();
    CRiffReader* opened = nullptr;
    HRESULT result = OpenWaveFile(path, &opened, &format, &riffChunk);
    if (result != kWaveOk) {
        return result;
    }
    file = opened;
    if (Reset() != kWaveOk) {
        Close();
        return kWaveFail;
    }
    return kWaveOk;
}

HRESULT CWaveFile::Reset() {
    if (file == nullptr) {
        return kWaveFail;
    }
    return FindDataChunk(file, &dataChunk, riffChunk);
}

HRESULT CWaveFile::Read(uint32_t count, uint8_t* destination, uint32_t* bytesRead) {
    if (bytesRead == nullptr) {
        return kWaveFail;
    }
    *bytesRead = 0;
    if (file == nullptr || (destination == nullptr && count > 0)) {
        return kWaveFail;
    }
    return ReadWaveData(file, count, destination, &dataChunk, bytesRead);
}

HRESULT CWaveFile::Close() {
    delete file;
    file = nullptr;
    return 0;
}

uint64_t CWaveFile::BytesLeftInFile() const {
    return file != nullptr ? file->BytesLeft() : 0;
}

uint32_t CWaveFile::DataBytesInFile() const {
    return static_cast<uint32_t>(std::min<uint64_t>(dataChunk.cksize, BytesLeftInFile()));
}
