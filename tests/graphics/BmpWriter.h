// Writes small uncompressed BMP files for the picture-loading tests.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// Writes a bottom-up BMP. With bitsPerPixel 24, `pixels` holds 0x00RRGGBB
// colours; with 8 or 4, palette indices into `palette` (0x00RRGGBB).
// Returns false if the file cannot be written.
bool WriteBmp(const std::string& path, int32_t width, int32_t height, int bitsPerPixel,
              const std::vector<uint32_t>& pixels, const std::vector<uint32_t>& palette = {});
