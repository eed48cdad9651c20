// Reading BMP files, the format of the game's pictures, for the browser
// form: uncompressed pictures of 1, 4, 8, 24 or 32 bits a pixel with an info
// header of 40 bytes or more, stored bottom-up or top-down. Nothing in the
// file is trusted: every size is checked against the bytes really there.
#pragma once

#include <cstddef>
#include <cstdint>

#include "graphics/BitmapSource.h"

// Decodes a whole file held in memory; false if it is not such a picture.
bool DecodeBmp(const uint8_t* data, size_t size, CPixelImage* out);

// Reads and decodes a file; false if it cannot be read or decoded.
bool ReadBmpFile(const char* path, CPixelImage* out);
