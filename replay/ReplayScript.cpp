#include "replay/ReplayScript.h"

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <utility>

#include "scores/Cp932.h"
#include "scores/KeptReplays.h"

namespace {

// A whole decimal number within [low, high], and nothing else.
bool ParseNumber(std::string_view word, int64_t low, int64_t high, int64_t* value) {
    if (word.empty() || word.size() > 12) {
        return false;
    }
    const size_t first = word[0] == '-' ? 1 : 0;
    if (first == word.size()) {
        return false;
    }
    int64_t magnitude = 0;
    for (size_t k = first; k < word.size(); ++k) {
        if (word[k] < '0' || word[k] > '9') {
            return false;
        }
        magnitude = magnitude * 10 + (word[k] - '0');
    }
    const int64_t parsed = first == 1 ? -magnitude : magnitude;
    if (parsed < low || parsed > high) {
        return false;
    }
    *value = parsed;
    return true;
}

std::vector<std::string_view> Words(std::string_view line) {
    std::vector<std::string_view> words;
    size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && (line[i] == ' ' || line[i] == '\t')) {
            ++i;
        }
        const size_t start = i;
        while (i < line.size() && line[i] != ' ' && line[i] != '\t') {
            ++i;
        }
        if (i > start) {
            words.push_back(line.substr(start, i - start));
        }
    }
    return words;
}

bool IsControl(unsigned char c) {
    return c < 0x20 || c == 0x7f;
}

bool HasControl(std::string_view text) {
    for (char c : text) {
        if (IsControl(static_cast<unsigned char>(c))) {
            return true;
        }
    }
    return false;
}

std::string LineError(int32_t line, const std::string& what) {
    return "line " + std::to_string(line) + ": " + what;
}

// A header value: printable ASCII without spaces, and not too long.
bool IsHeaderValue(std::string_view value) {
    if (value.empty() || value.size() > kReplayMaxFieldBytes) {
        return false;
    }
    for (char c : value) {
        if (c <= ' ' || c > '~') {
            return false;
        }
    }
    return true;
}

bool IsTimeText(std::string_view text) {
    static constexpr std::string_view kPattern = "dddd-dd-ddTdd:dd:ddZ";
    if (text.size() != kPattern.size()) {
        return false;
    }
    for (size_t i = 0; i < text.size(); ++i) {
        const bool digit = text[i] >= '0' && text[i] <= '9';
        if (kPattern[i] == 'd' ? !digit : text[i] != kPattern[i]) {
            return false;
        }
    }
    return true;
}

bool ReadHeader(std::string_view line, SReplayHeader* header, std::string* error) {
    const std::vector<std::string_view> words = Words(line);
    int64_t version = 0;
    if (words.size() < 2 || !ParseNumber(words[1], 1, 999999, &version)) {
        *error = LineError(1, "the first line has no format version");
        return false;
    }
    if (version > kReplayVersion) {
        *error = "the replay's format version " + std::to_string(version) +
                 " is newer than this reader's (" + std::to_string(kReplayVersion) + ")";
        return false;
    }
    header->present = true;
    header->version = static_cast<int32_t>(version);
    bool seen[4] = {};
    for (size_t i = 2; i < words.size(); ++i) {
        const std::string_view word = words[i];
        const size_t equals = word.find('=');
        if (equals == std::string_view::npos) {
            *error = LineError(1, "not a key=value field: " + std::string(word.substr(0, 64)));
            return false;
        }
        const std::string_view key = word.substr(0, equals);
        const std::string_view value = word.substr(equals + 1);
        static constexpr std::string_view kKeys[4] = {"game", "form", "seed", "time"};
        int k = 0;
        while (k < 4 && kKeys[k] != key) {
            ++k;
        }
        if (k == 4) {
            continue;  // a later version's field
        }
        if (seen[k] || !IsHeaderValue(value)) {
            *error = LineError(1, "a bad or repeated " + std::string(key) + " field");
            return false;
        }
        seen[k] = true;
        int64_t seed = 0;
        switch (k) {
            case 0:
                header->gameVersion = value;
                break;
            case 1:
                header->form = value;
                break;
            case 2:
                if (!ParseNumber(value, 0, UINT32_MAX, &seed)) {
                    *error = LineError(1, "the seed is not a number from 0 to 4294967295");
                    return false;
                }
                header->seed = static_cast<uint32_t>(seed);
                break;
            default:
                if (!IsTimeText(value)) {
                    *error = LineError(1, "the time is not YYYY-MM-DDTHH:MM:SSZ");
                    return false;
                }
                header->recorded = value;
                break;
        }
    }
    for (int k = 0; k < 4; ++k) {
        if (!seen[k]) {
            static constexpr const char* kNames[4] = {"game", "form", "seed", "time"};
            *error = LineError(1, std::string("the first line has no ") + kNames[k] + " field");
            return false;
        }
    }
    return true;
}

