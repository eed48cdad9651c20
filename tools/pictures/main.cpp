// make_pictures: draws every picture of the game and writes the sprite
// sheets (palette bitmaps 2000 to 2019), the window icon, the cursor and the
// desktop menu's icon at every size of the icon theme.
//
//   make_pictures <resources folder> [<preview folder>]
//
// The preview folder, when given, receives a PNG of every sheet as the game
// will see it (after the palette) and two composed frames of play.
#include <cairo.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "ImageFiles.h"
#include "Painting.h"
#include "Palette.h"

namespace {

constexpr int32_t kBlackIndex = 0;
constexpr int32_t kWhiteIndex = 1;
constexpr int32_t kMagentaIndex = 2;

struct SheetPlan {
    int32_t id;
    int32_t width;
    int32_t height;
    bool whiteKey;
    bool dither;
    int32_t bits;
    // The colour that anti-aliased edges are blended toward before the
    // picture is cut out: the colour of its outline, never the key.
    Rgb edge;
    std::function<void(cairo_t*)> draw;
};

// Draws `count` cells of `cellWidth`, each clipped to its own cell.
std::function<void(cairo_t*)> Cells(int32_t count, int32_t cellWidth, int32_t cellHeight,
                                    std::function<void(cairo_t*, int)> drawCell) {
    return [=](cairo_t* cr) {
        for (int i = 0; i < count; ++i) {
            cairo_save(cr);
            cairo_rectangle(cr, i * cellWidth, 0, cellWidth, cellHeight);
            cairo_clip(cr);
            cairo_translate(cr, i * cellWidth, 0);
            drawCell(cr, i);
            cairo_restore(cr);
        }
    };
}

std::vector<SheetPlan> Plans() {
    using namespace colours;
    const Rgb out = kOutline;
    return {
        {2000, 840, 380, false, false, 8, out, Cells(3, 280, 380, DrawPalm)},
        {2001, 640, 108, false, true, 8, kFoam, [](cairo_t* cr) { DrawSea(cr); }},
        {2002, 180, 96, false, false, 8, out, [](cairo_t* cr) { DrawIsland(cr); }},
        {2003, 240, 123, false, false, 8, kSoftOutline, [](cairo_t* cr) { DrawCloud(cr); }},
        {2004, 150, 50, false, false, 8, kGoldOutline, Cells(3, 50, 50, DrawCoin)},
        {2005, 192, 64, false, false, 8, kStarLight, Cells(3, 64, 64, DrawBlast)},
        {2006, 180, 90, false, false, 8, kSunOutline, Cells(2, 90, 90, DrawSun)},
        {2007, 400, 40, false, false, 8, out, Cells(10, 40, 40, DrawDigit)},
        {2008, 96, 91, true, false, 8, out, Cells(2, 48, 91, DrawBalloon)},
        {2009, 350, 91, false, false, 8, out, Cells(5, 70, 91, DrawArcher)},
        {2010, 80, 112, false, false, 8, out, [](cairo_t* cr) { DrawPrincess(cr); }},
        {2011, 640, 480, false, true, 8, kSkyTop, [](cairo_t* cr) { DrawSky(cr, 640, 480); }},
        {2012, 8, 8, false, false, 4, kDropDark, [](cairo_t* cr) { DrawDrop(cr); }},
        {2013, 140, 47, false, false, 8, out, Cells(2, 70, 47, DrawShout)},
        {2014, 40, 7, false, false, 8, kArrowShaft, [](cairo_t* cr) { DrawArrow(cr, 40); }},
        {2015, 250, 150, false, false, 8, out, [](cairo_t* cr) { DrawGameOver(cr); }},
        {2016, 640, 480, false, true, 8, out, [](cairo_t* cr) { DrawTitle(cr); }},
        {2017, 64, 64, false, false, 8, out, [](cairo_t* cr) { DrawBomb(cr); }},
        {2018, 256, 64, false, false, 8, kStarOutline, Cells(4, 64, 64, DrawStar)},
        {2019, 250, 80, false, false, 8, out, [](cairo_t* cr) { DrawPause(cr); }},
    };
}

// An icon at `size` pixels a side, for the desktop's menus and the browser
// form's home screen: the window icon's drawing, scaled from its 32 x 32
// design and kept in full colour with soft edges. A maskable one (the home
// screen's that the system cuts to a shape of its own) fills the square
// with the sky, and the face keeps to its middle, which every shape leaves
// whole.
bool WriteIconPng(const std::string& path, int32_t size, bool maskable) {
    cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, size, size);
    cairo_t* cr = cairo_create(surface);
    if (maskable) {
        SetVerticalGradient(cr, 0, colours::kSkyTop, size, colours::kSkyBottom);
        cairo_paint(cr);
        // The face within 60% of the side, centred.
        const double inner = size * 0.6;
        cairo_translate(cr, (size - inner) / 2, (size - inner) / 2);
        cairo_scale(cr, inner / 32.0, inner / 32.0);
    } else {
        cairo_scale(cr, size / 32.0, size / 32.0);
    }
    DrawIconPicture(cr);
    cairo_destroy(cr);
    const bool ok = cairo_surface_write_to_png(surface, path.c_str()) == CAIRO_STATUS_SUCCESS;
    cairo_surface_destroy(surface);
    return ok;
}

