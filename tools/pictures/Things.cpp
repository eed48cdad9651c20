// The things that fly at the princess, and the player's blast.
#include <cmath>

#include "Painting.h"

using namespace colours;

namespace {

void StarPath(cairo_t* cr, double cx, double cy, double outer, double inner, double turn) {
    for (int i = 0; i < 10; ++i) {
        const double a = -M_PI / 2 + turn + i * M_PI / 5;
        const double r = (i % 2 == 0) ? outer : inner;
        if (i == 0) {
            cairo_move_to(cr, cx + r * std::cos(a), cy + r * std::sin(a));
        } else {
            cairo_line_to(cr, cx + r * std::cos(a), cy + r * std::sin(a));
        }
    }
    cairo_close_path(cr);
}

void Sparkle(cairo_t* cr, double x, double y, double r, Rgb fill, Rgb outline) {
    cairo_move_to(cr, x, y - r);
    cairo_curve_to(cr, x + r * 0.2, y - r * 0.2, x + r * 0.2, y - r * 0.2, x + r, y);
    cairo_curve_to(cr, x + r * 0.2, y + r * 0.2, x + r * 0.2, y + r * 0.2, x, y + r);
    cairo_curve_to(cr, x - r * 0.2, y + r * 0.2, x - r * 0.2, y + r * 0.2, x - r, y);
    cairo_curve_to(cr, x - r * 0.2, y - r * 0.2, x - r * 0.2, y - r * 0.2, x, y - r);
    cairo_close_path(cr);
    FillAndOutline(cr, fill, 1.4, outline);
}

void SetRadial(cairo_t* cr, double cx, double cy, double r, Rgb inner, Rgb outer) {
    cairo_pattern_t* p = cairo_pattern_create_radial(cx, cy, 0, cx, cy, r);
    cairo_pattern_add_color_stop_rgb(p, 0, inner.r / 255.0, inner.g / 255.0, inner.b / 255.0);
    cairo_pattern_add_color_stop_rgb(p, 1, outer.r / 255.0, outer.g / 255.0, outer.b / 255.0);
    cairo_set_source(cr, p);
    cairo_pattern_destroy(p);
}

}  // namespace

void DrawCoin(cairo_t* cr, int frame) {
    constexpr double kCx = 25;
    constexpr double kCy = 25;
    constexpr double kR = 20;
    if (frame == 2) {
        // Edge on: a narrow milled band.
        RoundedRect(cr, kCx - 4.5, kCy - kR, 9, 2 * kR, 4);
        FillAndOutline(cr, kGoldDark, 2.2, kGoldOutline);
        for (double y = kCy - kR + 5; y < kCy + kR - 3; y += 4) {
            cairo_move_to(cr, kCx - 3, y);
            cairo_line_to(cr, kCx + 3, y);
        }
        SetColour(cr, kGold);
        cairo_set_line_width(cr, 1.6);
        cairo_stroke(cr);
        return;
    }
    const double squeeze = frame == 0 ? 1.0 : 0.62;
    if (frame == 1) {
        // The rim shows on one side as the coin turns.
        Ellipse(cr, kCx + 3, kCy, kR * squeeze, kR);
        FillAndOutline(cr, kGoldDark, 2.2, kGoldOutline);
    }
    Ellipse(cr, kCx, kCy, kR * squeeze, kR);
    SetRadial(cr, kCx - 6 * squeeze, kCy - 7, kR * 1.3, kGoldLight, kGold);
    cairo_fill_preserve(cr);
    SetColour(cr, kGoldOutline);
    cairo_set_line_width(cr, 2.2);
    cairo_stroke(cr);
    Ellipse(cr, kCx, kCy, (kR - 4.5) * squeeze, kR - 4.5);
    SetColour(cr, kGoldDark);
    cairo_set_line_width(cr, 1.6);
    cairo_stroke(cr);
    // A star stamped in the middle.
    cairo_save(cr);
    cairo_translate(cr, kCx, kCy + 1);
    cairo_scale(cr, squeeze, 1);
    StarPath(cr, 0, 0, 10, 4.5, 0);
    cairo_restore(cr);
    FillAndOutline(cr, kGoldLight, 1.5, kGoldDark);
    // Shine.
    Ellipse(cr, kCx - 9 * squeeze, kCy - 10, 2.2 * squeeze, 3.5);
    SetColour(cr, kCloud);
    cairo_fill(cr);
}

