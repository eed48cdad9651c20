// The people of the game: the princess, the monkey archer, her speech
// bubbles and the window icon.
#include <cmath>

#include "Painting.h"

using namespace colours;

namespace {

void Crown(cairo_t* cr, double cx, double base, double width, double height, double line) {
    const double l = cx - width / 2;
    const double r = cx + width / 2;
    cairo_move_to(cr, l, base);
    cairo_line_to(cr, l - width * 0.06, base - height);
    cairo_line_to(cr, l + width * 0.27, base - height * 0.45);
    cairo_line_to(cr, cx, base - height * 1.15);
    cairo_line_to(cr, r - width * 0.27, base - height * 0.45);
    cairo_line_to(cr, r + width * 0.06, base - height);
    cairo_line_to(cr, r, base);
    cairo_close_path(cr);
    FillAndOutline(cr, kGold, line, kGoldOutline);
    Circle(cr, cx, base - height * 0.35, width * 0.09);
    FillAndOutline(cr, kRuby, line * 0.6, kGoldOutline);
    for (double side : {-1.0, 1.0}) {
        Circle(cr, cx + side * width * 0.56, base - height * 1.02, width * 0.07);
        Circle(cr, cx, base - height * 1.17, width * 0.07);
    }
    FillAndOutline(cr, kGoldLight, line * 0.5, kGoldOutline);
}

// The princess's face: head, fringe, eyes, mouth. `scale` 1 is her size in
// the game; the icon draws her face bigger.
void PrincessHead(cairo_t* cr, double cx, double cy, double r, bool shrieking, double line) {
    Circle(cr, cx, cy, r);
    FillAndOutline(cr, kSkin, line);
    // Fringe of hair.
    cairo_move_to(cr, cx - r - 0.5, cy + r * 0.1);
    cairo_curve_to(cr, cx - r * 1.1, cy - r * 1.0, cx + r * 1.1, cy - r * 1.25, cx + r + 0.5,
                   cy + r * 0.1);
    cairo_curve_to(cr, cx + r * 0.8, cy - r * 0.35, cx + r * 0.45, cy - r * 0.45, cx + r * 0.2,
                   cy - r * 0.5);
    cairo_curve_to(cr, cx + r * 0.1, cy - r * 0.25, cx - r * 0.1, cy - r * 0.2, cx - r * 0.25,
                   cy - r * 0.45);
    cairo_curve_to(cr, cx - r * 0.5, cy - r * 0.3, cx - r * 0.8, cy - r * 0.3, cx - r - 0.5,
                   cy + r * 0.1);
    cairo_close_path(cr);
    FillAndOutline(cr, kHair, line);
    // Eyes with a glint each.
    for (double side : {-1.0, 1.0}) {
        Ellipse(cr, cx + side * r * 0.38, cy + r * 0.12, r * 0.15, r * 0.24);
        SetColour(cr, kOutline);
        cairo_fill(cr);
        Circle(cr, cx + side * r * 0.38 + r * 0.05, cy + r * 0.02, r * 0.075);
        SetColour(cr, kCloud);
        cairo_fill(cr);
        Ellipse(cr, cx + side * r * 0.62, cy + r * 0.45, r * 0.17, r * 0.1);
        SetColour(cr, kBlush);
        cairo_fill(cr);
    }
    if (shrieking) {
        // Worried brows and an open mouth.
        for (double side : {-1.0, 1.0}) {
            cairo_move_to(cr, cx + side * r * 0.22, cy - r * 0.2);
            cairo_line_to(cr, cx + side * r * 0.55, cy - r * 0.1);
        }
        SetColour(cr, kHairDark);
        cairo_set_line_width(cr, line * 0.8);
        cairo_stroke(cr);
        Ellipse(cr, cx, cy + r * 0.6, r * 0.16, r * 0.22);
        FillAndOutline(cr, kMouth, line * 0.6);
    } else {
        cairo_arc(cr, cx, cy + r * 0.35, r * 0.25, M_PI * 0.2, M_PI * 0.8);
        SetColour(cr, kOutline);
        cairo_set_line_width(cr, line * 0.7);
        cairo_stroke(cr);
    }
}

}  // namespace

