// A whole file as the tests read it: through the program's own reader, links
// followed; empty when it cannot be read.
#pragma once

#include <cstddef>
#include <string>

#include "devices/RegularFile.h"

template <class Bytes = std::string>
Bytes ReadWholeFile(const std::string& path) {
    Bytes bytes;
    ReadRegularFile(path, bytes, size_t{1} << 30, FILE_LINKS_FOLLOWED);
    return bytes;
}