// Draws a picture with cairo and cuts it out: a pixel at least half covered
// becomes part of the picture, its soft edge blended toward `edge`; any
// other pixel becomes transparent.
CPicture Render(int32_t width, int32_t height, Rgb edge,
                const std::function<void(cairo_t*)>& draw) {
    cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, width, height);
    cairo_t* cr = cairo_create(surface);
    draw(cr);
    cairo_destroy(cr);
    cairo_surface_flush(surface);
    CPicture picture;
    picture.width = width;
    picture.height = height;
    picture.pixels.resize(static_cast<size_t>(width) * static_cast<size_t>(height));
    picture.opaque.resize(picture.pixels.size());
    const unsigned char* data = cairo_image_surface_get_data(surface);
    const int stride = cairo_image_surface_get_stride(surface);
    for (int32_t y = 0; y < height; ++y) {
        const uint32_t* row = reinterpret_cast<const uint32_t*>(data + y * stride);
        for (int32_t x = 0; x < width; ++x) {
            const uint32_t v = row[x];
            const uint32_t a = v >> 24;
            const size_t i =
                static_cast<size_t>(y) * static_cast<size_t>(width) + static_cast<size_t>(x);
            if (a < 128) {
                continue;
            }
            // Premultiplied colour plus the uncovered part in the edge colour.
            auto channel = [&](uint32_t premultiplied, uint8_t under) {
                return static_cast<uint8_t>(
                    std::min<uint32_t>(255, premultiplied + ((255 - a) * under + 127) / 255));
            };
            picture.pixels[i] = Rgb{channel((v >> 16) & 0xff, edge.r),
                                    channel((v >> 8) & 0xff, edge.g), channel(v & 0xff, edge.b)};
            picture.opaque[i] = 1;
        }
    }
    cairo_surface_destroy(surface);
    return picture;
}

CPalette BuildPalette(const std::vector<const CPicture*>& pictures) {
    CPalette palette;
    palette.Add(kBlack);
    palette.Add(kKeyWhite);
    palette.Add(kKeyMagenta);
    for (const Rgb& c : NamedColours()) {
        palette.Add(c);
    }
    // Fine steps for the sky and the sea, whose gradients are dithered.
    for (int i = 0; i <= 36; ++i) {
        palette.Add(Mix(colours::kSkyTop, colours::kSkyBottom, i / 36.0));
    }
    for (int i = 0; i <= 8; ++i) {
        palette.Add(Mix(colours::kSeaLight, colours::kSeaMid, i / 8.0));
    }
    for (int i = 0; i <= 12; ++i) {
        palette.Add(Mix(colours::kSeaMid, colours::kSeaDeep, i / 12.0));
    }
    palette.FillFrom(pictures, 256);
    return palette;
}

