// Drawing helpers shared by the pictures, and the named colours of the
// game's look. Every picture is drawn in one cartoon style: flat bright
// fills, a lighter or darker patch for shape, and a dark outline.
#pragma once

#include <cairo.h>

#include <vector>

#include "Palette.h"

namespace colours {
constexpr Rgb kOutline{48, 30, 44};
constexpr Rgb kSoftOutline{96, 116, 160};

constexpr Rgb kSkyTop{52, 128, 222};
constexpr Rgb kSkyBottom{196, 230, 252};

constexpr Rgb kSeaLight{86, 190, 232};
constexpr Rgb kSeaMid{40, 140, 210};
constexpr Rgb kSeaDeep{22, 86, 170};
constexpr Rgb kFoam{236, 248, 252};

constexpr Rgb kSand{250, 222, 150};
constexpr Rgb kSandShade{226, 184, 112};
constexpr Rgb kWetSand{196, 150, 96};
constexpr Rgb kGrass{96, 190, 70};
constexpr Rgb kGrassDark{48, 132, 56};
constexpr Rgb kLeaf{70, 176, 72};
constexpr Rgb kLeafLight{132, 214, 96};
constexpr Rgb kLeafDark{34, 118, 60};
constexpr Rgb kBark{170, 112, 60};
constexpr Rgb kBarkDark{118, 72, 40};
constexpr Rgb kCoconut{120, 76, 42};

constexpr Rgb kCloud{255, 255, 255};
constexpr Rgb kCloudShade{208, 224, 244};

constexpr Rgb kSun{255, 216, 48};
constexpr Rgb kSunLight{255, 244, 150};
constexpr Rgb kSunRay{255, 170, 40};
constexpr Rgb kSunOutline{196, 96, 20};

constexpr Rgb kGold{255, 204, 40};
constexpr Rgb kGoldLight{255, 238, 140};
constexpr Rgb kGoldDark{214, 140, 20};
constexpr Rgb kGoldOutline{130, 74, 16};

constexpr Rgb kBomb{52, 54, 78};
constexpr Rgb kBombLight{112, 118, 156};
constexpr Rgb kFuse{206, 170, 110};
constexpr Rgb kSpark{255, 120, 30};

constexpr Rgb kStar{255, 226, 60};
constexpr Rgb kStarLight{255, 248, 180};
constexpr Rgb kStarOutline{200, 110, 20};

constexpr Rgb kBalloonGreen{84, 204, 88};
constexpr Rgb kBalloonGreenDark{38, 146, 64};
constexpr Rgb kBalloonPink{252, 124, 178};
constexpr Rgb kBalloonPinkDark{214, 70, 130};
constexpr Rgb kOffWhite{242, 246, 250};
constexpr Rgb kString{120, 104, 100};

constexpr Rgb kSkin{255, 222, 190};
constexpr Rgb kSkinShade{240, 186, 150};
constexpr Rgb kBlush{255, 150, 150};
constexpr Rgb kHair{255, 196, 70};
constexpr Rgb kHairDark{214, 140, 40};
constexpr Rgb kDress{255, 120, 170};
constexpr Rgb kDressLight{255, 180, 210};
constexpr Rgb kDressDark{214, 70, 130};
constexpr Rgb kJewel{60, 140, 255};
constexpr Rgb kRuby{230, 40, 70};
constexpr Rgb kMouth{200, 50, 60};

constexpr Rgb kFur{150, 96, 52};
constexpr Rgb kFurDark{110, 66, 36};
constexpr Rgb kFace{244, 206, 160};
constexpr Rgb kCap{64, 160, 72};
constexpr Rgb kFeather{232, 60, 60};
constexpr Rgb kBow{186, 110, 44};
constexpr Rgb kBowString{236, 232, 220};
constexpr Rgb kArrowShaft{200, 150, 90};
constexpr Rgb kArrowHead{150, 160, 176};
constexpr Rgb kArrowHeadLight{218, 226, 236};

constexpr Rgb kDrop{140, 208, 250};
constexpr Rgb kDropDark{52, 120, 200};

constexpr Rgb kBubble{255, 255, 255};
constexpr Rgb kShriek{255, 246, 150};
constexpr Rgb kWordRed{220, 30, 50};
constexpr Rgb kWordBlue{30, 70, 170};

constexpr Rgb kTitleFill{255, 236, 90};
constexpr Rgb kTitleFill2{255, 150, 40};
constexpr Rgb kGameOverFill{255, 90, 70};
constexpr Rgb kGameOverFill2{255, 190, 60};
constexpr Rgb kPauseFill{120, 220, 255};
constexpr Rgb kPauseFill2{60, 140, 240};
}  // namespace colours

void SetColour(cairo_t* cr, Rgb c, double alpha = 1.0);
Rgb Mix(Rgb a, Rgb b, double t);

// Fills the current path with `fill`, then strokes it with the outline.
void FillAndOutline(cairo_t* cr, Rgb fill, double lineWidth, Rgb outline = colours::kOutline);
void Ellipse(cairo_t* cr, double cx, double cy, double rx, double ry);
void Circle(cairo_t* cr, double cx, double cy, double r);
void RoundedRect(cairo_t* cr, double x, double y, double w, double h, double r);
// A thick round-capped stroke with an outline, for arms, strings, trunks.
void OutlinedLine(cairo_t* cr, double x1, double y1, double x2, double y2, double width, Rgb fill,
                  double outlineWidth, Rgb outline = colours::kOutline);
// A vertical gradient from `top` at y0 to `bottom` at y1 as the source.
void SetVerticalGradient(cairo_t* cr, double y0, Rgb top, double y1, Rgb bottom);

// Words drawn centred on (cx, cy), shrunk to fit maxWidth x maxHeight:
// an outline of `outlineWidth` around a fill with a top-to-bottom gradient.
void OutlinedText(cairo_t* cr, const char* font, const char* utf8, double cx, double cy,
                  double maxWidth, double maxHeight, Rgb fillTop, Rgb fillBottom,
                  double outlineWidth, Rgb outline = colours::kOutline);

// The pictures, each drawn with its top-left corner at the origin.
void DrawSky(cairo_t* cr, double width, double height);
void DrawSea(cairo_t* cr);
void DrawIsland(cairo_t* cr);
void DrawCloud(cairo_t* cr);
void DrawSun(cairo_t* cr, int frame);
void DrawPalm(cairo_t* cr, int frame);
void DrawTitle(cairo_t* cr);

void DrawPrincess(cairo_t* cr);
void DrawArcher(cairo_t* cr, int pose);
void DrawShout(cairo_t* cr, int which);
void DrawIconPicture(cairo_t* cr);

void DrawCoin(cairo_t* cr, int frame);
void DrawBlast(cairo_t* cr, int size);
void DrawBalloon(cairo_t* cr, int which);
void DrawBomb(cairo_t* cr);
void DrawStar(cairo_t* cr, int frame);
void DrawArrow(cairo_t* cr, double length);
void DrawDrop(cairo_t* cr);

void DrawDigit(cairo_t* cr, int digit);
void DrawGameOver(cairo_t* cr);
void DrawPause(cairo_t* cr);

// Every named colour above, for the palette.
std::vector<Rgb> NamedColours();
