// The parts of the file reading that are the same on every system.
#include "devices/RegularFile.h"

namespace {

template <class Bytes>
FileReadResult ReadAll(const std::string& path, Bytes& bytes, size_t maxBytes, FileLinkRule links) {
    bytes.clear();
    CRegularFile file;
    const FileReadResult opened = file.Open(path, links);
    if (opened != FILE_READ_OK) {
        return opened;
    }
    if (file.Size() > maxBytes) {
        return FILE_READ_REFUSED;
    }
    bytes.reserve(static_cast<size_t>(file.Size()));
    // Up to the end, which may lie past the size the file had when opened.
    char buffer[4096];
    for (;;) {
        const size_t got = file.Read(buffer, sizeof buffer);
        if (file.ReadFailed() || got > maxBytes - bytes.size()) {
            bytes.clear();
            return FILE_READ_REFUSED;
        }
        if (got == 0) {
            return FILE_READ_OK;
        }
        bytes.insert(bytes.end(), buffer, buffer + got);
    }
}

}  // namespace

CRegularFile::~CRegularFile() {
    Close();
}

FileReadResult ReadRegularFile(const std::string& path, std::string& bytes, size_t maxBytes,
                               FileLinkRule links) {
    return ReadAll(path, bytes, maxBytes, links);
}

FileReadResult ReadRegularFile(const std::string& path, std::vector<uint8_t>& bytes,
                               size_t maxBytes, FileLinkRule links) {
    return ReadAll(path, bytes, maxBytes, links);
}

FileReadResult CheckRegularFile(const std::string& path, FileLinkRule links) {
    CRegularFile file;
    return file.Open(path, links);
}
