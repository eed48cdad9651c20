// Runs the game headless from a script and prints everything it does.
//
//   replay [--png DIR] [SCRIPT]
//
// The script (from SCRIPT, or standard input) holds one command a line:
// "tick N", "click X Y", "enter", "paint", "name TEXT", "close"; blank
// lines and lines starting with '#' are ignored.
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#if defined(_WIN32)
#include <fcntl.h>
#include <io.h>
#endif

#include "game/Game.h"
#include "tools/recording/RecordingDevices.h"
#if defined(GAME_REPLAY_PNG)
#include "tools/replay/PngFrames.h"
#endif

namespace {

enum CommandKind {
    COMMAND_TICK,
    COMMAND_CLICK,
    COMMAND_ENTER,
    COMMAND_PAINT,
    COMMAND_NAME,
    COMMAND_CLOSE
};

struct Command {
    CommandKind kind;
    long long a = 0;
    long long b = 0;
    std::string text;
};

// A whole decimal number within [low, high], and nothing else.
bool ParseNumber(const std::string& word, long long low, long long high, long long* value) {
    if (word.empty() || word.size() > 12) {
        return false;
    }
    size_t i = word[0] == '-' ? 1 : 0;
    if (i == word.size()) {
        return false;
    }
    for (size_t k = i; k < word.size(); ++k) {
        if (word[k] < '0' || word[k] > '9') {
            return false;
        }
    }
    const long long parsed = std::strtoll(word.c_str(), nullptr, 10);
    if (parsed < low || parsed > high) {
        return false;
    }
    *value = parsed;
    return true;
}

std::vector<std::string> Words(const std::string& line) {
    std::vector<std::string> words;
    size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && (line[i] == ' ' || line[i] == '\t')) {
            ++i;
        }
        size_t start = i;
        while (i < line.size() && line[i] != ' ' && line[i] != '\t') {
            ++i;
        }
        if (i > start) {
            words.push_back(line.substr(start, i - start));
        }
    }
    return words;
}

bool ParseLine(const std::string& line, Command* command) {
    const size_t space = line.find(' ');
    const std::string head = line.substr(0, space);
    if (head == "name") {
        command->kind = COMMAND_NAME;
        command->text = space == std::string::npos ? std::string() : line.substr(space + 1);
        return true;
    }
    const std::vector<std::string> words = Words(line);
    if (words.empty()) {
        return false;
    }
    if (words[0] == "tick" && words.size() == 2) {
        command->kind = COMMAND_TICK;
        return ParseNumber(words[1], 0, 1000000000LL, &command->a);
    }
    if (words[0] == "click" && words.size() == 3) {
        command->kind = COMMAND_CLICK;
        return ParseNumber(words[1], INT32_MIN, INT32_MAX, &command->a) &&
               ParseNumber(words[2], INT32_MIN, INT32_MAX, &command->b);
    }
    if (words[0] == "enter" && words.size() == 1) {
        command->kind = COMMAND_ENTER;
        return true;
    }
    if (words[0] == "paint" && words.size() == 1) {
        command->kind = COMMAND_PAINT;
        return true;
    }
    if (words[0] == "close" && words.size() == 1) {
        command->kind = COMMAND_CLOSE;
        return true;
    }
    return false;
}

bool ReadScript(FILE* in, std::vector<Command>* commands) {
    std::string line;
    long lineNumber = 0;
    int c;
    bool more = true;
    while (more) {
        line.clear();
        while ((c = std::fgetc(in)) != EOF && c != '\n') {
            line.push_back(static_cast<char>(c));
        }
        more = c != EOF;
        if (!more && line.empty()) {
            break;
        }
        ++lineNumber;
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        const size_t first = line.find_first_not_of(" \t");
        if (first == std::string::npos || line[first] == '#') {
            continue;
        }
        Command command;
        if (!ParseLine(line, &command)) {
            std::fprintf(stderr, "replay: line %ld: not a command: %s\n", lineNumber, line.c_str());
            return false;
        }
        commands->push_back(command);
    }
    return true;
}

int Usage() {
    std::fprintf(stderr, "usage: replay [--png DIR] [SCRIPT]\n");
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
#if defined(_WIN32)
    _setmode(_fileno(stdout), _O_BINARY);
    _setmode(_fileno(stdin), _O_BINARY);
#endif
    std::string pngDir;
    const char* scriptPath = nullptr;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--png") == 0) {
            if (i + 1 >= argc) {
                return Usage();
            }
            pngDir = argv[++i];
        } else if (scriptPath == nullptr) {
            scriptPath = argv[i];
        } else {
            return Usage();
        }
    }
#if !defined(GAME_REPLAY_PNG)
    if (!pngDir.empty()) {
        std::fprintf(stderr, "replay: this build cannot draw frames (--png)\n");
        return 2;
    }
#endif

    FILE* in = stdin;
    if (scriptPath != nullptr) {
        in = std::fopen(scriptPath, "rb");
        if (in == nullptr) {
            std::fprintf(stderr, "replay: cannot read %s: %s\n", scriptPath, std::strerror(errno));
            return 2;
        }
    }
    std::vector<Command> commands;
    const bool parsed = ReadScript(in, &commands);
    if (in != stdin) {
        std::fclose(in);
    }
    if (!parsed) {
        return 2;
    }

    static char outBuffer[1 << 16];
    std::setvbuf(stdout, outBuffer, _IOFBF, sizeof outBuffer);

    int32_t tickCount = 0;
    CTrace trace(stdout, false);
    CRecordingPlatform platform(&trace);
#if defined(GAME_REPLAY_PNG)
    std::unique_ptr<CPngFrames> frames;
    if (!pngDir.empty()) {
        frames.reset(CreatePngFrames(pngDir, &tickCount));
        if (!frames) {
            std::fprintf(stderr, "replay: cannot write frames to %s\n", pngDir.c_str());
            return 2;
        }
        platform.innerContext = frames.get();
        platform.makeInnerGraphics = [](void* context) {
            return static_cast<CPngFrames*>(context)->CreateGraphics();
        };
    }
#endif

    {
        CGame game(&platform);
        game.Init(nullptr, 640, 480);
        char text[64];
        for (const Command& command : commands) {
            switch (command.kind) {
                case COMMAND_TICK:
                    for (long long k = 0; k < command.a; ++k) {
                        ++tickCount;
                        std::snprintf(text, sizeof text, "tick %d", tickCount);
                        trace.Line(text);
                        game.Tick();
                    }
                    break;
                case COMMAND_CLICK:
                    std::snprintf(text, sizeof text, "click %lld %lld", command.a, command.b);
                    trace.Line(text);
                    game.OnClick(static_cast<int32_t>(command.a), static_cast<int32_t>(command.b));
                    break;
                case COMMAND_ENTER:
                    trace.Line("enter");
                    game.TogglePause();
                    break;
                case COMMAND_PAINT:
                    trace.Line("paint");
                    game.Paint();
                    break;
                case COMMAND_NAME:
                    platform.answers.push_back({true, command.text});
                    break;
                case COMMAND_CLOSE:
                    platform.answers.push_back({false, std::string()});
                    break;
            }
        }
#if defined(GAME_REPLAY_PNG)
        if (frames) {
            frames->Finish();
        }
#endif
    }
    std::fflush(stdout);
    return 0;
}