void DrawPrincess(cairo_t* cr) {
    constexpr double kCx = 40;
    constexpr double kLine = 2.0;
    // Long hair behind her.
    cairo_move_to(cr, kCx - 16, 30);
    cairo_curve_to(cr, kCx - 26, 46, kCx - 24, 66, kCx - 18, 74);
    cairo_line_to(cr, kCx + 18, 74);
    cairo_curve_to(cr, kCx + 24, 66, kCx + 26, 46, kCx + 16, 30);
    cairo_close_path(cr);
    FillAndOutline(cr, kHairDark, kLine);

    // The dress: a bell skirt with a wavy hem.
    auto skirt = [&]() {
        cairo_move_to(cr, kCx - 11, 56);
        cairo_line_to(cr, kCx + 11, 56);
        cairo_curve_to(cr, kCx + 12, 64, kCx + 14, 70, kCx + 16, 74);
        cairo_curve_to(cr, kCx + 22, 84, kCx + 27, 96, kCx + 28, 104);
        for (int i = 0; i < 5; ++i) {
            const double x0 = kCx + 28 - i * 11.2;
            cairo_curve_to(cr, x0 - 3, 109, x0 - 8, 109, x0 - 11.2, 104);
        }
        cairo_curve_to(cr, kCx - 27, 96, kCx - 22, 84, kCx - 16, 74);
        cairo_curve_to(cr, kCx - 14, 70, kCx - 12, 64, kCx - 11, 56);
        cairo_close_path(cr);
    };
    // Shoes peeping out below.
    Ellipse(cr, kCx - 7, 108, 6, 3.5);
    Ellipse(cr, kCx + 7, 108, 6, 3.5);
    FillAndOutline(cr, kDressDark, kLine);
    skirt();
    SetColour(cr, kDress);
    cairo_fill(cr);
    cairo_save(cr);
    skirt();
    cairo_clip(cr);
    // A pale front panel and a shaded side.
    cairo_move_to(cr, kCx - 5, 70);
    cairo_line_to(cr, kCx + 5, 70);
    cairo_line_to(cr, kCx + 12, 112);
    cairo_line_to(cr, kCx - 12, 112);
    cairo_close_path(cr);
    SetColour(cr, kDressLight);
    cairo_fill(cr);
    Ellipse(cr, kCx + 30, 96, 14, 40);
    SetColour(cr, kDressDark);
    cairo_fill(cr);
    cairo_restore(cr);
    skirt();
    SetColour(cr, kOutline);
    cairo_set_line_width(cr, kLine);
    cairo_stroke(cr);
    // A sash at the waist with a bow.
    RoundedRect(cr, kCx - 14, 68, 28, 6, 2.5);
    FillAndOutline(cr, kDressLight, kLine * 0.8);
    Circle(cr, kCx, 71, 3.2);
    FillAndOutline(cr, kRuby, kLine * 0.8);

    // Both arms thrown up beside her head: she calls for help.
    for (double side : {-1.0, 1.0}) {
        cairo_move_to(cr, kCx + side * 10, 60);
        cairo_line_to(cr, kCx + side * 21, 53);
        cairo_line_to(cr, kCx + side * 25, 41);
        cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
        cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
        SetColour(cr, kOutline);
        cairo_set_line_width(cr, 8.6);
        cairo_stroke_preserve(cr);
        SetColour(cr, kSkin);
        cairo_set_line_width(cr, 5);
        cairo_stroke(cr);
        cairo_set_line_cap(cr, CAIRO_LINE_CAP_BUTT);
        // An open hand.
        Ellipse(cr, kCx + side * 26, 38, 4.4, 5);
        FillAndOutline(cr, kSkin, 1.8);
    }
    // Puffed sleeves.
    Circle(cr, kCx - 11, 59, 5.5);
    Circle(cr, kCx + 11, 59, 5.5);
    FillAndOutline(cr, kDressLight, kLine);
    // Neck.
    RoundedRect(cr, kCx - 3.5, 48, 7, 9, 2);
    FillAndOutline(cr, kSkinShade, 1.6);

    PrincessHead(cr, kCx, 35, 16.5, true, kLine);
    Crown(cr, kCx, 20, 18, 13, 1.8);
}

