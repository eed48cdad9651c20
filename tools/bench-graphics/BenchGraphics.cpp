// How fast frames are composed: a crowded play frame through the real
// drawing device, and the keyed copy of one palm picture, ours against
// SDL2's run-length-encoded colour-keyed blit on the same pixels.
#include <SDL.h>
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "graphics/MemoryGraphics.h"
#include "graphics/MemorySurface.h"
#include "resources/GameResources.h"

namespace {

struct SheetInfo {
    int32_t id, width, height, pictures;
    COLORREF key;
};
// The game's sheets: id, size, number of pictures side by side, key.
const SheetInfo kSheets[20] = {
    {2000, 840, 380, 3, 0xff00ff}, {2001, 640, 108, 1, 0xff00ff}, {2002, 180, 96, 1, 0xff00ff},
    {2003, 240, 123, 1, 0xff00ff}, {2004, 150, 50, 3, 0xff00ff},  {2005, 192, 64, 3, 0xff00ff},
    {2006, 180, 90, 2, 0xff00ff},  {2007, 400, 40, 10, 0xff00ff}, {2008, 96, 91, 2, 0xffffff},
    {2009, 350, 91, 5, 0xff00ff},  {2010, 80, 112, 1, 0xff00ff},  {2011, 640, 480, 1, 0xff00ff},
    {2012, 8, 8, 1, 0xff00ff},     {2013, 140, 47, 2, 0xff00ff},  {2014, 40, 7, 1, 0xff00ff},
    {2015, 250, 150, 1, 0xff00ff}, {2016, 640, 480, 1, 0xff00ff}, {2017, 64, 64, 1, 0xff00ff},
    {2018, 256, 64, 4, 0xff00ff},  {2019, 250, 80, 1, 0xff00ff},
};

// Stand-in picture when the real one is missing: an opaque ellipse in each
// picture cell on the key (the sky is opaque all over).
void PaintStandIn(CMemorySurface* sheet, const SheetInfo& info) {
    sheet->SetColorKey(info.key);
    const int32_t cell = info.width / info.pictures;
    if (info.id == 2011) {
        for (int32_t y = 0; y < info.height; ++y) {
            sheet->FillRect(0, y, info.width, 1, 0x00ffc080 + y / 4);
        }
        return;
    }
    sheet->ClearToColorKey(0, 0, info.width, info.height);
    for (int32_t p = 0; p < info.pictures; ++p) {
        const double cx = p * cell + cell / 2.0, cy = info.height / 2.0;
        const double rx = cell * 0.45, ry = info.height * 0.45;
        for (int32_t y = 0; y < info.height; ++y) {
            const double t = (y + 0.5 - cy) / ry;
            if (t * t >= 1) {
                continue;
            }
            const double half = rx * std::sqrt(1 - t * t);
            const auto x0 = static_cast<int32_t>(cx - half), x1 = static_cast<int32_t>(cx + half);
            sheet->FillRect(x0, y, x1 - x0, 1, 0x00204080 + p * 16 + y);
        }
    }
}

struct Scene {
    CMemoryGraphics graphics{nullptr};
    std::unique_ptr<CSurface> sheets[20];
    bool realPictures = true;

