// Writes the game's sound files: make_sounds <directory>
#include <cstdio>
#include <exception>
#include <string>

#include "tools/soundgen/MidiFile.h"
#include "tools/soundgen/Squeak.h"
#include "tools/soundgen/Tunes.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <directory>\n", argv[0]);
        return 2;
    }
    const std::string dir = argv[1];
    try {
        struct {
            const char* name;
            std::vector<uint8_t> bytes;
        } files[] = {
            {"kyu.wav", EncodeWave(SynthesizeSqueak(), kSqueakRate)},
            {"play.mid", EncodePiece(MakePlayTune())},
            {"gameover.mid", EncodePiece(MakeGameOverTune())},
        };
        for (const auto& file : files) {
            std::string path = dir + "/" + file.name;
            if (!WriteBytes(path, file.bytes)) {
                std::fprintf(stderr, "cannot write %s\n", path.c_str());
                return 1;
            }
        }
    } catch (const std::exception& error) {
        std::fprintf(stderr, "make_sounds: %s\n", error.what());
        return 1;
    }
    return 0;
}
