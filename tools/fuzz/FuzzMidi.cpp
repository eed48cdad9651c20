// Feeds arbitrary files to the MIDI parser, and what it accepts to the
// music player's sequencer with loop points taken from the input.
#include <cstdint>
#include <cstring>
#include <vector>

#include "FuzzFile.h"
#include "audio/FluidSynthMusic.h"
#include "audio/MidiFile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    MidiPiece piece;
    if (!ParseMidiFile(data, size, &piece)) {
        return 0;
    }
    for (const MidiEvent& event : piece.events) {
        if (event.time < 0 || event.time > piece.length) {
            __builtin_trap();
        }
    }
    ChannelStateBefore(piece, piece.length / 3);
    TempoBefore(piece, piece.length / 2);

    static CFluidSynthMusic* music = [] {
        auto* player = new CFluidSynthMusic;
        player->Init(nullptr, nullptr);
        player->SetSlotCount(1);
        return player;
    }();
    const char* path = WriteInput("fuzz-midi", data, size);
    if (path == nullptr || !music->Load(path, 0)) {
        return 0;
    }
    // Loop points from the last bytes of the input.
    int32_t loopStart = 0;
    uint16_t repeats = 0;
    if (size >= 6) {
        std::memcpy(&loopStart, data + size - 6, 4);
        std::memcpy(&repeats, data + size - 2, 2);
    }
    music->SetLoop(0, repeats, loopStart);
    music->Play(0);
    std::vector<float> out(2 * 512);
    for (int i = 0; i < 4; ++i) {
        music->MixInto(out.data(), 512);
    }
    music->Stop(0);
    return 0;
}