void DrawIconPicture(cairo_t* cr) {
    // The princess's face with her crown, filling the icon.
    cairo_move_to(cr, 5, 14);
    cairo_curve_to(cr, 1, 22, 2, 28, 6, 31);
    cairo_line_to(cr, 26, 31);
    cairo_curve_to(cr, 30, 28, 31, 22, 27, 14);
    cairo_close_path(cr);
    FillAndOutline(cr, kHairDark, 1.4);
    PrincessHead(cr, 16, 19, 11, false, 1.4);
    Crown(cr, 16, 10, 13, 8, 1.2);
}

namespace {

struct Pose {
    // Where the bow hand holds the grip, how the bow is turned (radians,
    // 0 = upright), where the drawing hand is, and the arrow (tip to nock),
    // if one shows.
    double gripX, gripY, bowTurn;
    double handX, handY;
    bool stringToHand;
    bool arrow;
    double tipX, tipY, nockX, nockY;
    bool released;
};

void Arrow(cairo_t* cr, double tipX, double tipY, double nockX, double nockY) {
    const double len = std::hypot(nockX - tipX, nockY - tipY);
    cairo_save(cr);
    cairo_translate(cr, tipX, tipY);
    cairo_rotate(cr, std::atan2(nockY - tipY, nockX - tipX));
    // Drawn pointing left from the origin, in its own length.
    cairo_translate(cr, 0, -3.5);
    DrawArrow(cr, len);
    cairo_restore(cr);
}

}  // namespace

