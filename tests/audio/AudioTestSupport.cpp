#include "AudioTestSupport.h"

#include <unistd.h>

#include <chrono>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <thread>

CScratchDir::CScratchDir() {
    char name[] = "/tmp/audio-test-XXXXXX";
    char* made = mkdtemp(name);
    path = made != nullptr ? made : "/tmp";
}

CScratchDir::~CScratchDir() {
    std::error_code ignored;
    if (path != "/tmp") {
        std::filesystem::remove_all(path, ignored);
    }
}

bool RunCommand(const std::string& command) {
    return std::system((command + " >/dev/null 2>&1").c_str()) == 0;
}

std::string Le16(uint16_t value) {
    return std::string{static_cast<char>(value & 0xFF), static_cast<char>(value >> 8)};
}

std::string Le32(uint32_t value) {
    return Le16(value & 0xFFFF) + Le16(value >> 16);
}

std::string Chunk(const std::string& id, uint32_t statedSize, const std::string& body) {
    std::string chunk = id + Le32(statedSize) + body;
    if (body.size() % 2 != 0) {
        chunk += '\0';
    }
    return chunk;
}

std::string Chunk(const std::string& id, const std::string& body) {
    return Chunk(id, static_cast<uint32_t>(body.size()), body);
}

std::string Riff(const std::string& form, const std::string& chunks) {
    return "RIFF" + Le32(static_cast<uint32_t>(4 + chunks.size())) + form + chunks;
}

std::string PcmRecord(uint16_t tag, uint16_t channels, uint32_t rate, uint16_t bits) {
    uint16_t align = static_cast<uint16_t>(channels * bits / 8);
    return Le16(tag) + Le16(channels) + Le32(rate) + Le32(rate * align) + Le16(align) + Le16(bits);
}

void WriteFile(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary);
    out << bytes;
}

void UseDiskAudio(const std::string& path) {
    setenv("SDL_AUDIODRIVER", "disk", 1);
    setenv("SDL_DISKAUDIOFILE", path.c_str(), 1);
}

std::vector<int16_t> ReadDiskOutput(const std::string& path) {
    std::string bytes = ReadWholeFile(path);
    std::vector<int16_t> samples(bytes.size() / 2);
    for (size_t i = 0; i < samples.size(); ++i) {
        samples[i] = static_cast<int16_t>(uint8_t(bytes[2 * i]) | (uint8_t(bytes[2 * i + 1]) << 8));
    }
    return samples;
}

double Rms(const std::vector<int16_t>& stereo, size_t fromFrame, size_t toFrame) {
    toFrame = std::min(toFrame, stereo.size() / 2);
    if (fromFrame >= toFrame) {
        return 0.0;
    }
    double sum = 0.0;
    for (size_t i = fromFrame * 2; i < toFrame * 2; ++i) {
        sum += double(stereo[i]) * stereo[i];
    }
    return std::sqrt(sum / double((toFrame - fromFrame) * 2));
}

void SleepSeconds(double seconds) {
    std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
}
