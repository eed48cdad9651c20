// The music player of the browser form. The pieces are not synthesised in
// the browser: the build renders each MIDI file with the desktop's own
// player (web/MusicRender.cpp) and the page decodes the renderings before
// the game starts. Load reads the MIDI file as the desktop does and takes
// the rendering made from exactly that file; Play starts it on Web Audio,
// its loop repeated as SetLoop asked.
//
// The slots and their loops are kept on the players' sequencer
// (audio/MusicPlayer.h), which is never run: it only says which piece is
// the one playing.
//
// The renderings hold the loop the game sets (from 500 units to 250 units
// before the end); a piece asked to loop elsewhere plays once through.
#pragma once

#include <cstdint>
#include <vector>

#include "audio/MusicPlayer.h"

class CWebMusic : public CSequencedMusic {
public:
    CWebMusic();

    // The engine runs when the browser has Web Audio; `soundDevice` (the
    // effect player) is not needed beyond that. Always true. Without an
    // engine, or without a rendering of a file, Load leaves the slot empty
    // and succeeds.
    bool Init(HWND window, void* soundDevice) override;

private:
    bool EngineRunning() const override { return engine; }
    // Reads the file and finds its rendering.
    bool ReadPiece(const std::string& file, int32_t slot, MidiPiece* piece,
                   bool* keepEmpty) override;
    // Starts the rendering on Web Audio.
    void OnPieceStarted(int32_t slot) override;
    void SendEvent(const MidiEvent&) override {}
    // The piece stops, is replaced or its slot emptied.
    void ReleaseNotes(bool pieceOver) override;

    bool engine = false;
    // The rendering of each slot's piece, by slot.
    std::vector<int32_t> renderings;
};