    Scene() {
        RegisterGameResources();
        graphics.Init(nullptr, 640, 480);
        for (int i = 0; i < 20; ++i) {
            const SheetInfo& s = kSheets[i];
            sheets[i].reset(graphics.CreateSurface(s.width, s.height, i < 4 ? 2048 : 0));
            if (!sheets[i]->LoadBitmapResource(s.id, 0, 0, s.width, s.height, 0, 0, s.key)) {
                realPictures = false;
                PaintStandIn(static_cast<CMemorySurface*>(sheets[i].get()), s);
            }
        }
    }
    CMemorySurface* Sheet(int i) { return static_cast<CMemorySurface*>(sheets[i].get()); }
};

Scene& TheScene() {
    static Scene scene;
    return scene;
}

struct Flyer {
    int sheet;
    int32_t x, y, w, h, srcX;
};

// A hundred things in flight, some hanging over the edges of the frame.
std::vector<Flyer> MakeFlyers() {
    const Flyer kinds[] = {
        {4, 0, 0, 50, 50, 50}, {17, 0, 0, 64, 64, 0}, {18, 0, 0, 64, 64, 128},
        {8, 0, 0, 48, 91, 48}, {14, 0, 0, 40, 7, 0},  {12, 0, 0, 8, 8, 0},
        {5, 0, 0, 64, 64, 64},
    };
    std::vector<Flyer> flyers;
    uint32_t state = 1;
    auto next = [&state] {
        state = state * 214013u + 2531011u;
        return static_cast<int32_t>((state >> 16) & 0x7fff);
    };
    for (int i = 0; i < 100; ++i) {
        Flyer f = kinds[i % 7];
        f.x = next() % 700 - 30;
        f.y = next() % 540 - 30;
        flyers.push_back(f);
    }
    return flyers;
}

void BM_CrowdedFrame(benchmark::State& state) {
    Scene& scene = TheScene();
    CGraphics& g = scene.graphics;
    const std::vector<Flyer> flyers = MakeFlyers();
    for (auto _ : state) {
        g.DrawSprite(scene.sheets[11].get(), 0, 0, 640, 480, 0, 0);
        g.DrawSprite(scene.sheets[6].get(), 0, 0, 90, 90, 0, 0);
        g.DrawSprite(scene.sheets[3].get(), 100, 40, 240, 123, 0, 0);
        g.DrawSprite(scene.sheets[3].get(), 400, 100, 240, 123, 0, 0);
        g.DrawSprite(scene.sheets[1].get(), 0, 372, 630, 108, 10, 0);
        g.DrawSprite(scene.sheets[1].get(), 630, 372, 10, 108, 0, 0);
        g.DrawSprite(scene.sheets[0].get(), 365, 60, 280, 380, 280, 0);
        g.DrawSprite(scene.sheets[2].get(), 0, 348, 180, 96, 0, 0);
        g.DrawSprite(scene.sheets[10].get(), 50, 280, 80, 112, 0, 0);
        g.DrawSprite(scene.sheets[13].get(), 0, 260, 70, 47, 70, 0);
        g.DrawSprite(scene.sheets[9].get(), 420, 280, 70, 91, 140, 0);
        for (const Flyer& f : flyers) {
            g.DrawSprite(scene.sheets[f.sheet].get(), f.x, f.y, f.w, f.h, f.srcX, 0);
        }
        for (int d = 0; d < 4; ++d) {
            g.DrawSprite(scene.sheets[7].get(), 470 + 40 * d, 10, 40, 40, 40 * (d + 3), 0);
        }
        g.Present(nullptr);
        benchmark::DoNotOptimize(scene.graphics.Pixels());
    }
    state.SetLabel(scene.realPictures ? "game pictures" : "stand-in pictures");
}

void BM_PalmKeyedOurs(benchmark::State& state) {
    Scene& scene = TheScene();
    for (auto _ : state) {
        scene.graphics.DrawSprite(scene.sheets[0].get(), 180, 60, 280, 380, 0, 0);
        benchmark::DoNotOptimize(scene.graphics.Pixels());
    }
    state.SetBytesProcessed(state.iterations() * 280 * 380 * 4);
}

// The palm sheet's pixels in an SDL surface keyed on the same value, and a
// 640 x 480 frame of the same format.
struct SdlPalm {
    SDL_Surface* sheet = nullptr;
    SDL_Surface* frame = nullptr;

