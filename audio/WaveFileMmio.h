// Reads the sample format and the sample data of a RIFF WAVE file through the
// multimedia file functions (mmio). The effect player owns no reader of its
// own: it uses the one process-wide reader g_waveFile for every effect it
// loads (open, copy the data into a sound buffer, close).
#pragma once

#include <cstdint>

// clang-format off
#include "devices/DeviceTypes.h"
#include <mmsystem.h>
#include <mmreg.h>
// clang-format on

// The four steps beneath the reader, each S_OK or E_FAIL.
HRESULT ReadWaveFormat(HMMIO file, MMCKINFO* riffChunk, WAVEFORMATEX** format);
HRESULT OpenWaveFile(const char* path, HMMIO* file, WAVEFORMATEX** format, MMCKINFO* riffChunk);
HRESULT FindDataChunk(HMMIO file, MMCKINFO* dataChunk, const MMCKINFO* riffChunk);
HRESULT ReadWaveData(HMMIO file, uint32_t count, BYTE* destination, MMCKINFO* dataChunk,
                     uint32_t* bytesRead);

class CWaveFile {
public:
    CWaveFile();
    ~CWaveFile();
    CWaveFile(const CWaveFile&) = delete;
    CWaveFile& operator=(const CWaveFile&) = delete;

    // Opens the file and stands at its first data byte.
    HRESULT Open(const char* path);
    // Back to the first data byte, with the whole data size left.
    HRESULT Reset();
    // Copies up to `count` of the data bytes left into `destination`.
    HRESULT Read(uint32_t count, BYTE* destination, uint32_t* bytesRead);
    // Closes the file; the format block stays until the next Open.
    HRESULT Close();

    // Read directly by the effect player: the format block (18 bytes and its
    // extra bytes) and, in the data chunk's size, the data bytes not yet read.
    WAVEFORMATEX* format;
    HMMIO file;
    MMCKINFO dataChunk;
    MMCKINFO riffChunk;
};

extern CWaveFile g_waveFile;
