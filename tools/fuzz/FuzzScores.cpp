// Feeds arbitrary bytes to the score files, as "score.sav" and as
// "work.temp", through everything that reads them: the table, the list's
// text, the name entry, an insertion with its replay and the save. The
// reload must give back exactly the table that was saved, a file that did
// not read back whole must be kept, byte for byte, beside the new one, and
// every kept replay must belong to a row. The bytes of "score.sav" are also
// read as a kept replay's file name, which must then be written back the
// same.
//
// Input: 2 bytes (little-endian) for the length of "work.temp" (taken modulo
// what is left), 4 bytes for the score, then "score.sav", then "work.temp".
#include <unistd.h>

#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "scores/Cp932.h"
#include "scores/HighScoreList.h"
#include "scores/KeptReplays.h"
#include "scores/NameEntry.h"
#include "scores/ScoreTable.h"

namespace {

// A folder of this process's own, in memory where the system has one, gone
// when the process ends.
class CScratchFolder {
public:
    CScratchFolder() {
        const std::string base = std::filesystem::is_directory("/dev/shm") ? "/dev/shm" : "/tmp";
        path = base + "/fuzz-scores-" + std::to_string(getpid());
        std::filesystem::create_directories(path);
    }
    ~CScratchFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(path, ignored);
    }
    std::string path;
};

const std::string& Folder() {
    static const CScratchFolder folder;
    return folder.path;
}

std::string At(const char* name) {
    return Folder() + "/" + name;
}

void Put(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

std::string Get(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

void Require(bool condition) {
    if (!condition) {
        __builtin_trap();
    }
}

bool Same(const ScoreEntry* a, const ScoreEntry* b) {
    for (int32_t i = 0; i < kScoreRows; ++i) {
        if (a[i].score != b[i].score || std::strcmp(a[i].name, b[i].name) != 0) {
            return false;
        }
    }
    return true;
}

// Saved rows are words that fit their field and read back as themselves.
void RequireSound(const ScoreEntry* table) {
    for (int32_t i = 0; i < kScoreRows; ++i) {
        const size_t length = strnlen(table[i].name, sizeof table[i].name);
        Require(length > 0 && length < sizeof table[i].name);
        for (size_t k = 0; k < length; ++k) {
            const char c = table[i].name[k];
            Require(c != ' ' && (c < '\t' || c > '\r'));
        }
    }
}

// Inserts `score` under the name in the temporary file and checks the save:
// the file holds exactly the table, reads back whole as the same table, and
// the kept copy of a damaged file holds that file's bytes.
void InsertAndReload(ScoreEntry* table, int32_t score, const std::string& before,
                     bool beforeWhole) {
    const std::string scorePath = At("score.sav");
    Require(InsertScore(table, score, scorePath, At("work.temp"), "end\n") != SCORE_SAVE_FAILED);
    RequireSound(table);
    std::vector<SKeptReplay> kept;
    Require(LoadKeptReplays(kept, scorePath));
    size_t files = 0;
    std::error_code missing;
    for (const auto& entry : std::filesystem::directory_iterator(At("replays"), missing)) {
        Require(entry.path().extension() == ".replay");
        ++files;
    }
    Require(files == kept.size());
    const std::string saved = Get(scorePath);
    Require(saved == ScoreFileText(table));
    ScoreEntry again[kScoreRows];
    Require(LoadScores(again, scorePath) == SCORE_FILE_READ);
    Require(ParseScoreTable(saved, again));
    Require(Same(again, table));
    Require(std::filesystem::exists(At("score.sav.bad")) == !beforeWhole);
    if (!beforeWhole) {
        Require(Get(At("score.sav.bad")) == before);
    }
    Require(!std::filesystem::exists(At("score.sav.new")));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    uint8_t head[6] = {};
    std::memcpy(head, data, size < sizeof head ? size : sizeof head);
    const size_t rest = size > sizeof head ? size - sizeof head : 0;
    const size_t tempLength = (head[0] | (head[1] << 8)) % (rest + 1);
    int32_t score = 0;
    std::memcpy(&score, head + 2, sizeof score);
    const char* bytes = reinterpret_cast<const char*>(data) + (size - rest);
    const std::string scoreBytes(bytes, rest - tempLength);
    const std::string tempBytes(bytes + rest - tempLength, tempLength);

    for (const char* name : {"score.sav", "score.sav.bad", "work.temp"}) {
        std::filesystem::remove(At(name));
    }
    std::filesystem::remove_all(At("replays"));
    SKeptReplayName keptName;
    if (ReadKeptReplayFileName(scoreBytes, &keptName)) {
        Require(KeptReplayFileName(keptName) == scoreBytes);
    }
    Put(At("score.sav"), scoreBytes);
    Put(At("work.temp"), tempBytes);

    ScoreEntry table[kScoreRows];
    Require(LoadScores(table, At("score.sav")) == SCORE_FILE_READ);
    RequireSound(table);
    ScoreEntry parsed[kScoreRows];
    const bool whole = ParseScoreTable(scoreBytes, parsed);
    Require(Same(parsed, table));

    CHighScoreList list;
    Require(list.Load(At("score.sav")));
    for (int32_t place = 1; place <= CHighScoreList::kRows; ++place) {
        Require(std::strlen(list.Row(place).name) < sizeof list.Row(place).name);
        Cp932ToUtf8(list.RowText(place));
    }

    CNameEntry entry;
    if (entry.Open(At("work.temp"))) {
        entry.PlaceText();
    }
    QualifyingRank(table, score);
    // The temporary file as it came, then a name typed into the entry.
    InsertAndReload(table, score, scoreBytes, whole);
    entry.SetName(tempBytes);
    Require(entry.Name().size() <= CNameEntry::kMaxNameBytes);
    Require(entry.Confirm(At("work.temp")));
    Require(Get(At("work.temp")) == entry.Name());
    InsertAndReload(table, score, scoreBytes, whole);
    return 0;
}