    explicit SdlPalm(bool rle) {
        CMemorySurface* palm = TheScene().Sheet(0);
        sheet = SDL_CreateRGBSurfaceWithFormat(0, 840, 380, 32, SDL_PIXELFORMAT_RGB888);
        frame = SDL_CreateRGBSurfaceWithFormat(0, 640, 480, 32, SDL_PIXELFORMAT_RGB888);
        for (int y = 0; y < 380; ++y) {
            std::memcpy(static_cast<uint8_t*>(sheet->pixels) + y * sheet->pitch,
                        palm->Pixels() + y * 840, 840 * 4);
        }
        SDL_SetColorKey(sheet, SDL_TRUE, palm->ColorKey());
        SDL_SetSurfaceRLE(sheet, rle ? 1 : 0);
    }
    ~SdlPalm() {
        SDL_FreeSurface(sheet);
        SDL_FreeSurface(frame);
    }
    void Draw() {
        SDL_Rect from{0, 0, 280, 380};
        SDL_Rect to{180, 60, 280, 380};
        SDL_BlitSurface(sheet, &from, frame, &to);
    }
};

void BM_PalmKeyedSdl(benchmark::State& state) {
    SdlPalm palm(state.range(0) != 0);
    palm.Draw();  // lets SDL encode its runs before timing
    for (auto _ : state) {
        palm.Draw();
        benchmark::DoNotOptimize(palm.frame->pixels);
    }
    state.SetBytesProcessed(state.iterations() * 280 * 380 * 4);
}

BENCHMARK(BM_CrowdedFrame)
    ->Unit(benchmark::kMicrosecond)
    ->Repetitions(7)
    ->ReportAggregatesOnly(true);
BENCHMARK(BM_PalmKeyedOurs)
    ->Unit(benchmark::kMicrosecond)
    ->Repetitions(7)
    ->ReportAggregatesOnly(true);
BENCHMARK(BM_PalmKeyedSdl)
    ->Arg(1)
    ->Unit(benchmark::kMicrosecond)
    ->Repetitions(7)
    ->ReportAggregatesOnly(true);
BENCHMARK(BM_PalmKeyedSdl)
    ->Arg(0)
    ->Unit(benchmark::kMicrosecond)
    ->Repetitions(7)
    ->ReportAggregatesOnly(true);

// Prints the usual table and remembers every median.
class CMedianReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) {
            if (run.run_type == Run::RT_Aggregate && run.aggregate_name == "median") {
                const std::string& args = run.run_name.args;
                const std::string name =
                    run.run_name.function_name + (args.empty() ? "" : "/" + args);
                medians[name] = run.GetAdjustedRealTime();
                cpuMedians[name] = run.GetAdjustedCPUTime();
            }
        }
    }
    std::map<std::string, double> medians;
    std::map<std::string, double> cpuMedians;
};

// The medians of the keyed palm copy and the frame, in wall and CPU time.
void PrintSummary(const std::map<std::string, double>& m, const char* clock) {
    auto find = [&m](const std::string& name) {
        auto it = m.find(name);
        return it == m.end() ? 0.0 : it->second;
    };
    const double ours = find("BM_PalmKeyedOurs"), rle = find("BM_PalmKeyedSdl/1"),
                 plain = find("BM_PalmKeyedSdl/0"), frame = find("BM_CrowdedFrame");
    std::printf("[%s time]\n", clock);
    if (frame > 0) {
        std::printf("  crowded frame: median %.1f us (%s)\n", frame,
                    frame < 1000 ? "under 1 ms" : "over 1 ms");
    }
    if (ours > 0 && rle > 0) {
        std::printf(
            "  palm keyed copy: ours %.2f us, SDL2 with RLE %.2f us: ratio ours/SDL2 %.2f\n", ours,
            rle, ours / rle);
    }
    if (ours > 0 && plain > 0) {
        std::printf("  palm keyed copy: SDL2 without RLE %.2f us: ratio ours/SDL2 %.2f\n", plain,
                    ours / plain);
    }
}

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    CMedianReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    PrintSummary(reporter.medians, "wall");
    PrintSummary(reporter.cpuMedians, "CPU");
    benchmark::Shutdown();
    return 0;
}