bool ReadTable(const std::vector<std::string_view>& words, SReplayTable* table) {
    if (words.size() == 2 && words[1] == "unkept") {
        table->kept = false;
        return true;
    }
    size_t count = words.size() - 1;
    if (count == 2 * kScoreRows + 1 && words.back() == "noentry") {
        table->entry = false;
        --count;
    }
    if (count != 2 * kScoreRows) {
        return false;
    }
    for (int32_t i = 0; i < kScoreRows; ++i) {
        int64_t score = 0;
        if (!ParseNumber(words[1 + 2 * i], INT32_MIN, INT32_MAX, &score)) {
            return false;
        }
        const std::string_view name = words[2 + 2 * i];
        if (HasControl(name)) {
            return false;
        }
        const std::string cp932 = Utf8ToCp932(std::string(name));
        ScoreEntry& row = table->rows[i];
        if (cp932.size() > sizeof row.name - 1 || cp932.find('\0') != std::string::npos) {
            return false;
        }
        cp932.copy(row.name, cp932.size());
        row.name[cp932.size()] = '\0';
        row.score = static_cast<int32_t>(score);
    }
    return true;
}

// One command line; false when it is not one.
bool ParseLine(std::string_view line, bool limits, SReplayCommand* command, SReplayScript* script) {
    const size_t space = line.find(' ');
    if (line.substr(0, space) == "name") {
        command->kind = REPLAY_NAME;
        command->text = space == std::string_view::npos ? "" : line.substr(space + 1);
        return !limits || !HasControl(command->text);
    }
    const std::vector<std::string_view> words = Words(line);
    if (words.empty()) {
        return false;
    }
    const std::string_view head = words[0];
    const int64_t maxTicks = limits ? kReplayMaxTicks : 1000000000LL;
    const int64_t lowXY = limits ? -kReplayMaxCoordinate - 1 : INT32_MIN;
    const int64_t highXY = limits ? kReplayMaxCoordinate : INT32_MAX;
    if (head == "tick" && words.size() == 2) {
        command->kind = REPLAY_TICK;
        return ParseNumber(words[1], 0, maxTicks, &command->a);
    }
    if (head == "click" && words.size() == 3) {
        command->kind = REPLAY_CLICK;
        return ParseNumber(words[1], lowXY, highXY, &command->a) &&
               ParseNumber(words[2], lowXY, highXY, &command->b);
    }
    if (words.size() == 1) {
        static constexpr std::pair<std::string_view, ReplayCommandKind> kBare[] = {
            {"enter", REPLAY_ENTER},
            {"paint", REPLAY_PAINT},
            {"close", REPLAY_CLOSE},
            {"end", REPLAY_END}};
        for (const auto& [word, kind] : kBare) {
            if (head == word) {
                command->kind = kind;
                return true;
            }
        }
        return false;
    }
    if (head == "seed" && words.size() == 2) {
        command->kind = REPLAY_SEED;
        return ParseNumber(words[1], 0, UINT32_MAX, &command->a);
    }
    if (head == "score" && words.size() == 2) {
        command->kind = REPLAY_SCORE;
        return ParseNumber(words[1], 0, INT32_MAX, &command->a);
    }
    if (head == "table") {
        SReplayTable table;
        if (!ReadTable(words, &table)) {
            return false;
        }
        command->kind = REPLAY_TABLE;
        command->tableIndex = static_cast<int32_t>(script->tables.size());
        script->tables.push_back(table);
        return true;
    }
    return false;
}

// What a line may not do where it stands; empty when it is fine.
std::string Misplaced(const SReplayCommand& command, bool limits, bool inputSeen, bool ended,
                      int32_t* inputs, SReplayScript* script) {
    if (ended) {
        return "a command after the end line";
    }
    switch (command.kind) {
        case REPLAY_TICK:
            script->ticks += command.a;
            if (command.a > 0) {
                *inputs = 0;
            }
            if (limits && script->ticks > kReplayMaxTicks) {
                return "more than two hours of ticks (" + std::to_string(kReplayMaxTicks) + ")";
            }
            break;
        case REPLAY_CLICK:
        case REPLAY_ENTER:
            if (limits && ++*inputs > kReplayMaxInputsPerTick) {
                return "more than " + std::to_string(kReplayMaxInputsPerTick) +
                       " clicks and Enter presses between two ticks";
            }
            break;
        case REPLAY_SEED:
            if (inputSeen) {
                return "a seed after the first tick, click or Enter";
            }
            if (script->header.present && command.a != script->header.seed) {
                return "a seed that the first line does not give";
            }
            break;
        default:
            break;
    }
    return std::string();
}

}  // namespace