void DrawBlast(cairo_t* cr, int size) {
    // Small, medium and large discs, a little wider than what they strike.
    static const double kRadius[3] = {9, 19, 27};
    const double r = kRadius[size];
    Circle(cr, 32, 32, r);
    SetColour(cr, kStarLight);
    cairo_fill(cr);
    Circle(cr, 32, 32, r - (size == 0 ? 2 : 3));
    SetColour(cr, kCloud);
    cairo_fill(cr);
}

void DrawBalloon(cairo_t* cr, int which) {
    const Rgb body = which == 0 ? kBalloonGreen : kBalloonPink;
    const Rgb dark = which == 0 ? kBalloonGreenDark : kBalloonPinkDark;
    constexpr double kCx = 24;
    // The string first, so the knot covers its top.
    cairo_move_to(cr, kCx, 58);
    cairo_curve_to(cr, kCx + 7, 67, kCx - 7, 79, kCx + 1, 90);
    SetColour(cr, kString);
    cairo_set_line_width(cr, 1.8);
    cairo_stroke(cr);
    cairo_move_to(cr, kCx, 53);
    cairo_line_to(cr, kCx + 4.5, 60);
    cairo_line_to(cr, kCx - 4.5, 60);
    cairo_close_path(cr);
    FillAndOutline(cr, dark, 1.8);
    auto shape = [&]() {
        cairo_move_to(cr, kCx, 55);
        cairo_curve_to(cr, kCx - 12, 52, kCx - 22.5, 38, kCx - 22.5, 26);
        cairo_curve_to(cr, kCx - 22.5, 10, kCx - 12, 1.5, kCx, 1.5);
        cairo_curve_to(cr, kCx + 12, 1.5, kCx + 22.5, 10, kCx + 22.5, 26);
        cairo_curve_to(cr, kCx + 22.5, 38, kCx + 12, 52, kCx, 55);
        cairo_close_path(cr);
    };
    shape();
    SetColour(cr, body);
    cairo_fill(cr);
    cairo_save(cr);
    shape();
    cairo_clip(cr);
    // Shade on the lower right, away from the light.
    Ellipse(cr, kCx + 16, 40, 16, 26);
    SetColour(cr, dark);
    cairo_fill(cr);
    cairo_restore(cr);
    shape();
    SetColour(cr, kOutline);
    cairo_set_line_width(cr, 2.2);
    cairo_stroke(cr);
    // Highlights, never pure white: white is this sheet's see-through colour.
    cairo_save(cr);
    cairo_translate(cr, kCx - 10, 17);
    cairo_rotate(cr, 0.5);
    Ellipse(cr, 0, 0, 4, 8);
    cairo_restore(cr);
    SetColour(cr, kOffWhite);
    cairo_fill(cr);
    Circle(cr, kCx - 12, 31, 2);
    SetColour(cr, kOffWhite);
    cairo_fill(cr);
}

void DrawBomb(cairo_t* cr) {
    constexpr double kCx = 31;
    constexpr double kCy = 40;
    constexpr double kR = 20;
    // Fuse from the cap to a fizzing spark.
    cairo_move_to(cr, 45, 21);
    cairo_curve_to(cr, 48, 12, 54, 16, 55, 9);
    SetColour(cr, kOutline);
    cairo_set_line_width(cr, 5);
    cairo_stroke(cr);
    cairo_move_to(cr, 45, 21);
    cairo_curve_to(cr, 48, 12, 54, 16, 55, 9);
    SetColour(cr, kFuse);
    cairo_set_line_width(cr, 2.4);
    cairo_stroke(cr);
    Circle(cr, kCx, kCy, kR);
    SetRadial(cr, kCx - 7, kCy - 8, kR * 1.4, kBombLight, kBomb);
    cairo_fill_preserve(cr);
    SetColour(cr, kOutline);
    cairo_set_line_width(cr, 2.4);
    cairo_stroke(cr);
    // The cap.
    cairo_save(cr);
    cairo_translate(cr, 43, 24);
    cairo_rotate(cr, 0.75);
    RoundedRect(cr, -6, -5, 12, 9, 2);
    cairo_restore(cr);
    FillAndOutline(cr, kBombLight, 2.0);
    // Shine.
    cairo_save(cr);
    cairo_translate(cr, kCx - 9, kCy - 9);
    cairo_rotate(cr, -0.7);
    Ellipse(cr, 0, 0, 6, 3.2);
    cairo_restore(cr);
    SetColour(cr, kCloud);
    cairo_fill(cr);
    // The spark.
    StarPath(cr, 56, 8, 7.5, 3.2, 0.3);
    FillAndOutline(cr, kSpark, 1.4, kSunOutline);
    StarPath(cr, 56, 8, 3.6, 1.6, 0.3);
    SetColour(cr, kSunLight);
    cairo_fill(cr);
}

