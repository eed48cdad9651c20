// The background pictures: sky, sea, islands, cloud, sun, palm tree and the
// title screen that puts them together.
#include <cmath>
#include <vector>

#include "Painting.h"

using namespace colours;

namespace {

struct Point {
    double x;
    double y;
};

Point Bezier(Point a, Point b, Point c, Point d, double t) {
    const double u = 1 - t;
    return Point{u * u * u * a.x + 3 * u * u * t * b.x + 3 * u * t * t * c.x + t * t * t * d.x,
                 u * u * u * a.y + 3 * u * u * t * b.y + 3 * u * t * t * c.y + t * t * t * d.y};
}

// A little glint: a four-pointed sparkle.
void Glint(cairo_t* cr, double x, double y, double r, Rgb colour) {
    cairo_move_to(cr, x, y - r);
    cairo_curve_to(cr, x + r * 0.15, y - r * 0.15, x + r * 0.15, y - r * 0.15, x + r, y);
    cairo_curve_to(cr, x + r * 0.15, y + r * 0.15, x + r * 0.15, y + r * 0.15, x, y + r);
    cairo_curve_to(cr, x - r * 0.15, y + r * 0.15, x - r * 0.15, y + r * 0.15, x - r, y);
    cairo_curve_to(cr, x - r * 0.15, y - r * 0.15, x - r * 0.15, y - r * 0.15, x, y - r);
    cairo_close_path(cr);
    SetColour(cr, colour);
    cairo_fill(cr);
}

void GrassTuft(cairo_t* cr, double x, double y, double size) {
    cairo_move_to(cr, x - size, y);
    cairo_curve_to(cr, x - size * 0.8, y - size * 0.6, x - size * 1.1, y - size, x - size * 1.2,
                   y - size * 1.3);
    cairo_curve_to(cr, x - size * 0.5, y - size, x - size * 0.3, y - size * 0.6, x - size * 0.2,
                   y - size * 0.5);
    cairo_curve_to(cr, x - size * 0.2, y - size * 1.2, x, y - size * 1.6, x + size * 0.1,
                   y - size * 1.8);
    cairo_curve_to(cr, x + size * 0.3, y - size * 1.2, x + size * 0.3, y - size * 0.8,
                   x + size * 0.3, y - size * 0.5);
    cairo_curve_to(cr, x + size * 0.6, y - size * 0.9, x + size, y - size * 1.1, x + size * 1.3,
                   y - size * 1.1);
    cairo_curve_to(cr, x + size, y - size * 0.7, x + size * 0.9, y - size * 0.3, x + size, y);
    cairo_close_path(cr);
    FillAndOutline(cr, kGrass, 1.6);
}

// A sandy mound rising out of a ring of foam; (left, base) to (right, base),
// with its top at `top`.
void SandMound(cairo_t* cr, double left, double right, double base, double top) {
    const double mid = (left + right) / 2;
    const double half = (right - left) / 2;
    // The ring of foam where the water meets the sand.
    Ellipse(cr, mid, base + 2, half + 6, 10);
    FillAndOutline(cr, kFoam, 2.0, kSeaMid);
    // The sand.
    auto mound = [&]() {
        cairo_move_to(cr, left, base);
        cairo_curve_to(cr, left + half * 0.08, top + (base - top) * 0.25, left + half * 0.4, top,
                       mid, top);
        cairo_curve_to(cr, right - half * 0.4, top, right - half * 0.08, top + (base - top) * 0.25,
                       right, base);
        cairo_curve_to(cr, right - half * 0.4, base + 8, left + half * 0.4, base + 8, left, base);
        cairo_close_path(cr);
    };
    mound();
    SetColour(cr, kSand);
    cairo_fill(cr);
    // Shade on the lower half and a wet band at the waterline.
    cairo_save(cr);
    mound();
    cairo_clip(cr);
    Ellipse(cr, mid + half * 0.25, base + (base - top) * 0.35, half * 1.05, (base - top) * 0.7);
    SetColour(cr, kSandShade);
    cairo_fill(cr);
    Ellipse(cr, mid, base + 5, half * 1.1, 9);
    SetColour(cr, kWetSand);
    cairo_fill(cr);
    // Speckles of darker sand.
    for (int i = 0; i < 14; ++i) {
        const double sx = left + half * 0.25 + std::fmod(i * 37.0, half * 1.5);
        const double sy = top + 6 + std::fmod(i * 13.0, (base - top) * 0.6);
        Circle(cr, sx, sy, 1.1);
        SetColour(cr, kSandShade);
        cairo_fill(cr);
    }
    cairo_restore(cr);
    mound();
    SetColour(cr, kOutline);
    cairo_set_line_width(cr, 2.4);
    cairo_stroke(cr);
}

}  // namespace

