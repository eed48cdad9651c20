// Runs the game headless from a script and prints everything it does.
//
//   replay [--png DIR] [SCRIPT]
//   replay --scores FILE
//   replay --write-replay OUT [--seed N] SCRIPT
//
// The script (from SCRIPT, or standard input) holds one command a line:
// "tick N", "click X Y", "enter", "paint", "name TEXT", "close", and those
// a replay adds, "seed N", "table ...", "score N", "end"; blank lines and
// lines starting with '#' are ignored. A replay file is such a script with
// a first line of its own (docs/replay-format.md).
//
// --scores prints the final score of each game a file plays, one a line,
// touching no file; --write-replay writes the replay a form would have
// recorded for the script. A file that is not a script, or that does not
// play as it says, is an error (status 2, or 1 when it fails in play).
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#if defined(_WIN32)
#include <fcntl.h>
#include <io.h>
#endif

#include "game/Game.h"
#include "replay/RecordedSession.h"
#include "replay/ReplayPlatform.h"
#include "replay/ReplayRun.h"
#include "replay/ReplayScript.h"
#include "tools/recording/RecordingDevices.h"
#if defined(GAME_REPLAY_PNG)
#include "tools/replay/PngFrames.h"
#endif

namespace {

int Usage() {
    std::fprintf(stderr,
                 "usage: replay [--png DIR] [SCRIPT]\n"
                 "       replay --scores FILE\n"
                 "       replay --write-replay OUT [--seed N] SCRIPT\n");
    return 2;
}

// Reads the whole stream; false when it fails or holds more than `limit`
// bytes.
bool ReadAll(FILE* in, size_t limit, std::string* text) {
    char buffer[1 << 16];
    size_t got;
    while ((got = std::fread(buffer, 1, sizeof buffer, in)) > 0) {
        text->append(buffer, got);
        if (text->size() > limit) {
            return false;
        }
    }
    return !std::ferror(in);
}

// Reads SCRIPT (or standard input) and its commands; prints why not.
bool ReadScript(const char* path, bool limits, SReplayScript* script) {
    FILE* in = stdin;
    if (path != nullptr) {
        in = std::fopen(path, "rb");
        if (in == nullptr) {
            std::fprintf(stderr, "replay: cannot read %s: %s\n", path, std::strerror(errno));
            return false;
        }
    }
    std::string text;
    const size_t limit = limits ? kReplayMaxBytes + 1 : static_cast<size_t>(-1);
    const bool read = ReadAll(in, limit, &text);
    if (in != stdin) {
        std::fclose(in);
    }
    std::string error;
    if (!read && text.size() <= kReplayMaxBytes) {
        std::fprintf(stderr, "replay: cannot read %s\n", path != nullptr ? path : "the script");
        return false;
    }
    if (!ReadReplayScript(text, limits, script, &error)) {
        std::fprintf(stderr, "replay: %s\n", error.c_str());
        return false;
    }
    return true;
}

// The trace: every call the game makes, and the commands it is given.
class CTraceHost : public CReplayHost {
public:
    CTraceHost(CTrace* trace, CRecordingPlatform* platform, int32_t* tickCount)
        : trace(trace), platform(platform), tickCount(tickCount) {}
    void BeforeTick(int64_t tick) override {
        *tickCount = static_cast<int32_t>(tick);
        std::snprintf(text, sizeof text, "tick %d", *tickCount);
        trace->Line(text);
    }
    void BeforeInput(const SReplayCommand& command) override {
        switch (command.kind) {
            case REPLAY_CLICK:
                std::snprintf(text, sizeof text, "click %lld %lld",
                              static_cast<long long>(command.a), static_cast<long long>(command.b));
                trace->Line(text);
                break;
            case REPLAY_ENTER:
                trace->Line("enter");
                break;
            default:
                trace->Line("paint");
                break;
        }
    }
    void QueueAnswer(const SReplayAnswer& answer) override {
        platform->answers.push_back({answer.ok, answer.name});
    }
    size_t PendingAnswers() const override { return platform->answers.size(); }

private:
    CTrace* trace;
    CRecordingPlatform* platform;
    int32_t* tickCount;
    char text[64];
};

int RunTrace(const char* scriptPath, const std::string& pngDir) {
    SReplayScript script;
    if (!ReadScript(scriptPath, false, &script)) {
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
#else
    (void)pngDir;
#endif
    bool ran = false;
    std::string error;
    {
        CReplayScoreKeeper keeper(&FileScoreKeeper());
        CGame game(&platform);
        game.SetScoreKeeper(&keeper);
        game.Init(nullptr, 640, 480);
        CTraceHost host(&trace, &platform, &tickCount);
        CReplayRun run(script, &game, &keeper, &host);
        ran = run.RunAll();
        error = run.Error();
#if defined(GAME_REPLAY_PNG)
        if (frames) {
            frames->Finish();
        }
#endif
    }
    std::fflush(stdout);
    if (!ran) {
        std::fprintf(stderr, "replay: %s\n", error.c_str());
        return 1;
    }
    return 0;
}

// Nothing but the run: devices that do nothing, the table in memory.
struct SQuietRun {
    CMemoryScoreKeeper table;
    CReplayScoreKeeper keeper{&table};
    CReplayPlatform platform{nullptr, &table};
};

int RunScores(const char* path) {
    SReplayScript script;
    if (!ReadScript(path, true, &script)) {
        return 2;
    }
    SQuietRun quiet;
    CGame game(&quiet.platform);
    game.SetScoreKeeper(&quiet.keeper);
    game.Init(nullptr, 640, 480);
    CReplayRun run(script, &game, &quiet.keeper, &quiet.platform);
    const bool ran = run.RunAll();
    for (const SReplayGame& played : run.Games()) {
        std::printf("%d\n", static_cast<int>(played.score));
    }
    std::fflush(stdout);
    if (!ran) {
        std::fprintf(stderr, "replay: %s: %s\n", path, run.Error().c_str());
        return 1;
    }
    return 0;
}

int WriteReplay(const char* outPath, const char* seedText, const char* scriptPath) {
    SReplayScript script;
    if (!ReadScript(scriptPath, true, &script)) {
        return 2;
    }
    SQuietRun quiet;
    CRecordedSession session(&quiet.platform, "replay", &quiet.keeper);
    session.Init(nullptr, 640, 480);
    if (seedText != nullptr) {
        char* end = nullptr;
        errno = 0;
        const unsigned long long seed = std::strtoull(seedText, &end, 10);
        if (*seedText < '0' || *seedText > '9' || *end != '\0' || errno != 0 ||
            seed > 4294967295ULL) {
            std::fprintf(stderr, "replay: --seed takes a number from 0 to 4294967295\n");
            return 2;
        }
        session.Reseed(static_cast<uint32_t>(seed));
    }
    CReplayRun run(script, &session, &quiet.keeper, &quiet.platform);
    if (!run.RunAll()) {
        std::fprintf(stderr, "replay: %s: %s\n", scriptPath, run.Error().c_str());
        return 1;
    }
    const std::string text = session.Text();
    FILE* out = std::fopen(outPath, "wb");
    if (out == nullptr) {
        std::fprintf(stderr, "replay: cannot write %s: %s\n", outPath, std::strerror(errno));
        return 2;
    }
    const bool written = std::fwrite(text.data(), 1, text.size(), out) == text.size();
    if (std::fclose(out) != 0 || !written) {
        std::fprintf(stderr, "replay: cannot write %s\n", outPath);
        return 2;
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
#if defined(_WIN32)
    _setmode(_fileno(stdout), _O_BINARY);
    _setmode(_fileno(stdin), _O_BINARY);
#endif
    if (argc >= 2 && std::strcmp(argv[1], "--scores") == 0) {
        return argc == 3 ? RunScores(argv[2]) : Usage();
    }
    if (argc >= 2 && std::strcmp(argv[1], "--write-replay") == 0) {
        if (argc == 4) {
            return WriteReplay(argv[2], nullptr, argv[3]);
        }
        if (argc == 6 && std::strcmp(argv[3], "--seed") == 0) {
            return WriteReplay(argv[2], argv[4], argv[5]);
        }
        return Usage();
    }
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
    return RunTrace(scriptPath, pngDir);
}