void DrawArcher(cairo_t* cr, int pose) {
    static const Pose kPoses[5] = {
        // Bow down in the left hand; the right hand holds the arrow up.
        {10, 64, 0.05, 56, 30, false, true, 52, 4, 58, 42, false},
        // Fitting the arrow against the bow.
        {9, 47, 0.0, 34, 39, false, true, 6, 50, 35, 38, false},
        // Drawing the bow.
        {9, 47, 0.0, 36, 47, true, true, 1, 47, 37, 47, false},
        // Full draw, aiming left.
        {9, 47, 0.0, 46, 47, true, true, 8, 47, 46, 47, false},
        // Just released: the string springs back, the hand flies open.
        {9, 47, 0.0, 58, 42, false, false, 0, 0, 0, 0, true},
    };
    const Pose& p = kPoses[pose];
    constexpr double kLine = 2.0;

    // Tail curling behind him.
    cairo_move_to(cr, 52, 74);
    cairo_curve_to(cr, 66, 76, 70, 62, 64, 54);
    cairo_curve_to(cr, 60, 48, 54, 54, 59, 58);
    SetColour(cr, kOutline);
    cairo_set_line_width(cr, 6.5);
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
    cairo_stroke(cr);
    cairo_move_to(cr, 52, 74);
    cairo_curve_to(cr, 66, 76, 70, 62, 64, 54);
    cairo_curve_to(cr, 60, 48, 54, 54, 59, 58);
    SetColour(cr, kFur);
    cairo_set_line_width(cr, 3);
    cairo_stroke(cr);
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_BUTT);

    // Legs and feet.
    OutlinedLine(cr, 38, 72, 34, 84, 7, kFur, kLine);
    OutlinedLine(cr, 50, 72, 52, 84, 7, kFur, kLine);
    Ellipse(cr, 30, 87, 7, 3.5);
    Ellipse(cr, 50, 87, 7, 3.5);
    FillAndOutline(cr, kFace, kLine);

    // Body with a pale belly, and a green tunic strap.
    Ellipse(cr, 44, 60, 13, 16);
    FillAndOutline(cr, kFur, kLine);
    Ellipse(cr, 40, 63, 7.5, 10);
    SetColour(cr, kFace);
    cairo_fill(cr);

    // The quiver on his back.
    cairo_save(cr);
    cairo_translate(cr, 56, 52);
    cairo_rotate(cr, 0.35);
    RoundedRect(cr, -4, -14, 8, 22, 2);
    FillAndOutline(cr, kBarkDark, 1.6);
    for (double dx : {-2.0, 1.5}) {
        cairo_move_to(cr, dx, -14);
        cairo_line_to(cr, dx + 1, -20);
        SetColour(cr, kFeather);
        cairo_set_line_width(cr, 2.4);
        cairo_stroke(cr);
    }
    cairo_restore(cr);

    // Head: fur, ear, face mask, muzzle, eye, and a feathered cap.
    Circle(cr, 57, 26, 5.5);
    FillAndOutline(cr, kFur, kLine);
    Circle(cr, 57, 26, 2.8);
    SetColour(cr, kFace);
    cairo_fill(cr);
    Circle(cr, 44, 29, 14);
    FillAndOutline(cr, kFur, kLine);
    cairo_move_to(cr, 42, 20);
    cairo_curve_to(cr, 38, 16, 29, 18, 29, 25);
    cairo_curve_to(cr, 26, 30, 28, 40, 38, 41);
    cairo_curve_to(cr, 46, 41, 48, 34, 45, 30);
    cairo_curve_to(cr, 48, 26, 47, 21, 42, 20);
    cairo_close_path(cr);
    FillAndOutline(cr, kFace, 1.5);
    Ellipse(cr, 31, 34, 6, 5);
    FillAndOutline(cr, kFace, 1.5);
    Circle(cr, 27, 32, 1.1);
    SetColour(cr, kOutline);
    cairo_fill(cr);
    const bool squint = pose == 3;
    if (squint) {
        cairo_move_to(cr, 33, 26);
        cairo_line_to(cr, 39, 25);
        SetColour(cr, kOutline);
        cairo_set_line_width(cr, 2);
        cairo_stroke(cr);
    } else {
        Ellipse(cr, 36, 26, 2.4, 3.2);
        SetColour(cr, kOutline);
        cairo_fill(cr);
        Circle(cr, 35.4, 25, 0.9);
        SetColour(cr, kCloud);
        cairo_fill(cr);
    }
    cairo_arc(cr, 33, 36, 3, M_PI * 0.2, M_PI * 0.8);
    SetColour(cr, kOutline);
    cairo_set_line_width(cr, 1.3);
    cairo_stroke(cr);
    // The cap, with its feather.
    cairo_move_to(cr, 30, 18);
    cairo_curve_to(cr, 36, 8, 50, 6, 60, 14);
    cairo_line_to(cr, 56, 18);
    cairo_curve_to(cr, 48, 14, 38, 15, 30, 18);
    cairo_close_path(cr);
    FillAndOutline(cr, kCap, 1.6);
    cairo_move_to(cr, 52, 12);
    cairo_curve_to(cr, 56, 4, 62, 2, 66, 3);
    cairo_curve_to(cr, 62, 6, 58, 10, 54, 14);
    cairo_close_path(cr);
    FillAndOutline(cr, kFeather, 1.4);

    // The bow: a curved stave and its string.
    const double limb = 27;
    const double ca = std::cos(p.bowTurn);
    const double sa = std::sin(p.bowTurn);
    auto at = [&](double lx, double ly, double* x, double* y) {
        *x = p.gripX + lx * ca - ly * sa;
        *y = p.gripY + lx * sa + ly * ca;
    };
    double topX, topY, botX, botY, c1x, c1y, c2x, c2y;
    at(10, -limb, &topX, &topY);
    at(10, limb, &botX, &botY);
    at(-3, -limb * 0.6, &c1x, &c1y);
    at(-3, limb * 0.6, &c2x, &c2y);
    // The string, behind the stave.
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
    cairo_move_to(cr, topX, topY);
    if (p.stringToHand) {
        cairo_line_to(cr, p.handX - 2, p.handY);
    }
    cairo_line_to(cr, botX, botY);
    SetColour(cr, kOutline);
    cairo_set_line_width(cr, 1.6);
    cairo_stroke(cr);
    if (p.released) {
        // The string still trembles.
        for (double dx : {-3.0, 3.0}) {
            cairo_move_to(cr, topX, topY);
            cairo_curve_to(cr, topX + dx, topY + 18, botX + dx, botY - 18, botX, botY);
            SetColour(cr, kBowString);
            cairo_set_line_width(cr, 1.3);
            cairo_stroke(cr);
        }
    }
    cairo_move_to(cr, topX, topY);
    cairo_curve_to(cr, c1x, c1y, c2x, c2y, botX, botY);
    SetColour(cr, kOutline);
    cairo_set_line_width(cr, 5.5);
    cairo_stroke(cr);
    cairo_move_to(cr, topX, topY);
    cairo_curve_to(cr, c1x, c1y, c2x, c2y, botX, botY);
    SetColour(cr, kBow);
    cairo_set_line_width(cr, 2.6);
    cairo_stroke(cr);
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_BUTT);

    if (p.released) {
        // Whoosh lines where the arrow went.
        for (double y : {43.0, 47.0, 51.0}) {
            cairo_move_to(cr, 0, y);
            cairo_line_to(cr, 6 - std::fabs(y - 47), y);
            SetColour(cr, kCloud);
            cairo_set_line_width(cr, 1.6);
            cairo_stroke(cr);
        }
    }

    // Arms last, over the body: the bow arm to the grip, then the arrow
    // resting on it, then the other arm, whose hand holds the arrow's end.
    OutlinedLine(cr, 38, 53, p.gripX + 2, p.gripY + 1, 5, kFur, 1.8);
    Circle(cr, p.gripX + 1, p.gripY + 1, 3.6);
    FillAndOutline(cr, kFace, 1.6);
    if (p.arrow) {
        Arrow(cr, p.tipX, p.tipY, p.nockX, p.nockY);
    }
    OutlinedLine(cr, 48, 52, p.handX, p.handY, 5, kFur, 1.8);
    Circle(cr, p.handX, p.handY, 3.6);
    FillAndOutline(cr, kFace, 1.6);
}

