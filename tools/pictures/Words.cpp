// The words of the game: score digits, GAME OVER and PAUSE.
#include <string>

#include "Painting.h"

using namespace colours;

namespace {
constexpr const char* kLetters = "DejaVu Sans Bold 64px";
}

void DrawDigit(cairo_t* cr, int digit) {
    const std::string text(1, static_cast<char>('0' + digit));
    OutlinedText(cr, "DejaVu Sans Bold 48px", text.c_str(), 20, 20, 39, 39, kGoldLight, kGold, 6);
}

void DrawGameOver(cairo_t* cr) {
    OutlinedText(cr, kLetters, "GAME", 125, 40, 244, 72, kGameOverFill2, kGameOverFill, 9);
    OutlinedText(cr, kLetters, "OVER", 125, 110, 244, 72, kGameOverFill2, kGameOverFill, 9);
}

void DrawPause(cairo_t* cr) {
    OutlinedText(cr, kLetters, "PAUSE", 125, 40, 244, 74, kPauseFill, kPauseFill2, 9);
}