void DrawStar(cairo_t* cr, int frame) {
    static const double kOuter[4] = {25, 27.5, 25, 23};
    static const double kTurn[4] = {0, 0.07, 0, -0.07};
    const double outer = kOuter[frame];
    StarPath(cr, 32, 33, outer, outer * 0.5, kTurn[frame]);
    SetRadial(cr, 28, 28, outer, kStarLight, kStar);
    cairo_fill_preserve(cr);
    SetColour(cr, kStarOutline);
    cairo_set_line_width(cr, 2.6);
    cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
    cairo_stroke(cr);
    // A little face.
    Ellipse(cr, 28, 32, 1.7, 2.6);
    Ellipse(cr, 36, 32, 1.7, 2.6);
    SetColour(cr, kOutline);
    cairo_fill(cr);
    cairo_arc(cr, 32, 36, 3, M_PI * 0.15, M_PI * 0.85);
    cairo_set_line_width(cr, 1.4);
    cairo_stroke(cr);
    // Glints that come and go.
    static const double kGlint[4][3] = {{9, 10, 5}, {55, 12, 6}, {55, 54, 5}, {9, 53, 6}};
    Sparkle(cr, kGlint[frame][0], kGlint[frame][1], kGlint[frame][2], kStarLight, kStarOutline);
    if (frame % 2 == 1) {
        Sparkle(cr, kGlint[(frame + 2) % 4][0], kGlint[(frame + 2) % 4][1], 3, kStarLight,
                kStarOutline);
    }
}

void DrawArrow(cairo_t* cr, double length) {
    // Pointing left: head at x 0, fletching at the far end. 7 pixels high.
    const double shaftEnd = length - 1;
    cairo_rectangle(cr, 6, 2, shaftEnd - 6, 3);
    SetColour(cr, kArrowShaft);
    cairo_fill(cr);
    cairo_rectangle(cr, 6, 4, shaftEnd - 6, 1);
    SetColour(cr, kBark);
    cairo_fill(cr);
    cairo_move_to(cr, shaftEnd - 1, 2);
    cairo_line_to(cr, shaftEnd - 9, 2);
    cairo_line_to(cr, shaftEnd - 6, 3.5);
    cairo_line_to(cr, shaftEnd - 9, 5);
    cairo_line_to(cr, shaftEnd - 1, 5);
    cairo_close_path(cr);
    SetColour(cr, kFeather);
    cairo_fill(cr);
    cairo_move_to(cr, shaftEnd + 0.5, 0.2);
    cairo_line_to(cr, shaftEnd - 7, 0.2);
    cairo_line_to(cr, shaftEnd - 10, 2.2);
    cairo_line_to(cr, shaftEnd - 2, 2.2);
    cairo_close_path(cr);
    cairo_move_to(cr, shaftEnd + 0.5, 6.8);
    cairo_line_to(cr, shaftEnd - 7, 6.8);
    cairo_line_to(cr, shaftEnd - 10, 4.8);
    cairo_line_to(cr, shaftEnd - 2, 4.8);
    cairo_close_path(cr);
    SetColour(cr, kFeather);
    cairo_fill(cr);
    cairo_move_to(cr, 0, 3.5);
    cairo_line_to(cr, 9, 0.3);
    cairo_line_to(cr, 7.5, 3.5);
    cairo_line_to(cr, 9, 6.7);
    cairo_close_path(cr);
    SetColour(cr, kArrowHead);
    cairo_fill(cr);
    cairo_move_to(cr, 1, 3.5);
    cairo_line_to(cr, 8.5, 1.3);
    cairo_line_to(cr, 7, 3.5);
    cairo_close_path(cr);
    SetColour(cr, kArrowHeadLight);
    cairo_fill(cr);
}

void DrawDrop(cairo_t* cr) {
    // Round in front (up and to the left, where it flies), pointed behind.
    cairo_move_to(cr, 7.6, 7.6);
    cairo_curve_to(cr, 5.5, 7.4, 0.4, 6.5, 0.6, 3.4);
    cairo_curve_to(cr, 0.7, 1.2, 2.2, 0.4, 3.6, 0.6);
    cairo_curve_to(cr, 6.6, 0.8, 7.4, 5.5, 7.6, 7.6);
    cairo_close_path(cr);
    FillAndOutline(cr, kDrop, 1.0, kDropDark);
    cairo_rectangle(cr, 2, 2, 1.5, 1.5);
    SetColour(cr, kCloud);
    cairo_fill(cr);
}