void DrawShout(cairo_t* cr, int which) {
    if (which == 0) {
        // A jagged burst for the shriek, its point toward her face on the right.
        const int spikes = 14;
        cairo_move_to(cr, 67, 44);
        for (int i = 0; i <= spikes; ++i) {
            const double a = 0.55 + 2 * M_PI * i / spikes;
            const double r = (i % 2 == 0) ? 1.0 : 0.8;
            const double x = 35 + 33 * r * std::cos(a);
            const double y = 20 + 18.5 * r * std::sin(a);
            if (i == 0) {
                cairo_line_to(cr, 57, 34);
            }
            cairo_line_to(cr, x, y);
        }
        cairo_line_to(cr, 60, 31);
        cairo_close_path(cr);
        FillAndOutline(cr, kShriek, 2.0);
        OutlinedText(cr, "IPAPGothic Bold 15px", "キャー！", 34, 20, 50, 20, kWordRed, kWordRed,
                     0.1, kWordRed);
    } else {
        // A round bubble for the cry for help.
        cairo_move_to(cr, 54, 34);
        cairo_line_to(cr, 68, 45);
        cairo_line_to(cr, 44, 37);
        cairo_close_path(cr);
        FillAndOutline(cr, kBubble, 2.0);
        Ellipse(cr, 34, 20, 32.5, 16.5);
        FillAndOutline(cr, kBubble, 2.0);
        // Cover the tail's root so the bubble reads as one shape.
        Ellipse(cr, 34, 20, 31.4, 15.4);
        SetColour(cr, kBubble);
        cairo_fill(cr);
        OutlinedText(cr, "IPAPGothic Bold 13px", "たすけて！", 34, 20, 54, 18, kWordBlue, kWordBlue,
                     0.1, kWordBlue);
    }
}
