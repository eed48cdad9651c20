// Reading files the safe way on each system: only a regular file is read,
// opened without waiting (a pipe or a device would otherwise block until
// someone writes to it) and checked again once open, in case the name
// changed hands meanwhile. Everything the program reads goes through here:
// the score files, the sound files, the SoundFont, the pictures. One
// implementation per system (RegularFilePosix.cpp, RegularFileWindows.cpp).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

enum FileReadResult {
    FILE_READ_OK,       // the bytes were read
    FILE_READ_MISSING,  // nothing is there
    FILE_READ_REFUSED,  // something is there that cannot or must not be read
};

// What a symbolic link at the path itself is taken for.
enum FileLinkRule {
    // A link is refused, even to a regular file: files the program writes
    // too, which a link could redirect.
    FILE_LINKS_REFUSED,
    // A link is followed to what it names, which must be a regular file:
    // files installed for the program, which a distribution may link.
    FILE_LINKS_FOLLOWED,
};

// One regular file open for reading.
class CRegularFile {
public:
    CRegularFile() = default;
    ~CRegularFile();
    CRegularFile(const CRegularFile&) = delete;
    CRegularFile& operator=(const CRegularFile&) = delete;

    // Opens the file at `path`; a folder, a pipe, a device, a file this
    // account may not read (or, with FILE_LINKS_REFUSED, a link) is refused.
    FileReadResult Open(const std::string& path, FileLinkRule links);
    void Close();
    bool IsOpen() const { return handle != kNoHandle; }
    // The file's size when it was opened.
    uint64_t Size() const { return size; }
    // Reads up to `count` bytes from the current position; fewer only at the
    // end of the file or on a read error, which ReadFailed then tells.
    size_t Read(void* destination, size_t count);
    bool ReadFailed() const { return readFailed; }
    // Moves to an absolute position; false if it cannot.
    bool Seek(uint64_t position);

private:
    static constexpr intptr_t kNoHandle = -1;

    intptr_t handle = kNoHandle;  // the descriptor, or the system's handle
    uint64_t size = 0;
    bool readFailed = false;
};

// Reads a whole regular file (see CRegularFile::Open). A read error, or a
// file larger than `maxBytes` (also one that grows past it while being
// read), is refused.
FileReadResult ReadRegularFile(const std::string& path, std::string& bytes, size_t maxBytes,
                               FileLinkRule links = FILE_LINKS_REFUSED);
FileReadResult ReadRegularFile(const std::string& path, std::vector<uint8_t>& bytes,
                               size_t maxBytes, FileLinkRule links = FILE_LINKS_REFUSED);

// Whether `path` names a regular file that can be opened for reading, for a
// file another library opens by its name: it is opened and closed again.
FileReadResult CheckRegularFile(const std::string& path, FileLinkRule links);
