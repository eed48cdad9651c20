// How the browser form finds the rendering of a MIDI file: by its size and
// this checksum (32-bit FNV-1a) of its bytes, written next to the rendering
// when it is made and computed again when the game loads the file.
#pragma once

#include <cstddef>
#include <cstdint>

inline uint32_t MusicChecksum(const uint8_t* bytes, size_t size) {
    uint32_t hash = 2166136261u;
    for (size_t i = 0; i < size; ++i) {
        hash = (hash ^ bytes[i]) * 16777619u;
    }
    return hash;
}