void DrawSky(cairo_t* cr, double width, double height) {
    cairo_rectangle(cr, 0, 0, width, height);
    SetVerticalGradient(cr, 0, kSkyTop, height, kSkyBottom);
    cairo_fill(cr);
}

void DrawSea(cairo_t* cr) {
    constexpr double kWidth = 640;
    constexpr double kHeight = 108;
    constexpr double kTau = 2 * M_PI;
    // Every wave repeats a whole number of times across the band, so its
    // right edge joins its left edge when it is drawn wrapped around.
    auto crest = [&](double x) {
        return 9 + 3.0 * std::sin(kTau * x / 80) + 1.5 * std::sin(kTau * x / 160 + 0.7);
    };
    cairo_move_to(cr, -2, crest(-2));
    for (double x = -2; x <= kWidth + 2; x += 1) {
        cairo_line_to(cr, x, crest(x));
    }
    cairo_line_to(cr, kWidth + 2, kHeight + 2);
    cairo_line_to(cr, -2, kHeight + 2);
    cairo_close_path(cr);
    cairo_pattern_t* p = cairo_pattern_create_linear(0, 4, 0, kHeight);
    cairo_pattern_add_color_stop_rgb(p, 0, kSeaLight.r / 255.0, kSeaLight.g / 255.0,
                                     kSeaLight.b / 255.0);
    cairo_pattern_add_color_stop_rgb(p, 0.35, kSeaMid.r / 255.0, kSeaMid.g / 255.0,
                                     kSeaMid.b / 255.0);
    cairo_pattern_add_color_stop_rgb(p, 1, kSeaDeep.r / 255.0, kSeaDeep.g / 255.0,
                                     kSeaDeep.b / 255.0);
    cairo_set_source(cr, p);
    cairo_pattern_destroy(p);
    cairo_fill(cr);

    // The foamy lip of the waves.
    cairo_move_to(cr, -2, crest(-2) + 1.5);
    for (double x = -2; x <= kWidth + 2; x += 1) {
        cairo_line_to(cr, x, crest(x) + 1.5);
    }
    SetColour(cr, kFoam);
    cairo_set_line_width(cr, 3.5);
    cairo_stroke(cr);

    // Rows of little wave marks, each drawn twice so that those crossing the
    // edge show on both ends.
    struct Row {
        double y;
        double period;
        double offset;
        double size;
        Rgb colour;
    };
    const Row rows[] = {{24, 80, 20, 9, kFoam},
                        {40, 64, 44, 8, kSeaLight},
                        {58, 80, 60, 10, kSeaLight},
                        {76, 64, 12, 9, kSeaMid},
                        {96, 80, 36, 11, kSeaMid}};
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
    int k = 0;
    for (const Row& row : rows) {
        for (double x = row.offset; x < kWidth; x += row.period) {
            const double wobble = 3 * std::sin(kTau * (x + k * 17) / 320);
            for (double shift : {-kWidth, 0.0, kWidth}) {
                const double cx = x + shift;
                const double cy = row.y + wobble;
                cairo_move_to(cr, cx - row.size, cy);
                cairo_curve_to(cr, cx - row.size * 0.5, cy - 4, cx + row.size * 0.5, cy - 4,
                               cx + row.size, cy);
                SetColour(cr, row.colour);
                cairo_set_line_width(cr, 2.2);
                cairo_stroke(cr);
            }
        }
        ++k;
    }
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_BUTT);
    for (double x = 52; x < kWidth; x += 128) {
        for (double shift : {-kWidth, 0.0, kWidth}) {
            Glint(cr, x + shift, 32 + std::fmod(x, 24), 4, kFoam);
            Glint(cr, x + 70 + shift, 68 + std::fmod(x, 16), 3, kFoam);
        }
    }
}

void DrawIsland(cairo_t* cr) {
    SandMound(cr, 6, 174, 76, 36);
    GrassTuft(cr, 30, 50, 7);
    GrassTuft(cr, 148, 48, 8);
    GrassTuft(cr, 160, 56, 5);
    // A pink shell and a pebble.
    cairo_move_to(cr, 118, 64);
    cairo_curve_to(cr, 118, 56, 130, 56, 130, 64);
    cairo_close_path(cr);
    FillAndOutline(cr, kDressLight, 1.4);
    Ellipse(cr, 42, 64, 6, 4);
    FillAndOutline(cr, Rgb{170, 170, 180}, 1.4);
}