// The entries an opaque pixel of a sheet keyed on `key` may never take.
std::vector<int32_t> Forbidden(const CPalette& palette, Rgb key) {
    std::vector<int32_t> out = {kMagentaIndex};
    for (int32_t i = 0; i < palette.Size(); ++i) {
        if (LooksLikeKey(palette.At(i), key) && i != kMagentaIndex) {
            out.push_back(i);
        }
    }
    return out;
}

// Cuts a sheet down to 16 colours (the key first), each one an entry of the
// shared palette.
std::vector<Rgb> SixteenColours(const CPicture& picture, const CPalette& palette,
                                CIndexedPicture* indexed) {
    std::map<int32_t, int64_t> uses;
    for (size_t i = 0; i < indexed->index.size(); ++i) {
        if (picture.opaque[i]) {
            ++uses[indexed->index[i]];
        }
    }
    std::vector<std::pair<int64_t, int32_t>> byUse;
    for (const auto& [index, count] : uses) {
        byUse.push_back({count, index});
    }
    std::sort(byUse.rbegin(), byUse.rend());
    CPalette small;
    small.Add(kKeyMagenta);
    for (const auto& [count, index] : byUse) {
        if (small.Size() < 16) {
            small.Add(palette.At(index));
        }
    }
    *indexed = Quantise(picture, small, 0, {0}, false);
    return small.Entries();
}

void WritePreview(const std::string& path, const CIndexedPicture& picture,
                  const std::vector<Rgb>& palette) {
    cairo_surface_t* surface =
        cairo_image_surface_create(CAIRO_FORMAT_RGB24, picture.width, picture.height);
    cairo_surface_flush(surface);
    unsigned char* data = cairo_image_surface_get_data(surface);
    const int stride = cairo_image_surface_get_stride(surface);
    for (int32_t y = 0; y < picture.height; ++y) {
        uint32_t* row = reinterpret_cast<uint32_t*>(data + y * stride);
        for (int32_t x = 0; x < picture.width; ++x) {
            const Rgb& c = palette[picture.index[static_cast<size_t>(y * picture.width + x)]];
            row[x] = (static_cast<uint32_t>(c.r) << 16) | (static_cast<uint32_t>(c.g) << 8) | c.b;
        }
    }
    cairo_surface_mark_dirty(surface);
    cairo_surface_write_to_png(surface, path.c_str());
    cairo_surface_destroy(surface);
}

struct Decoded {
    CIndexedPicture picture;
    std::vector<Rgb> palette;
    int32_t key;
};

// A frame of play put together from the finished sheets, the way the game
// draws them: keyed copies, layer by layer.
class CMockFrame {
public:
    explicit CMockFrame(const std::map<int32_t, Decoded>& sheets) : sheets(sheets) {
        pixels.assign(640 * 480, 0);
    }
    void Draw(int32_t id, int32_t x, int32_t y, int32_t w, int32_t h, int32_t srcX, int32_t srcY) {
        const Decoded& d = sheets.at(id);
        for (int32_t j = 0; j < h; ++j) {
            for (int32_t i = 0; i < w; ++i) {
                const int32_t dx = x + i;
                const int32_t dy = y + j;
                if (dx < 0 || dy < 0 || dx >= 640 || dy >= 480) {
                    continue;
                }
                const uint8_t idx =
                    d.picture.index[static_cast<size_t>((srcY + j) * d.picture.width + srcX + i)];
                if (idx == d.key) {
                    continue;
                }
                const Rgb& c = d.palette[idx];
                pixels[static_cast<size_t>(dy * 640 + dx)] =
                    (static_cast<uint32_t>(c.r) << 16) | (static_cast<uint32_t>(c.g) << 8) | c.b;
            }
        }
    }
    void DrawWhole(int32_t id, int32_t x, int32_t y) {
        const Decoded& d = sheets.at(id);
        Draw(id, x, y, d.picture.width, d.picture.height, 0, 0);
    }
    void Save(const std::string& path) const {
        cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_RGB24, 640, 480);
        cairo_surface_flush(surface);
        unsigned char* data = cairo_image_surface_get_data(surface);
        const int stride = cairo_image_surface_get_stride(surface);
        for (int32_t y = 0; y < 480; ++y) {
            std::copy_n(pixels.begin() + y * 640, 640,
                        reinterpret_cast<uint32_t*>(data + y * stride));
        }
        cairo_surface_mark_dirty(surface);
        cairo_surface_write_to_png(surface, path.c_str());
        cairo_surface_destroy(surface);
    }

