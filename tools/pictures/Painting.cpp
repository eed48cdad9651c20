#include "Painting.h"

#include <pango/pangocairo.h>

#include <algorithm>
#include <cmath>

void SetColour(cairo_t* cr, Rgb c, double alpha) {
    cairo_set_source_rgba(cr, c.r / 255.0, c.g / 255.0, c.b / 255.0, alpha);
}

Rgb Mix(Rgb a, Rgb b, double t) {
    auto mix = [t](uint8_t x, uint8_t y) {
        return static_cast<uint8_t>(std::lround(x + (y - x) * t));
    };
    return Rgb{mix(a.r, b.r), mix(a.g, b.g), mix(a.b, b.b)};
}

void FillAndOutline(cairo_t* cr, Rgb fill, double lineWidth, Rgb outline) {
    SetColour(cr, fill);
    cairo_fill_preserve(cr);
    SetColour(cr, outline);
    cairo_set_line_width(cr, lineWidth);
    cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
    cairo_stroke(cr);
}

void Ellipse(cairo_t* cr, double cx, double cy, double rx, double ry) {
    cairo_save(cr);
    cairo_translate(cr, cx, cy);
    cairo_scale(cr, rx, ry);
    cairo_new_sub_path(cr);
    cairo_arc(cr, 0, 0, 1, 0, 2 * M_PI);
    cairo_restore(cr);
}

void Circle(cairo_t* cr, double cx, double cy, double r) {
    cairo_new_sub_path(cr);
    cairo_arc(cr, cx, cy, r, 0, 2 * M_PI);
}

void RoundedRect(cairo_t* cr, double x, double y, double w, double h, double r) {
    cairo_new_sub_path(cr);
    cairo_arc(cr, x + w - r, y + r, r, -M_PI / 2, 0);
    cairo_arc(cr, x + w - r, y + h - r, r, 0, M_PI / 2);
    cairo_arc(cr, x + r, y + h - r, r, M_PI / 2, M_PI);
    cairo_arc(cr, x + r, y + r, r, M_PI, 1.5 * M_PI);
    cairo_close_path(cr);
}

void OutlinedLine(cairo_t* cr, double x1, double y1, double x2, double y2, double width, Rgb fill,
                  double outlineWidth, Rgb outline) {
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
    cairo_move_to(cr, x1, y1);
    cairo_line_to(cr, x2, y2);
    SetColour(cr, outline);
    cairo_set_line_width(cr, width + 2 * outlineWidth);
    cairo_stroke(cr);
    cairo_move_to(cr, x1, y1);
    cairo_line_to(cr, x2, y2);
    SetColour(cr, fill);
    cairo_set_line_width(cr, width);
    cairo_stroke(cr);
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_BUTT);
}

void SetVerticalGradient(cairo_t* cr, double y0, Rgb top, double y1, Rgb bottom) {
    cairo_pattern_t* p = cairo_pattern_create_linear(0, y0, 0, y1);
    cairo_pattern_add_color_stop_rgb(p, 0, top.r / 255.0, top.g / 255.0, top.b / 255.0);
    cairo_pattern_add_color_stop_rgb(p, 1, bottom.r / 255.0, bottom.g / 255.0, bottom.b / 255.0);
    cairo_set_source(cr, p);
    cairo_pattern_destroy(p);
}

void OutlinedText(cairo_t* cr, const char* font, const char* utf8, double cx, double cy,
                  double maxWidth, double maxHeight, Rgb fillTop, Rgb fillBottom,
                  double outlineWidth, Rgb outline) {
    PangoLayout* layout = pango_cairo_create_layout(cr);
    PangoFontDescription* desc = pango_font_description_from_string(font);
    pango_layout_set_font_description(layout, desc);
    pango_font_description_free(desc);
    pango_layout_set_text(layout, utf8, -1);
    PangoRectangle ink;
    PangoRectangle logical;
    pango_layout_get_pixel_extents(layout, &ink, &logical);
    const double fitW = maxWidth - outlineWidth;
    const double fitH = maxHeight - outlineWidth;
    const double scale =
        std::min({1.0, fitW / std::max(1, ink.width), fitH / std::max(1, ink.height)});
    cairo_save(cr);
    cairo_translate(cr, cx, cy);
    cairo_scale(cr, scale, scale);
    cairo_translate(cr, -(ink.x + ink.width / 2.0), -(ink.y + ink.height / 2.0));
    cairo_new_path(cr);
    pango_cairo_layout_path(cr, layout);
    cairo_path_t* path = cairo_copy_path(cr);
    cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
    SetColour(cr, outline);
    cairo_set_line_width(cr, outlineWidth / scale);
    cairo_stroke(cr);
    cairo_append_path(cr, path);
    SetVerticalGradient(cr, ink.y, fillTop, ink.y + ink.height, fillBottom);
    cairo_fill(cr);
    cairo_path_destroy(path);
    cairo_restore(cr);
    g_object_unref(layout);
}

std::vector<Rgb> NamedColours() {
    using namespace colours;
    return {kOutline,
            kSoftOutline,
            kSkyTop,
            kSkyBottom,
            kSeaLight,
            kSeaMid,
            kSeaDeep,
            kFoam,
            kSand,
            kSandShade,
            kWetSand,
            kGrass,
            kGrassDark,
            kLeaf,
            kLeafLight,
            kLeafDark,
            kBark,
            kBarkDark,
            kCoconut,
            kCloud,
            kCloudShade,
            kSun,
            kSunLight,
            kSunRay,
            kSunOutline,
            kGold,
            kGoldLight,
            kGoldDark,
            kGoldOutline,
            kBomb,
            kBombLight,
            kFuse,
            kSpark,
            kStar,
            kStarLight,
            kStarOutline,
            kBalloonGreen,
            kBalloonGreenDark,
            kBalloonPink,
            kBalloonPinkDark,
            kOffWhite,
            kString,
            kSkin,
            kSkinShade,
            kBlush,
            kHair,
            kHairDark,
            kDress,
            kDressLight,
            kDressDark,
            kJewel,
            kRuby,
            kMouth,
            kFur,
            kFurDark,
            kFace,
            kCap,
            kFeather,
            kBow,
            kBowString,
            kArrowShaft,
            kArrowHead,
            kArrowHeadLight,
            kDrop,
            kDropDark,
            kBubble,
            kShriek,
            kWordRed,
            kWordBlue,
            kTitleFill,
            kTitleFill2,
            kGameOverFill,
            kGameOverFill2,
            kPauseFill,
            kPauseFill2};
}
