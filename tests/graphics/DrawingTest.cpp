#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "TestPictures.h"
#include "graphics/MemoryGraphics.h"
#include "graphics/MemorySurface.h"

namespace {

constexpr int32_t kW = CMemoryGraphics::kFrameWidth;
constexpr int32_t kH = CMemoryGraphics::kFrameHeight;

class CCountingPresenter : public CPresenter {
public:
    void Show(const uint32_t* pixels, int32_t width, int32_t height, int32_t stride) override {
        ++shown;
        first = pixels[0];
        last = pixels[static_cast<size_t>(height - 1) * stride + width - 1];
        this->width = width;
        this->height = height;
    }
    int shown = 0;
    uint32_t first = 0, last = 0;
    int32_t width = 0, height = 0;
};

class DrawingTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(graphics.Init(nullptr, kW, kH), 0);
        ASSERT_EQ(graphics.FillRect(0, 0, kW, kH, kBackground), 0);
        std::vector<uint32_t> pattern(840 * 80);
        for (int32_t y = 0; y < 80; ++y) {
            for (int32_t x = 0; x < 840; ++x) {
                pattern[y * 840 + x] = PatternPixel(x, y);
            }
        }
        sheet.reset(LoadSheet(graphics, 840, 80, 24, pattern, 0xff00ff));
        ASSERT_NE(sheet, nullptr);
    }

    // Counts the frame pixels that differ from: the sheet's rectangle
    // (sx, sy) copied to the w x h rectangle at (dx, dy), background elsewhere.
    int CountWrong(int32_t dx, int32_t dy, int32_t w, int32_t h, int32_t sx, int32_t sy) {
        int wrong = 0;
        const uint32_t* frame = graphics.Pixels();
        for (int32_t y = 0; y < kH; ++y) {
            for (int32_t x = 0; x < kW; ++x) {
                const bool inside = x >= dx && x < dx + w && y >= dy && y < dy + h;
                const uint32_t want = inside ? PatternPixel(sx + x - dx, sy + y - dy) : kBackground;
                wrong += frame[y * kW + x] != want;
            }
        }
        return wrong;
    }

    CMemoryGraphics graphics{nullptr};
    std::unique_ptr<CMemorySurface> sheet;
};

TEST_F(DrawingTest, ClipsSpritesAtEveryEdgeOfTheFrame) {
    struct Case {
        int32_t x, y, w, h, srcX, srcY;
        int32_t result;
        int32_t dx, dy, dw, dh, sx, sy;  // what must arrive
    };
    const Case cases[] = {
        {-10, 0, 40, 10, 100, 0, 1, 0, 0, 30, 10, 110, 0},
        {620, 0, 40, 10, 100, 0, 1, 620, 0, 20, 10, 100, 0},
        {-100, 0, 840, 10, 0, 0, 1, 0, 0, 640, 10, 100, 0},
        {0, 470, 40, 30, 0, 50, 1, 0, 470, 40, 10, 0, 50},
        {5, -3, 20, 10, 7, 2, 1, 5, 0, 20, 7, 7, 5},
        {630, 475, 20, 10, 3, 4, 1, 630, 475, 10, 5, 3, 4},
        {-3, -4, 10, 10, 0, 0, 1, 0, 0, 7, 6, 3, 4},
        {640, 0, 40, 10, 0, 0, 0, 0, 0, 0, 0, 0, 0},
        {-40, 0, 40, 10, 0, 0, 0, 0, 0, 0, 0, 0, 0},
        {0, 480, 40, 10, 0, 0, 0, 0, 0, 0, 0, 0, 0},
        {0, -10, 40, 10, 0, 0, 0, 0, 0, 0, 0, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message()
                     << "DrawSprite(" << c.x << ", " << c.y << ", " << c.w << ", " << c.h << ", "
                     << c.srcX << ", " << c.srcY << ")");
        ASSERT_EQ(graphics.FillRect(0, 0, kW, kH, kBackground), 0);
        EXPECT_EQ(graphics.DrawSprite(sheet.get(), c.x, c.y, c.w, c.h, c.srcX, c.srcY), c.result);
        EXPECT_EQ(CountWrong(c.dx, c.dy, c.dw, c.dh, c.sx, c.sy), 0);
    }
}