void DrawCloud(cairo_t* cr) {
    struct Puff {
        double x;
        double y;
        double r;
    };
    const Puff puffs[] = {{48, 84, 28},  {84, 62, 36},  {132, 46, 40}, {176, 64, 34},
                          {206, 86, 27}, {120, 86, 34}, {70, 96, 22},  {168, 96, 24}};
    auto shape = [&](double dy, double grow) {
        for (const Puff& p : puffs) {
            Circle(cr, p.x, p.y + dy, p.r + grow);
        }
        RoundedRect(cr, 26, 78 + dy, 200, 40 - dy - grow, 18);
    };
    shape(0, 2);
    SetColour(cr, kSoftOutline);
    cairo_fill(cr);
    shape(0, 0);
    SetColour(cr, kCloudShade);
    cairo_fill(cr);
    cairo_save(cr);
    shape(0, 0);
    cairo_clip(cr);
    shape(-9, -3);
    SetColour(cr, kCloud);
    cairo_fill(cr);
    cairo_restore(cr);
}

void DrawSun(cairo_t* cr, int frame) {
    constexpr double kCx = 45;
    constexpr double kCy = 45;
    const int rays = 12;
    for (int i = 0; i < rays; ++i) {
        const double a = (i + (frame ? 0.5 : 0.0)) * 2 * M_PI / rays;
        const bool longRay = (i % 2 == 0) != (frame == 1);
        const double tip = longRay ? 42 : 34;
        const double spread = longRay ? 0.17 : 0.2;
        cairo_move_to(cr, kCx + 22 * std::cos(a - spread), kCy + 22 * std::sin(a - spread));
        cairo_line_to(cr, kCx + tip * std::cos(a), kCy + tip * std::sin(a));
        cairo_line_to(cr, kCx + 22 * std::cos(a + spread), kCy + 22 * std::sin(a + spread));
        cairo_close_path(cr);
        FillAndOutline(cr, frame ? kSun : kSunRay, 2.0, kSunOutline);
    }
    Circle(cr, kCx, kCy, 24);
    cairo_pattern_t* p = cairo_pattern_create_radial(kCx - 8, kCy - 8, 2, kCx, kCy, 24);
    cairo_pattern_add_color_stop_rgb(p, 0, kSunLight.r / 255.0, kSunLight.g / 255.0,
                                     kSunLight.b / 255.0);
    cairo_pattern_add_color_stop_rgb(p, 1, kSun.r / 255.0, kSun.g / 255.0, kSun.b / 255.0);
    cairo_set_source(cr, p);
    cairo_pattern_destroy(p);
    cairo_fill_preserve(cr);
    SetColour(cr, kSunOutline);
    cairo_set_line_width(cr, 2.4);
    cairo_stroke(cr);
    // A sleepy smile.
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
    SetColour(cr, kSunOutline);
    cairo_set_line_width(cr, 2.2);
    cairo_arc(cr, kCx - 8, kCy - 2, 4, M_PI * 1.1, M_PI * 1.9);
    cairo_stroke(cr);
    cairo_arc(cr, kCx + 8, kCy - 2, 4, M_PI * 1.1, M_PI * 1.9);
    cairo_stroke(cr);
    cairo_arc(cr, kCx, kCy + 4, 7, M_PI * 0.15, M_PI * 0.85);
    cairo_stroke(cr);
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_BUTT);
    Ellipse(cr, kCx - 14, kCy + 6, 4, 2.5);
    Ellipse(cr, kCx + 14, kCy + 6, 4, 2.5);
    SetColour(cr, kSunRay);
    cairo_fill(cr);
}

