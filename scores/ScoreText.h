// Reading the score files: the tolerant, field-by-field reading of "%d %s"
// records, with every field bounded so that no file can overrun a name.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>

class CScoreScanner {
public:
    explicit CScoreScanner(std::FILE* file) : file(file) {}

    // Skips any run of white space, including none.
    void SkipSpace();
    // A decimal number after optional white space and sign. Numbers beyond
    // the 32-bit range saturate. False (nothing stored) when there is none.
    bool ReadInt(int32_t& value);
    // A white-space-delimited word after optional white space. At most
    // size - 1 bytes of it are kept, cut on a character boundary; the rest of
    // the word is read and dropped so it never becomes the next field. The
    // name ends at a NUL byte. `dest` keeps what it held when the word leaves
    // nothing to keep. False at the end of the file (no word).
    bool ReadWord(char* dest, size_t size);
    // One "%d %s\n" record into `score` and `name`; the score is stored even
    // when the name is missing. False when either field could not be read.
    bool ReadRecord(int32_t& score, char* name, size_t nameSize);

private:
    std::FILE* file;
};

// Opens a score file for reading. A save that was interrupted between its
// two renames leaves the table only in "<path>.old"; that copy is used then.
std::FILE* OpenScoreFile(const char* path);
