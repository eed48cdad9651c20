#include "web/WebMusic.h"

#include "devices/RegularFile.h"
#include "web/MusicChecksum.h"
#include "web/WebBindings.h"

namespace {

// The sequencer is never run: any rate will do.
constexpr double kUnusedRate = 1000;

}  // namespace

CWebMusic::CWebMusic() : CSequencedMusic(kUnusedRate) {}

bool CWebMusic::Init(HWND, void*) {
    engine = web_audio_available() != 0;
    ClearPlayingFlag();
    return true;
}

bool CWebMusic::ReadPiece(const std::string& file, int32_t slot, MidiPiece* piece,
                          bool* keepEmpty) {
    std::vector<uint8_t> bytes;
    if (ReadRegularFile(file, bytes, kMaxMidiFileBytes, FILE_LINKS_FOLLOWED) != FILE_READ_OK ||
        !ParseMidiFile(bytes.data(), bytes.size(), piece)) {
        return false;
    }
    const int32_t rendering = web_music_find(static_cast<uint32_t>(bytes.size()),
                                             MusicChecksum(bytes.data(), bytes.size()));
    if (rendering < 0) {
        // No rendering: the slot stays empty.
        *keepEmpty = true;
        return false;
    }
    if (renderings.size() <= size_t(slot)) {
        renderings.resize(size_t(slot) + 1, -1);
    }
    renderings[size_t(slot)] = rendering;
    return true;
}

void CWebMusic::OnPieceStarted(int32_t slot) {
    const int32_t rendering = renderings[size_t(slot)];
    int32_t loopStart = 0;
    int32_t loopEnd = 0;
    uint32_t repeats = 0;
    sequencer.GetLoop(slot, &loopStart, &loopEnd, &repeats);
    // The rendering repeats only the loop it was made with.
    const bool renderedLoop = loopStart < loopEnd && loopStart == web_music_loop_start(rendering) &&
                              loopEnd == web_music_loop_end(rendering);
    web_music_play(rendering, renderedLoop ? repeats : 0);
}

void CWebMusic::ReleaseNotes(bool pieceOver) {
    if (pieceOver) {
        web_music_stop();
    }
}