private:
    const std::map<int32_t, Decoded>& sheets;
    std::vector<uint32_t> pixels;
};

void ComposeFrames(const std::map<int32_t, Decoded>& sheets, const std::string& folder) {
    CMockFrame f(sheets);
    f.DrawWhole(2011, 0, 0);
    f.Draw(2006, 0, 0, 90, 90, 90, 0);  // layer 0
    f.DrawWhole(2003, 100, 40);         // layer 1
    f.DrawWhole(2003, 400, 100);
    f.Draw(2004, 310, 22, 50, 50, 0, 0);  // layer 2
    f.Draw(2004, 420, 60, 50, 50, 50, 0);
    f.Draw(2004, 180, 130, 50, 50, 100, 0);
    const int32_t ix = 25;  // layer 3
    f.Draw(2001, 0, 372, 640 - ix, 108, ix, 0);
    f.Draw(2001, 640 - ix, 372, ix, 108, 0, 0);
    f.Draw(2018, 56, 120, 64, 64, 64, 0);
    f.Draw(2008, 230, 220, 48, 91, 0, 0);
    f.Draw(2008, 300, 170, 48, 91, 48, 0);
    f.DrawWhole(2014, 250, 325);
    f.DrawWhole(2017, 262, 60);               // layer 4
    f.Draw(2000, 365, 60, 280, 380, 280, 0);  // layer 5
    f.DrawWhole(2002, 0, 348);
    f.Draw(2013, 0, 260, 70, 47, 0, 0);
    f.DrawWhole(2012, 60, 282);
    f.DrawWhole(2012, 48, 270);
    f.DrawWhole(2010, 50, 280);  // layer 6
    f.Draw(2009, 420, 280, 70, 91, 210, 0);
    f.Draw(2005, 150, 200, 64, 64, 128, 0);  // layer 7
    const int digits[4] = {1, 2, 3, 5};
    for (int k = 0; k < 4; ++k) {
        f.Draw(2007, 470 + 40 * k, 10, 40, 40, 40 * digits[k], 0);
    }
    f.Save(folder + "/frame.png");
    f.Draw(2015, 195, 115, 250, 150, 0, 0);
    f.Save(folder + "/frame-gameover.png");
    CMockFrame p(sheets);
    p.DrawWhole(2016, 0, 0);
    p.Draw(2019, 195, 150, 250, 80, 0, 0);
    p.Save(folder + "/title-paused.png");
}