TEST_F(DrawingTest, RefusesEmptyAndUnusableRequestsWithoutDrawing) {
    EXPECT_EQ(graphics.DrawSprite(sheet.get(), 0, 0, 0, 10, 0, 0), 0);
    EXPECT_EQ(graphics.DrawSprite(sheet.get(), 0, 0, 10, 0, 0, 0), 0);
    EXPECT_EQ(graphics.DrawSprite(sheet.get(), 0, 0, -5, 10, 0, 0), 0);
    EXPECT_EQ(graphics.DrawSprite(nullptr, 0, 0, 10, 10, 0, 0), 0);
    // Source rectangles that leave the sheet are refused, not read.
    EXPECT_EQ(graphics.DrawSprite(sheet.get(), 0, 0, 10, 10, 835, 0), 0);
    EXPECT_EQ(graphics.DrawSprite(sheet.get(), 0, 0, 10, 10, 0, 75), 0);
    EXPECT_EQ(graphics.DrawSprite(sheet.get(), 0, 0, 10, 10, -1, 0), 0);
    // Extreme positions must not wrap around into the frame.
    EXPECT_EQ(graphics.DrawSprite(sheet.get(), INT32_MAX - 5, 0, 10, 10, 0, 0), 0);
    EXPECT_EQ(graphics.DrawSprite(sheet.get(), INT32_MIN + 5, 0, 10, 10, 0, 0), 0);
    EXPECT_EQ(CountWrong(0, 0, 0, 0, 0, 0), 0);

    CMemoryGraphics fresh(nullptr);
    EXPECT_EQ(fresh.DrawSprite(sheet.get(), 0, 0, 10, 10, 0, 0), 0);
    EXPECT_EQ(fresh.Present(nullptr), kStatusFail);
    EXPECT_EQ(fresh.CreateSurface(8, 8, 0), nullptr);
}

TEST_F(DrawingTest, FillRectWritesTheValueUnconvertedAndRefusesRectanglesOutsideTheFrame) {
    EXPECT_EQ(graphics.FillRect(10, 20, 64, 48, 0xFF123456u), 0);
    int filled = 0;
    for (int32_t y = 0; y < kH; ++y) {
        for (int32_t x = 0; x < kW; ++x) {
            const bool inside = x >= 10 && x < 74 && y >= 20 && y < 68;
            const uint32_t pixel = graphics.Pixels()[y * kW + x];
            filled += pixel == 0xFF123456u;
            ASSERT_EQ(pixel, inside ? 0xFF123456u : kBackground) << x << "," << y;
        }
    }
    EXPECT_EQ(filled, 64 * 48);

    ASSERT_EQ(graphics.FillRect(0, 0, kW, kH, kBackground), 0);
    const int32_t refused[][4] = {{-1, 0, 64, 48},
                                  {0, -1, 64, 48},
                                  {600, 0, 64, 48},
                                  {0, 440, 64, 48},
                                  {640, 0, 1, 1},
                                  {0, 480, 1, 1},
                                  {0, 0, 0, 48},
                                  {0, 0, 64, -1},
                                  {INT32_MAX, 0, 2, 2},
                                  {0, 0, INT32_MAX, 1},
                                  {-100000, -100000, 64, 48}};
    for (const auto& r : refused) {
        EXPECT_NE(graphics.FillRect(r[0], r[1], r[2], r[3], 0), 0)
            << r[0] << "," << r[1] << "," << r[2] << "," << r[3];
    }
    EXPECT_EQ(CountWrong(0, 0, 0, 0, 0, 0), 0);
    // The last tile of the opening wipe still fits exactly.
    EXPECT_EQ(graphics.FillRect(576, 432, 64, 48, 0), 0);
}

TEST_F(DrawingTest, PresentHandsTheWholeFrameToThePresenter) {
    CCountingPresenter presenter;
    CMemoryGraphics shown(&presenter);
    ASSERT_EQ(shown.Init(nullptr, kW, kH), 0);
    ASSERT_EQ(shown.FillRect(0, 0, 1, 1, 0x112233), 0);
    ASSERT_EQ(shown.FillRect(kW - 1, kH - 1, 1, 1, 0x445566), 0);
    EXPECT_EQ(shown.Present(nullptr), 0);
    EXPECT_EQ(presenter.shown, 1);
    EXPECT_EQ(presenter.width, kW);
    EXPECT_EQ(presenter.height, kH);
    EXPECT_EQ(presenter.first, 0x112233u);
    EXPECT_EQ(presenter.last, 0x445566u);
    // Without a presenter the frame is only kept.
    EXPECT_EQ(graphics.Present(nullptr), 0);
}