namespace {

// One palm frond: a curved midrib from the crown with leaflets on both sides.
void Frond(cairo_t* cr, Point crown, double angle, double length, double droop, double wind,
           double width) {
    const int steps = 28;
    std::vector<Point> spine;
    for (int i = 0; i <= steps; ++i) {
        const double t = static_cast<double>(i) / steps;
        spine.push_back(Point{crown.x + length * t * std::cos(angle) - wind * t * t,
                              crown.y + length * t * std::sin(angle) + droop * t * t});
    }
    std::vector<Point> left;
    std::vector<Point> right;
    for (int i = 0; i <= steps; ++i) {
        const Point a = spine[static_cast<size_t>(std::max(i - 1, 0))];
        const Point b = spine[static_cast<size_t>(std::min(i + 1, steps))];
        double nx = -(b.y - a.y);
        double ny = b.x - a.x;
        const double n = std::hypot(nx, ny);
        nx /= n;
        ny /= n;
        const double t = static_cast<double>(i) / steps;
        // Leaflets: the edge dips between them.
        const double notch = (i % 3 == 0 && i > 2 && i < steps) ? 0.45 : 1.0;
        const double w = width * std::pow(std::sin(M_PI * std::min(t * 1.15, 1.0)), 0.7) * notch;
        left.push_back(Point{spine[static_cast<size_t>(i)].x + nx * w,
                             spine[static_cast<size_t>(i)].y + ny * w});
        right.push_back(Point{spine[static_cast<size_t>(i)].x - nx * w * 0.8,
                              spine[static_cast<size_t>(i)].y - ny * w * 0.8});
    }
    auto half = [&](const std::vector<Point>& edge) {
        cairo_move_to(cr, spine[0].x, spine[0].y);
        for (const Point& p : edge) {
            cairo_line_to(cr, p.x, p.y);
        }
        for (int i = steps; i >= 0; --i) {
            cairo_line_to(cr, spine[static_cast<size_t>(i)].x, spine[static_cast<size_t>(i)].y);
        }
        cairo_close_path(cr);
    };
    // Outline of the whole frond first, then the two halves in two greens.
    half(left);
    half(right);
    SetColour(cr, kOutline);
    cairo_set_line_width(cr, 3.2);
    cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
    cairo_stroke(cr);
    half(left);
    SetColour(cr, kLeafLight);
    cairo_fill(cr);
    half(right);
    SetColour(cr, kLeaf);
    cairo_fill(cr);
    cairo_move_to(cr, spine[0].x, spine[0].y);
    for (const Point& p : spine) {
        cairo_line_to(cr, p.x, p.y);
    }
    SetColour(cr, kLeafDark);
    cairo_set_line_width(cr, 1.6);
    cairo_stroke(cr);
}

}  // namespace

void DrawPalm(cairo_t* cr, int frame) {
    // The wind bends the tree a little more in each picture.
    const double bend = frame;
    SandMound(cr, 34, 266, 360, 304);
    GrassTuft(cr, 214, 314, 8);
    GrassTuft(cr, 236, 326, 6);
    Ellipse(cr, 226, 338, 8, 5);
    FillAndOutline(cr, Rgb{170, 170, 180}, 1.6);

    const Point base{176, 318};
    const Point top{150 - 11 * bend, 66 + 2.5 * bend};
    const Point c1{186, 250};
    const Point c2{top.x + 24 + 6 * bend, 140};
    const int steps = 48;
    std::vector<Point> leftEdge;
    std::vector<Point> rightEdge;
    std::vector<Point> centre;
    for (int i = 0; i <= steps; ++i) {
        const double t = static_cast<double>(i) / steps;
        const Point p = Bezier(base, c1, c2, top, t);
        const Point q = Bezier(base, c1, c2, top, std::min(t + 0.01, 1.0));
        const Point o = Bezier(base, c1, c2, top, std::max(t - 0.01, 0.0));
        double nx = -(q.y - o.y);
        double ny = q.x - o.x;
        const double n = std::hypot(nx, ny);
        nx /= n;
        ny /= n;
        const double w = 13 - 6 * t + (t < 0.08 ? (0.08 - t) * 60 : 0);
        centre.push_back(p);
        leftEdge.push_back(Point{p.x + nx * w, p.y + ny * w});
        rightEdge.push_back(Point{p.x - nx * w, p.y - ny * w});
    }
    auto trunk = [&]() {
        cairo_move_to(cr, leftEdge[0].x, leftEdge[0].y);
        for (const Point& p : leftEdge) {
            cairo_line_to(cr, p.x, p.y);
        }
        for (int i = steps; i >= 0; --i) {
            cairo_line_to(cr, rightEdge[static_cast<size_t>(i)].x,
                          rightEdge[static_cast<size_t>(i)].y);
        }
        cairo_close_path(cr);
    };
    trunk();
    SetColour(cr, kBark);
    cairo_fill(cr);
    cairo_save(cr);
    trunk();
    cairo_clip(cr);
    // Shade along one side, and the rings of old leaf bases.
    cairo_move_to(cr, rightEdge[0].x, rightEdge[0].y);
    for (int i = 0; i <= steps; ++i) {
        const Point& r = rightEdge[static_cast<size_t>(i)];
        const Point& c = centre[static_cast<size_t>(i)];
        cairo_line_to(cr, (r.x * 2 + c.x) / 3, (r.y * 2 + c.y) / 3);
    }
    for (int i = steps; i >= 0; --i) {
        cairo_line_to(cr, rightEdge[static_cast<size_t>(i)].x - 6,
                      rightEdge[static_cast<size_t>(i)].y);
    }
    cairo_close_path(cr);
    SetColour(cr, kBarkDark);
    cairo_fill(cr);
    for (int i = 3; i < steps; i += 4) {
        const Point& l = leftEdge[static_cast<size_t>(i)];
        const Point& r = rightEdge[static_cast<size_t>(i)];
        const Point& c = centre[static_cast<size_t>(i)];
        cairo_move_to(cr, l.x, l.y);
        cairo_curve_to(cr, c.x - 1, c.y + 5, c.x + 1, c.y + 5, r.x, r.y);
        SetColour(cr, kBarkDark);
        cairo_set_line_width(cr, 2.0);
        cairo_stroke(cr);
    }
    cairo_restore(cr);
    trunk();
    SetColour(cr, kOutline);
    cairo_set_line_width(cr, 2.6);
    cairo_stroke(cr);

    // Fronds arch out of the crown and droop at their tips; the wind pushes
    // every tip to the left, more in each picture.
    struct FrondPlan {
        double angle;
        double length;
        double droop;
        double wind;
        double width;
    };
    const double wind = 6 + 11 * bend;
    const FrondPlan back[] = {{-1.57, 92, 60, 0.6, 14},
                              {-1.1, 120, 92, 0.9, 16},
                              {-2.04, 120, 92, 0.5, 16},
                              {-0.45, 128, 80, 1.0, 17},
                              {-2.69, 128, 80, 0.4, 17}};
    const FrondPlan front[] = {{0.15, 112, 52, 0.9, 16}, {2.99, 112, 52, 0.3, 16}};
    for (const FrondPlan& f : back) {
        Frond(cr, top, f.angle, f.length, f.droop, wind * f.wind, f.width);
    }
    for (const FrondPlan& f : front) {
        Frond(cr, top, f.angle, f.length, f.droop, wind * f.wind, f.width);
    }
    // Coconuts hang under the crown, in front of the fronds.
    const Point nuts[] = {{-10, 12}, {8, 13}, {-1, 21}};
    for (const Point& n : nuts) {
        Circle(cr, top.x + n.x, top.y + n.y, 7.5);
        FillAndOutline(cr, kCoconut, 2.0);
        Circle(cr, top.x + n.x - 2.5, top.y + n.y - 2.5, 2);
        SetColour(cr, kBark);
        cairo_fill(cr);
    }
}