// The cursor: a slanted stick with a round knob at its top-left end. The
// hot spot is the corner (0, 0); a click's blast is centred 4 pixels right
// of and below it, in the knob's middle.
std::vector<uint8_t> CursorPixels() {
    std::vector<uint8_t> pixels(32 * 32, 0);
    auto segmentDistance = [](double px, double py, double ax, double ay, double bx, double by) {
        const double vx = bx - ax;
        const double vy = by - ay;
        const double t =
            std::clamp(((px - ax) * vx + (py - ay) * vy) / (vx * vx + vy * vy), 0.0, 1.0);
        return std::hypot(px - (ax + t * vx), py - (ay + t * vy));
    };
    for (int32_t y = 0; y < 32; ++y) {
        for (int32_t x = 0; x < 32; ++x) {
            const double px = x + 0.5;
            const double py = y + 0.5;
            const double knob = std::hypot(px - 4.5, py - 4.5);
            const double stick = segmentDistance(px, py, 7, 7, 21, 25);
            uint8_t v = 0;
            if (knob <= 4.4 || stick <= 2.6) {
                v = 1;
            }
            if (knob <= 3.0 || stick <= 1.2) {
                v = 2;
            }
            pixels[static_cast<size_t>(y * 32 + x)] = v;
        }
    }
    return pixels;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s <resources folder> [<preview folder>]\n", argv[0]);
        return 2;
    }
    namespace fs = std::filesystem;
    const fs::path root = argv[1];
    const std::string preview = argc > 2 ? argv[2] : "";
    fs::create_directories(root / "bitmaps");
    fs::create_directories(root / "icons");
    fs::create_directories(root / "cursors");
    if (!preview.empty()) {
        fs::create_directories(preview);
    }

    const std::vector<SheetPlan> plans = Plans();
    std::vector<CPicture> pictures;
    for (const SheetPlan& plan : plans) {
        pictures.push_back(Render(plan.width, plan.height, plan.edge, plan.draw));
    }
    const CPicture icon = Render(32, 32, colours::kOutline, DrawIconPicture);
    std::vector<const CPicture*> all;
    for (const CPicture& p : pictures) {
        all.push_back(&p);
    }
    all.push_back(&icon);
    const CPalette palette = BuildPalette(all);
    std::printf("palette: %d entries\n", palette.Size());

    bool ok = true;
    std::map<int32_t, Decoded> finished;
    for (size_t s = 0; s < plans.size(); ++s) {
        const SheetPlan& plan = plans[s];
        const Rgb key = plan.whiteKey ? kKeyWhite : kKeyMagenta;
        const int32_t keyIndex = plan.whiteKey ? kWhiteIndex : kMagentaIndex;
        CIndexedPicture indexed =
            Quantise(pictures[s], palette, keyIndex, Forbidden(palette, key), plan.dither);
        std::vector<Rgb> entries = palette.Entries();
        int32_t shownKey = keyIndex;
        if (plan.bits == 4) {
            entries = SixteenColours(pictures[s], palette, &indexed);
            shownKey = 0;
        }
        const std::string name = std::to_string(plan.id);
        ok = WriteBitmap((root / "bitmaps" / (name + ".bmp")).string(), indexed, entries,
                         plan.bits) &&
             ok;
        if (!preview.empty()) {
            WritePreview(preview + "/" + name + ".png", indexed, entries);
        }
        finished[plan.id] = Decoded{indexed, entries, shownKey};
    }
    const CIndexedPicture iconIndexed =
        Quantise(icon, palette, kMagentaIndex, Forbidden(palette, kKeyMagenta), false);
    ok = WriteIcon((root / "icons" / "999.ico").string(), iconIndexed, palette.Entries(),
                   kMagentaIndex) &&
         ok;
    ok = WriteCursor((root / "cursors" / "1000.cur").string(), CursorPixels(), 0, 0) && ok;
    // The icon the desktop's menus show, at the sizes of the icon theme.
    for (const int32_t size : {16, 24, 32, 48, 64, 128, 256}) {
        const std::string name = "menu-" + std::to_string(size) + ".png";
        ok = WriteIconPng((root / "icons" / name).string(), size, false) && ok;
    }
    // The browser form's icons, for the home screen when it is installed.
    for (const int32_t size : {192, 512}) {
        const std::string name = "app-" + std::to_string(size) + ".png";
        ok = WriteIconPng((root / "icons" / name).string(), size, false) && ok;
    }
    ok = WriteIconPng((root / "icons" / "app-maskable-512.png").string(), 512, true) && ok;
    if (!preview.empty()) {
        WritePreview(preview + "/icon.png", iconIndexed, palette.Entries());
        ComposeFrames(finished, preview);
    }
    (void)kBlackIndex;
    if (!ok) {
        std::fprintf(stderr, "could not write every picture\n");
        return 1;
    }
    return 0;
}