TEST_F(DrawingTest, KeyedCopyOfAnyPartOfASpeckledSheetMatchesPixelByPixel) {
    // Runs of key and colour of every length from 1 to 7, in every row.
    constexpr int32_t kSheetW = 97, kSheetH = 23;
    std::vector<uint32_t> picture(kSheetW * kSheetH);
    uint32_t seed = 7;
    auto next = [&seed] {
        seed = seed * 1103515245u + 12345u;
        return (seed >> 16) & 0x7fff;
    };
    for (int32_t y = 0; y < kSheetH; ++y) {
        bool key = next() % 2 == 0;
        for (int32_t x = 0; x < kSheetW;) {
            for (uint32_t n = 1 + next() % 7; n > 0 && x < kSheetW; --n, ++x) {
                picture[y * kSheetW + x] = key ? 0xff00ff : PatternPixel(x, y);
            }
            key = !key;
        }
    }
    std::unique_ptr<CMemorySurface> speckled(
        LoadSheet(graphics, kSheetW, kSheetH, 24, picture, 0xff00ff));
    ASSERT_NE(speckled, nullptr);
    std::vector<uint32_t> want(static_cast<size_t>(kW) * kH, kBackground);
    for (int i = 0; i < 300; ++i) {
        const int32_t w = 1 + next() % kSheetW, h = 1 + next() % kSheetH;
        const int32_t srcX = next() % (kSheetW - w + 1), srcY = next() % (kSheetH - h + 1);
        // Mostly near the edges, so that clipping moves the source too.
        const int32_t x = static_cast<int32_t>(next() % 2 ? next() % 120 : kW - next() % 120) - 60;
        const int32_t y = static_cast<int32_t>(next() % 2 ? next() % 60 : kH - next() % 60) - 30;
        const int32_t drawn = graphics.DrawSprite(speckled.get(), x, y, w, h, srcX, srcY);
        int32_t arrived = 0;
        for (int32_t row = 0; row < h; ++row) {
            for (int32_t col = 0; col < w; ++col) {
                const int32_t fx = x + col, fy = y + row;
                const uint32_t p = picture[(srcY + row) * kSheetW + srcX + col];
                if (fx >= 0 && fx < kW && fy >= 0 && fy < kH) {
                    ++arrived;
                    if (p != 0xff00ff) {
                        want[fy * kW + fx] = p;
                    }
                }
            }
        }
        EXPECT_EQ(drawn, arrived > 0 ? 1 : 0);
    }
    int wrong = 0;
    for (size_t i = 0; i < want.size(); ++i) {
        wrong += graphics.Pixels()[i] != want[i];
    }
    EXPECT_EQ(wrong, 0);
}

TEST(DrawingLifecycleTest, ReleaseMayBeRepeatedAndSheetsOutliveNothingTheyNeed) {
    CMemoryGraphics never(nullptr);
    never.Release();
    never.Release();

    auto* graphics = new CMemoryGraphics(nullptr);
    ASSERT_EQ(graphics->Init(nullptr, kW, kH), 0);
    CSurface* sheet = graphics->CreateSurface(8, 8, kSurfaceSystemMemory);
    ASSERT_NE(sheet, nullptr);
    graphics->Release();
    graphics->Release();
    EXPECT_EQ(graphics->Pixels(), nullptr);
    EXPECT_EQ(graphics->DrawSprite(sheet, 0, 0, 8, 8, 0, 0), 0);
    EXPECT_NE(graphics->FillRect(0, 0, 8, 8, 0), 0);
    EXPECT_NE(graphics->Present(nullptr), 0);
    // Set up again after a release.
    ASSERT_EQ(graphics->Init(nullptr, kW, kH), 0);
    EXPECT_EQ(graphics->DrawSprite(sheet, 0, 0, 8, 8, 0, 0), 1);
    // Even the wrong order of teardown must not touch freed memory.
    delete graphics;
    EXPECT_EQ(sheet->FillRect(0, 0, 8, 8, 0x0000ff), 1);
    delete sheet;
}

TEST(DrawingLifecycleTest, CreateSurfaceMakesBlankSheetsOfSensibleSizes) {
    CMemoryGraphics graphics(nullptr);
    ASSERT_EQ(graphics.Init(nullptr, kW, kH), 0);
    std::unique_ptr<CSurface> small(graphics.CreateSurface(8, 8, 0));
    ASSERT_NE(small, nullptr);
    auto* surface = dynamic_cast<CMemorySurface*>(small.get());
    ASSERT_NE(surface, nullptr);
    EXPECT_EQ(surface->Width(), 8);
    EXPECT_EQ(surface->Height(), 8);
    EXPECT_EQ(surface->ColorKey(), 0u);
    EXPECT_EQ(graphics.CreateSurface(0, 8, 0), nullptr);
    EXPECT_EQ(graphics.CreateSurface(8, -1, 0), nullptr);
    EXPECT_EQ(graphics.CreateSurface(100000, 100000, 0), nullptr);
    HDC dc = reinterpret_cast<HDC>(1);
    EXPECT_NE(graphics.GetDC(&dc), 0);
    EXPECT_EQ(dc, nullptr);
}

}  // namespace
