// Hands a fuzzer's input to readers that take a path.
#pragma once

#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <string>

// Writes the bytes to this process's own scratch file and returns its path.
inline const char* WriteInput(const char* kind, const uint8_t* data, size_t size) {
    static std::string path;
    if (path.empty()) {
        path = "/tmp/" + std::string(kind) + "-" + std::to_string(getpid()) + ".bin";
    }
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) {
        return nullptr;
    }
    if (size > 0) {
        std::fwrite(data, 1, size, file);
    }
    std::fclose(file);
    return path.c_str();
}