void DrawTitle(cairo_t* cr) {
    auto at = [cr](double x, double y, double scale, const auto& draw) {
        cairo_save(cr);
        cairo_translate(cr, x, y);
        cairo_scale(cr, scale, scale);
        draw();
        cairo_restore(cr);
    };
    DrawSky(cr, 640, 480);
    at(8, 6, 1.0, [&] { DrawSun(cr, 0); });
    at(388, 196, 0.7, [&] { DrawCloud(cr); });
    at(112, 200, 0.55, [&] { DrawCloud(cr); });
    at(0, 372, 1.0, [&] { DrawSea(cr); });
    at(365, 60, 1.0, [&] { DrawPalm(cr, 1); });
    at(0, 348, 1.0, [&] { DrawIsland(cr); });
    at(50, 280, 1.0, [&] { DrawPrincess(cr); });
    at(420, 280, 1.0, [&] { DrawArcher(cr, 0); });
    // Things in flight between them.
    at(262, 322, 1.0, [&] { DrawBalloon(cr, 1); });
    at(320, 296, 0.8, [&] { DrawBalloon(cr, 0); });
    at(204, 300, 0.8, [&] { DrawCoin(cr, 0); });
    at(150, 262, 0.8, [&] { DrawCoin(cr, 1); });
    at(36, 180, 0.8, [&] { DrawStar(cr, 1); });

    // The title with a drop shadow, and the invitation on a little sign.
    OutlinedText(cr, "IPAPGothic Bold 96px", "ミルトとナナ", 325, 103, 590, 116, kOutline, kOutline,
                 14);
    OutlinedText(cr, "IPAPGothic Bold 96px", "ミルトとナナ", 320, 96, 590, 116, kTitleFill,
                 kTitleFill2, 14);
    RoundedRect(cr, 190, 222, 260, 48, 24);
    FillAndOutline(cr, Rgb{255, 252, 236}, 3.0);
    OutlinedText(cr, "IPAPGothic Bold 26px", "クリックでスタート", 320, 246, 236, 34, kWordRed,
                 kDressDark, 0.1, kWordRed);
}
