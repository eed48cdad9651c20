// Reads the sample format and the sample data of a RIFF WAVE file.
//
// The effect player owns no reader of its own: it uses the one process-wide
// reader g_waveFile for every effect it loads (open, copy the data into a
// sound buffer, close). Beneath the class sits a small buffered RIFF reader
// (descend into a chunk, find a chunk by id within its parent, leave a chunk)
// and four free functions that take the file and the chunk records
// explicitly; the class adds the bookkeeping.
//
// Nothing read from a file is trusted: chunk sizes are checked against the
// file's real size before anything is allocated or read.
#pragma once

#include <cstdint>

#include "audio/WaveRules.h"
#include "devices/DeviceTypes.h"
#include "devices/RegularFile.h"

// Results of the reader: success and the one failure code it produces.
constexpr HRESULT kWaveOk = 0;
constexpr HRESULT kWaveFail = kStatusFail;

// Builds a four-character chunk id as it is stored (first letter lowest).
constexpr uint32_t MakeFourCC(char a, char b, char c, char d) {
    return static_cast<uint32_t>(static_cast<uint8_t>(a)) |
           (static_cast<uint32_t>(static_cast<uint8_t>(b)) << 8) |
           (static_cast<uint32_t>(static_cast<uint8_t>(c)) << 16) |
           (static_cast<uint32_t>(static_cast<uint8_t>(d)) << 24);
}

// One chunk of a RIFF file.
struct ChunkInfo {
    uint32_t ckid = 0;        // chunk id
    uint32_t cksize = 0;      // size of the chunk's data as the file states it
    uint32_t fccType = 0;     // form type of a "RIFF" or "LIST" chunk
    uint32_t dataOffset = 0;  // file position of the chunk's data
};

// A read-only RIFF file.
class CRiffReader {
public:
    // Flags of Descend.
    static constexpr uint32_t kFindChunk = 0x10;

    CRiffReader() = default;
    ~CRiffReader();
    CRiffReader(const CRiffReader&) = delete;
    CRiffReader& operator=(const CRiffReader&) = delete;

    // Opens the file for reading; false if it cannot be opened or is not a
    // regular file (or a link to one).
    bool Open(const char* path);
    void Close();
    bool IsOpen() const { return file.IsOpen(); }

    // Reads a chunk header at the current position into `chunk` (with
    // kFindChunk: the first chunk from here on whose id is chunk->ckid).
    // With a parent the search stays inside the parent's data. A "RIFF" or
    // "LIST" chunk also gets its form type. Leaves the file at the chunk's
    // data (after the form type). Returns 0 or a nonzero failure.
    int32_t Descend(ChunkInfo* chunk, const ChunkInfo* parent, uint32_t flags);
    // Moves to the first byte after the chunk (and its pad byte).
    int32_t Ascend(const ChunkInfo& chunk);
    // Reads up to `count` bytes; returns how many were read.
    uint32_t Read(void* destination, uint32_t count);
    // Moves to an absolute position; -1 on failure, else the position.
    int64_t Seek(int64_t position);
    int64_t Tell() const { return position; }
    // Bytes between the current position and the end of the file.
    uint64_t BytesLeft() const { return position < size ? uint64_t(size - position) : 0; }

private:
    CRegularFile file;
    int64_t size = 0;
    int64_t position = 0;
};

// The free functions beneath CWaveFile; each returns kWaveOk or kWaveFail.
HRESULT ReadWaveFormat(CRiffReader* file, ChunkInfo* riffChunk, WAVEFORMATEX** format);
HRESULT OpenWaveFile(const char* path, CRiffReader** file, WAVEFORMATEX** format,
                     ChunkInfo* riffChunk);
HRESULT FindDataChunk(CRiffReader* file, ChunkInfo* dataChunk, const ChunkInfo& riffChunk);
HRESULT ReadWaveData(CRiffReader* file, uint32_t count, uint8_t* destination, ChunkInfo* dataChunk,
                     uint32_t* bytesRead);

class CWaveFile {
public:
    CWaveFile() = default;
    ~CWaveFile();
    CWaveFile(const CWaveFile&) = delete;
    CWaveFile& operator=(const CWaveFile&) = delete;

    // Opens a WAVE file, reads its format block and moves to its first data
    // byte. A failed Open leaves no file open.
    HRESULT Open(const char* path);
    // Moves back to the first data byte with the full data size.
    HRESULT Reset();
    // Copies up to `count` data bytes. The remaining size is lowered by the
    // whole (clamped) request before anything is copied; a file that ends
    // early is a failure with 0 bytes reported read.
    HRESULT Read(uint32_t count, uint8_t* destination, uint32_t* bytesRead);
    // Closes the file; the format block stays. Always 0.
    HRESULT Close();
    // Bytes that the open file really holds from the current position on
    // (0 when closed): a bound for buffers sized from the data chunk.
    uint64_t BytesLeftInFile() const;
    // The data bytes not yet read that the file really holds.
    uint32_t DataBytesInFile() const;

    // Read directly by the effect player: the format block (18 + cbSize
    // bytes, null when none) and the data chunk, whose cksize counts the
    // data bytes not yet read.
    WAVEFORMATEX* format = nullptr;
    CRiffReader* file = nullptr;
    ChunkInfo dataChunk;
    ChunkInfo riffChunk;

private:
    void FreeFormat();
};

// The one reader shared by every effect load.
extern CWaveFile g_waveFile;
