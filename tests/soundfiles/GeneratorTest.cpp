// The generator's notation and loop layout, on small made-up pieces.
#include <gtest/gtest.h>

#include <stdexcept>

#include "SoundFileReaders.h"
#include "tools/soundgen/Notation.h"
#include "tools/soundgen/Piece.h"

namespace {

TEST(Notation, KeysChordsAndPhrases) {
    EXPECT_EQ(ParseKey("C4"), 60);
    EXPECT_EQ(ParseKey("A4"), 69);
    EXPECT_EQ(ParseKey("F#4"), 66);
    EXPECT_EQ(ParseKey("Bb3"), 58);
    EXPECT_EQ(ParseKey("Cb4"), 59);  // the octave follows the letter
    EXPECT_EQ(ParseKey("B#3"), 60);
    EXPECT_THROW(ParseKey("H4"), std::invalid_argument);
    EXPECT_THROW(ParseKey("C"), std::invalid_argument);

    EXPECT_EQ(VoiceChord(ParseChord("G7"), 60), (std::vector<int32_t>{62, 65, 67, 71}));
    EXPECT_EQ(VoiceChord(ParseChord("Am"), 57), (std::vector<int32_t>{57, 60, 64}));
    EXPECT_EQ(RootAbove(ParseChord("Dm"), 36), 38);
    EXPECT_THROW(ParseChord("Csus9"), std::invalid_argument);

    std::vector<SPhraseNote> phrase = ParsePhrase("E5:3 r:2 G#4:11");
    ASSERT_EQ(phrase.size(), 3u);
    EXPECT_EQ(phrase[1].key, -1);
    EXPECT_EQ(phrase[2].offset, 5);
    EXPECT_EQ(phrase[2].key, 68);
    EXPECT_EQ(PhraseLength(phrase), 16);
    EXPECT_THROW(ParsePhrase("E5"), std::invalid_argument);
}

SPiece OneBarPiece() {
    SPiece piece;
    piece.title = "test";
    piece.microsPerQuarter = 500000;
    piece.bars = 1;
    piece.parts = {{"lead", 0, 80, 100, 64, 0, 0}};
    return piece;
}

std::vector<SHeardNote> NotesOf(const SPiece& piece, int32_t& end) {
    SMidiFile file;
    std::string error;
    EXPECT_TRUE(ParseMidiFile(EncodePiece(piece), file, error)) << error;
    end = file.tracks.back().back().tick;
    return PairNotes(MergeTracks(file));
}

TEST(LoopLayout, BodyNotesStopBeforeTheJumpAndTheTailRepeatsTheLoopStart) {
    SPiece piece = OneBarPiece();
    piece.notes = {
        {0, 400, 0, 60, 90},                    // on the downbeat, runs past the tail
        {kTicksPerBar - 192, 1000, 0, 62, 90},  // would ring across the loop end
        {-192, 400, 0, 64, 90},                 // pick-up that would ring into the loop
    };
    int32_t end = 0;
    std::vector<SHeardNote> notes = NotesOf(piece, end);
    const int32_t loopEnd = kLoopStart + kTicksPerBar;
    EXPECT_EQ(end, loopEnd + kLoopTail);
    ASSERT_EQ(notes.size(), 4u);
    // Sorted by start: pick-up, downbeat, last note, repeated downbeat.
    EXPECT_EQ(notes[0].on, kLoopStart - 192 + kNoteDelay);
    EXPECT_LT(notes[0].off, kLoopStart);
    EXPECT_EQ(notes[1].on, kLoopStart + kNoteDelay);
    EXPECT_EQ(notes[1].off, kLoopStart + kNoteDelay + 400);
    EXPECT_EQ(notes[2].key, 62);
    EXPECT_LT(notes[2].off, loopEnd);
    EXPECT_EQ(notes[3].key, 60);
    EXPECT_EQ(notes[3].on, notes[1].on + kTicksPerBar);
    EXPECT_EQ(notes[3].off, end);
}

TEST(LoopLayout, RefusesNotesItCannotPlace) {
    SPiece piece = OneBarPiece();
    piece.notes = {{kTicksPerBar, 100, 0, 60, 90}};  // after the body
    EXPECT_THROW(LayOutPiece(piece), std::invalid_argument);
    piece.notes = {{-kLoopStart - 10, 100, 0, 60, 90}};  // before the file starts
    EXPECT_THROW(LayOutPiece(piece), std::invalid_argument);
    piece.notes = {{0, 100, 3, 60, 90}};  // no part on channel 3
    EXPECT_THROW(LayOutPiece(piece), std::invalid_argument);
    piece.notes = {{0, 400, 0, 60, 90}, {200, 100, 0, 60, 90}};  // key struck while it rings
    EXPECT_THROW(LayOutPiece(piece), std::invalid_argument);
    piece.notes = {{0, 400, 0, 60, 90}, {400, 100, 0, 60, 90}};  // struck as it ends: fine
    EXPECT_NO_THROW(LayOutPiece(piece));
}

}  // namespace
