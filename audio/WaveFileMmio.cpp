#include "audio/WaveFileMmio.h"

#include <cstdlib>
#include <cstring>

#include "devices/RegularFile.h"

CWaveFile g_waveFile;

namespace {

// The plain PCM format record at the start of every "fmt " chunk.
constexpr LONG kPcmRecordSize = 16;
constexpr size_t kFormatHeadSize = sizeof(WAVEFORMATEX);
static_assert(sizeof(WAVEFORMATEX) == 18, "the format block head is 18 bytes");

}  // namespace

HRESULT ReadWaveFormat(HMMIO file, MMCKINFO* riffChunk, WAVEFORMATEX** format) {
    *format = nullptr;
    if (mmioDescend(file, riffChunk, nullptr, 0) != 0) {
        return E_FAIL;
    }
    if (riffChunk->ckid != FOURCC_RIFF || riffChunk->fccType != mmioFOURCC('W', 'A', 'V', 'E')) {
        return E_FAIL;
    }

    MMCKINFO formatChunk;
    std::memset(&formatChunk, 0, sizeof(formatChunk));
    formatChunk.ckid = mmioFOURCC('f', 'm', 't', ' ');
    if (mmioDescend(file, &formatChunk, riffChunk, MMIO_FINDCHUNK) != 0) {
        return E_FAIL;
    }
    if (formatChunk.cksize < static_cast<DWORD>(kPcmRecordSize)) {
        return E_FAIL;
    }
    PCMWAVEFORMAT pcm;
    static_assert(sizeof(pcm) == kPcmRecordSize, "the PCM record is 16 bytes");
    if (mmioRead(file, reinterpret_cast<HPSTR>(&pcm), kPcmRecordSize) != kPcmRecordSize) {
        return E_FAIL;
    }

    if (pcm.wf.wFormatTag == WAVE_FORMAT_PCM) {
        *format = static_cast<WAVEFORMATEX*>(std::malloc(kFormatHeadSize));
        if (*format == nullptr) {
            return E_FAIL;
        }
        std::memcpy(*format, &pcm, kPcmRecordSize);
        (*format)->cbSize = 0;
    } else {
        WORD extra = 0;
        if (mmioRead(file, reinterpret_cast<HPSTR>(&extra), sizeof(extra)) != sizeof(extra)) {
            return E_FAIL;
        }
        *format = static_cast<WAVEFORMATEX*>(std::malloc(kFormatHeadSize + extra));
        if (*format == nullptr) {
            return E_FAIL;
        }
        std::memcpy(*format, &pcm, kPcmRecordSize);
        (*format)->cbSize = extra;
        HPSTR tail = reinterpret_cast<HPSTR>(*format) + kFormatHeadSize;
        if (mmioRead(file, tail, extra) != static_cast<LONG>(extra)) {
            std::free(*format);
            *format = nullptr;
            return E_FAIL;
        }
    }

    if (mmioAscend(file, &formatChunk, 0) != 0) {
        std::free(*format);
        *format = nullptr;
        return E_FAIL;
    }
    return S_OK;
}

HRESULT OpenWaveFile(const char* path, HMMIO* file, WAVEFORMATEX** format, MMCKINFO* riffChunk) {
    // Something there that is not a regular file is not handed to mmio; a
    // missing file is, which looks for it in its own places too.
    *file = nullptr;
    if (path == nullptr || CheckRegularFile(path, FILE_LINKS_FOLLOWED) == FILE_READ_REFUSED) {
        return E_FAIL;
    }
    *file = mmioOpenA(const_cast<LPSTR>(path), nullptr, MMIO_ALLOCBUF);
    if (*file == nullptr) {
        return E_FAIL;
    }
    HRESULT result = ReadWaveFormat(*file, riffChunk, format);
    if (FAILED(result)) {
        mmioClose(*file, 0);
        *file = nullptr;
    }
    return result;
}

HRESULT FindDataChunk(HMMIO file, MMCKINFO* dataChunk, const MMCKINFO* riffChunk) {
    // The first subchunk follows the four bytes of the form type.
    if (mmioSeek(file, static_cast<LONG>(riffChunk->dwDataOffset + sizeof(FOURCC)), SEEK_SET) ==
        -1) {
        return E_FAIL;
    }
    dataChunk->ckid = mmioFOURCC('d', 'a', 't', 'a');
    if (mmioDescend(file, dataChunk, riffChunk, MMIO_FINDCHUNK) != 0) {
        return E_FAIL;
    }
    return S_OK;
}

HRESULT ReadWaveData(HMMIO file, uint32_t count, BYTE* destination, MMCKINFO* dataChunk,
                     uint32_t* bytesRead) {
    *bytesRead = 0;
    MMIOINFO info;
    if (mmioGetInfo(file, &info, 0) != 0) {
        return E_FAIL;
    }
    if (count > dataChunk->cksize) {
        count = dataChunk->cksize;
    }
    dataChunk->cksize -= count;
    // Copy straight out of mmio's own buffer, refilling it when it runs dry.
    for (uint32_t i = 0; i < count; ++i) {
        if (info.pchNext == info.pchEndRead) {
            if (mmioAdvance(file, &info, MMIO_READ) != 0) {
                return E_FAIL;
            }
            if (info.pchNext == info.pchEndRead) {
                return E_FAIL;
            }
        }
        destination[i] = static_cast<BYTE>(*info.pchNext);
        ++info.pchNext;
    }
    if (mmioSetInfo(file, &info, 0) != 0) {
        return E_FAIL;
    }
    *bytesRead = count;
    return S_OK;
}

CWaveFile::CWaveFile() : format(nullptr), file(nullptr) {
    std::memset(&dataChunk, 0, sizeof(dataChunk));
    std::memset(&riffChunk, 0, sizeof(riffChunk));
}

CWaveFile::~CWaveFile() {
    Close();
    std::free(format);
    format = nullptr;
}

HRESULT CWaveFile::Open(const char* path) {
    if (format != nullptr) {
        std::free(format);
        format = nullptr;
    }
    Close();
    std::memset(&riffChunk, 0, sizeof(riffChunk));
    std::memset(&dataChunk, 0, sizeof(dataChunk));
    HRESULT result = OpenWaveFile(path, &file, &format, &riffChunk);
    if (FAILED(result)) {
        return E_FAIL;
    }
    if (FAILED(Reset())) {
        Close();
        return E_FAIL;
    }
    return S_OK;
}

HRESULT CWaveFile::Reset() {
    if (file == nullptr) {
        return E_FAIL;
    }
    return FindDataChunk(file, &dataChunk, &riffChunk);
}

HRESULT CWaveFile::Read(uint32_t count, BYTE* destination, uint32_t* bytesRead) {
    if (file == nullptr) {
        *bytesRead = 0;
        return E_FAIL;
    }
    return ReadWaveData(file, count, destination, &dataChunk, bytesRead);
}

HRESULT CWaveFile::Close() {
    if (file != nullptr) {
        mmioClose(file, 0);
        file = nullptr;
    }
    return 0;
}
