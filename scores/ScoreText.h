// Reading the score files: the rows of "score.sav" and the single fields of
// the temporary file, with every field bounded so that no file can overrun a
// name.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// Reads fields from a file's bytes, as the "%d" and "%s" of the files'
// formats do.
class CScoreScanner {
public:
    explicit CScoreScanner(std::string_view text) : text(text) {}

    // Skips any run of white space, including none.
    void SkipSpace();
    // A decimal number after optional white space and sign. Numbers beyond
    // the 32-bit range saturate. False (nothing stored) when there is none.
    bool ReadInt(int32_t& value);
    // A white-space-delimited word after optional white space. At most
    // size - 1 bytes of it are kept, cut on a character boundary; the rest of
    // the word is read and dropped so it never becomes the next field. The
    // name ends at a NUL byte. `dest` keeps what it held when the word leaves
    // nothing to keep. False at the end of the text (no word).
    bool ReadWord(char* dest, size_t size);

private:
    std::string_view text;
    size_t at = 0;
};

// One record of a score file: the score and the name's bytes.
struct ScoreRow {
    int32_t score = 0;
    std::string name;
};

// The well-formed records of a score file, in order, at most `count`. A
// record is a whole decimal number (numbers beyond the 32-bit range
// saturate) and a word, separated by white space on one line; a line may
// hold several. A record that is not well formed (no number, a number with
// no word after it on its line, a word that starts with a NUL byte) is
// skipped with the rest of its line. A word's bytes after a NUL byte are
// dropped. True when the bytes read back whole: nothing skipped or dropped
// and no more than `count` records.
bool ReadScoreRows(std::string_view text, size_t count, std::vector<ScoreRow>& rows);

enum ScoreFileState {
    SCORE_FILE_NONE,        // no score file yet
    SCORE_FILE_READ,        // the bytes were read
    SCORE_FILE_UNREADABLE,  // something is there that cannot be read
    SCORE_FILE_NO_FOLDER,   // there is no folder that could ever hold one
};

// Reads a score file's bytes. Without one, an earlier version's save that
// was interrupted between its two renames may have left the table only in
// "<path>.old"; that copy is read then.
ScoreFileState ReadScoreFile(const std::string& path, std::string& bytes);

// Reads the temporary file's bytes; false when there is none or it cannot
// be read.
bool ReadTempFile(const std::string& path, std::string& bytes);
