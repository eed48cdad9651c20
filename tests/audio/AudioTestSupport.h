// Helpers for the sound tests: scratch folders, files made by sox and
// abc2midi, RIFF files built byte by byte, and reading back what the disk
// audio driver wrote.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tests/support/TestFiles.h"

// A folder of its own under /tmp, removed with everything in it.
class CScratchDir {
public:
    CScratchDir();
    ~CScratchDir();
    std::string Path(const std::string& name) const { return path + "/" + name; }

private:
    std::string path;
};

// Runs a shell command; true if it exited with 0.
bool RunCommand(const std::string& command);

// Little-endian pieces of a RIFF file.
std::string Le16(uint16_t value);
std::string Le32(uint32_t value);
// A chunk: id, size, body and the pad byte of an odd body.
std::string Chunk(const std::string& id, const std::string& body);
std::string Chunk(const std::string& id, uint32_t statedSize, const std::string& body);
// A "RIFF" file of the given form type around the chunks.
std::string Riff(const std::string& form, const std::string& chunks);
// The 16 bytes of a PCM format record.
std::string PcmRecord(uint16_t tag, uint16_t channels, uint32_t rate, uint16_t bits);

void WriteFile(const std::string& path, const std::string& bytes);

// Points SDL's audio at the disk driver writing to `path`; call before the
// player's Init.
void UseDiskAudio(const std::string& path);
// The stereo 16-bit samples the disk driver wrote.
std::vector<int16_t> ReadDiskOutput(const std::string& path);
// Root mean square of both channels over frames [from, to).
double Rms(const std::vector<int16_t>& stereo, size_t fromFrame, size_t toFrame);
constexpr size_t kFramesPerSecond = 44100;
inline size_t Frames(double seconds) {
    return static_cast<size_t>(seconds * kFramesPerSecond);
}
void SleepSeconds(double seconds);