bool ReadReplayScript(std::string_view text, bool limits, SReplayScript* script,
                      std::string* error) {
    *script = SReplayScript();
    const std::string_view magic = kReplayMagic;
    const bool replay =
        text.substr(0, magic.size()) == magic &&
        (text.size() == magic.size() || text[magic.size()] == ' ' || text[magic.size()] == '\t' ||
         text[magic.size()] == '\r' || text[magic.size()] == '\n');
    limits = limits || replay;
    if (limits && text.size() > kReplayMaxBytes) {
        *error = "larger than 1 MiB (" + std::to_string(text.size()) + " bytes)";
        return false;
    }
    int32_t lineNumber = 0;
    size_t at = 0;
    bool inputSeen = false;
    bool ended = false;
    int32_t inputs = 0;
    while (at < text.size()) {
        size_t stop = text.find('\n', at);
        if (stop == std::string_view::npos) {
            stop = text.size();
        }
        std::string_view line = text.substr(at, stop - at);
        at = stop + 1;
        ++lineNumber;
        if (!line.empty() && line.back() == '\r') {
            line.remove_suffix(1);
        }
        if (limits && line.size() > kReplayMaxLineBytes) {
            *error = LineError(lineNumber,
                               "longer than " + std::to_string(kReplayMaxLineBytes) + " bytes");
            return false;
        }
        if (lineNumber == 1 && replay) {
            if (!ReadHeader(line, &script->header, error)) {
                return false;
            }
            continue;
        }
        const size_t first = line.find_first_not_of(" \t");
        if (first == std::string_view::npos || line[first] == '#') {
            continue;
        }
        SReplayCommand command;
        command.line = lineNumber;
        if (!ParseLine(line, limits, &command, script)) {
            std::string shown(line.substr(0, 80));
            for (char& c : shown) {
                if (IsControl(static_cast<unsigned char>(c))) {
                    c = '?';
                }
            }
            *error = LineError(lineNumber, "not a command: " + shown);
            return false;
        }
        const std::string misplaced = Misplaced(command, limits, inputSeen, ended, &inputs, script);
        if (!misplaced.empty()) {
            *error = LineError(lineNumber, misplaced);
            return false;
        }
        inputSeen = inputSeen || command.kind == REPLAY_TICK || command.kind == REPLAY_CLICK ||
                    command.kind == REPLAY_ENTER;
        ended = command.kind == REPLAY_END;
        script->commands.push_back(std::move(command));
    }
    if (replay && !ended) {
        *error = "the replay ends without its end line: it may have been cut short";
        return false;
    }
    return true;
}

std::string ReplayHeaderLine(const SReplayHeader& header) {
    return std::string(kReplayMagic) + " " + std::to_string(kReplayVersion) +
           " game=" + header.gameVersion + " form=" + header.form +
           " seed=" + std::to_string(header.seed) + " time=" + header.recorded;
}

std::string ReplayTableLine(const SReplayTable& table) {
    if (!table.kept) {
        return "table unkept";
    }
    std::string line = "table";
    for (const ScoreEntry& row : table.rows) {
        std::string name = ReplayNameText(row.name);
        // A row's name is one word: what a replay cannot hold becomes "?".
        for (char& c : name) {
            if (c == ' ') {
                c = '?';
            }
        }
        line += ' ';
        line += std::to_string(row.score);
        line += ' ';
        line += name.empty() ? std::string("?") : name;
    }
    if (!table.entry) {
        line += " noentry";
    }
    return line;
}

std::string ReplayNameText(const std::string& cp932) {
    std::string text = Cp932ToUtf8(cp932);
    for (char& c : text) {
        if (IsControl(static_cast<unsigned char>(c))) {
            c = ' ';
        }
    }
    return text;
}

std::string ReplayTimeText(int64_t unixSeconds) {
    const SUtcTime time = UtcTimeOf(unixSeconds);
    char text[96];
    std::snprintf(text, sizeof text, "%04lld-%02d-%02dT%02d:%02d:%02dZ",
                  static_cast<long long>(time.year), time.month, time.day, time.hour, time.minute,
                  time.second);
    return text;
}
