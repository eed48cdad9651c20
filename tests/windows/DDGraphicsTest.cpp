// The DirectDraw device on real surfaces: clipping, colour keys, the sheets
// loaded from the program's bitmaps, and the copy to the window.
#include <memory>

#include "graphics/DDGraphics.h"
#include "graphics/DDSurface.h"
#include "tests/windows/WinCheck.h"
#include "tests/windows/WinTestSupport.h"

namespace {

// Pattern of the clipping sheet: every pixel tells its own column and row,
// and none is 0 or the magenta key.
uint32_t PatternAt(int32_t x, int32_t y) {
    return (static_cast<uint32_t>(x + 1) << 8) | static_cast<uint32_t>(y);
}

struct DeviceFixture {
    CTestWindow window;
    CDDGraphics graphics;
    bool ready = false;
    DeviceFixture() { ready = graphics.Init(window.Handle(), 640, 480) == DD_OK; }
};

// Fills a whole surface with one raw value.
void FillRaw(IDirectDrawSurface4* surface, uint32_t value) {
    CLockedSurface pixels(surface);
    for (int32_t y = 0; y < pixels.Height(); ++y) {
        for (int32_t x = 0; x < pixels.Width(); ++x) {
            pixels.Set(x, y, value);
        }
    }
}

CDDSurface* AsDD(CSurface* surface) {
    return dynamic_cast<CDDSurface*>(surface);
}

}  // namespace

WIN_TEST(DirectDrawInitMakesTheBackBufferAndShowsIt) {
    DeviceFixture device;
    REQUIRE(device.ready);
    IDirectDrawSurface4* back = device.graphics.BackBuffer();
    REQUIRE(back != nullptr);
    DDSURFACEDESC2 desc = {};
    desc.dwSize = sizeof(desc);
    CHECK_EQ(back->GetSurfaceDesc(&desc), DD_OK);
    CHECK_EQ(desc.dwWidth, 640u);
    CHECK_EQ(desc.dwHeight, 480u);

    CHECK_EQ(device.graphics.FillRect(0, 0, 640, 480, 0), DD_OK);
    CHECK_EQ(device.graphics.Present(device.window.Handle()), DD_OK);

    // Released twice, the device is harmlessly empty.
    device.graphics.Release();
    device.graphics.Release();
    CHECK(device.graphics.BackBuffer() == nullptr);
}

WIN_TEST(DirectDrawDeviceBeforeInitDrawsNothing) {
    CDDGraphics graphics;
    CHECK_EQ(graphics.DrawSprite(nullptr, 0, 0, 10, 10, 0, 0), 0);
    CHECK(graphics.CreateSurface(8, 8, 0) == nullptr);
    graphics.Release();
}

WIN_TEST(DirectDrawCreateSurface) {
    DeviceFixture device;
    REQUIRE(device.ready);
    std::unique_ptr<CSurface> small(device.graphics.CreateSurface(8, 8, 0));
    REQUIRE(small != nullptr);
    DDSURFACEDESC2 desc = {};
    desc.dwSize = sizeof(desc);
    CHECK_EQ(AsDD(small.get())->Surface()->GetSurfaceDesc(&desc), DD_OK);
    CHECK_EQ(desc.dwWidth, 8u);
    CHECK_EQ(desc.dwHeight, 8u);
    CHECK((desc.ddsCaps.dwCaps & DDSCAPS_OFFSCREENPLAIN) != 0);
    CHECK_EQ(AsDD(small.get())->ColorKey(), 0u);

    std::unique_ptr<CSurface> system(device.graphics.CreateSurface(16, 4, kSurfaceSystemMemory));
    REQUIRE(system != nullptr);
    CHECK_EQ(AsDD(system.get())->Surface()->GetSurfaceDesc(&desc), DD_OK);
    CHECK((desc.ddsCaps.dwCaps & DDSCAPS_SYSTEMMEMORY) != 0);

    // A size DirectDraw refuses gives no sheet.
    CHECK(device.graphics.CreateSurface(0, 0, 0) == nullptr);
}

// The sprite clipping table: where each call's pixels land, on a sheet whose
// every pixel names its own place.
WIN_TEST(DirectDrawSpriteClipping) {
    DeviceFixture device;
    REQUIRE(device.ready);
    std::unique_ptr<CSurface> sheet(device.graphics.CreateSurface(840, 80, 0));
    REQUIRE(sheet != nullptr);
    {
        CLockedSurface pixels(AsDD(sheet.get())->Surface());
        REQUIRE(pixels.Ok());
        REQUIRE(pixels.Bits() == 32);
        for (int32_t y = 0; y < 80; ++y) {
            for (int32_t x = 0; x < 840; ++x) {
                pixels.Set(x, y, PatternAt(x, y));
            }
        }
    }
    sheet->SetColorKey(0xff00ff);
    CHECK_EQ(AsDD(sheet.get())->ColorKey(), 0x00ff00ffu);

    struct Case {
        int32_t x, y, w, h, srcX, srcY;
        int32_t result;
        // Where the pixels land and which source pixel is at the corner.
        int32_t dstX, dstY, dstW, dstH, fromX, fromY;
    };
    const Case cases[] = {
        {-10, 0, 40, 10, 100, 0, 1, 0, 0, 30, 10, 110, 0},
        {620, 0, 40, 10, 100, 0, 1, 620, 0, 20, 10, 100, 0},
        {-100, 0, 840, 10, 0, 0, 1, 0, 0, 640, 10, 100, 0},
        {0, 470, 40, 30, 0, 50, 1, 0, 470, 40, 10, 0, 50},
        {5, -20, 30, 25, 0, 0, 1, 5, 0, 30, 5, 0, 20},
        {640, 0, 40, 10, 0, 0, 0, 0, 0, 0, 0, 0, 0},
        {0, 480, 40, 10, 0, 0, 0, 0, 0, 0, 0, 0, 0},
        {-40, 0, 40, 10, 0, 0, 0, 0, 0, 0, 0, 0, 0},
        {10, 10, 0, 10, 0, 0, 0, 0, 0, 0, 0, 0, 0},
        {10, 10, 10, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0},
    };
    for (const Case& c : cases) {
        CHECK_EQ(device.graphics.FillRect(0, 0, 640, 480, 0), DD_OK);
        CHECK_EQ(device.graphics.DrawSprite(sheet.get(), c.x, c.y, c.w, c.h, c.srcX, c.srcY),
                 c.result);
        CLockedSurface back(device.graphics.BackBuffer());
        REQUIRE(back.Ok());
        int32_t wrong = 0;
        for (int32_t y = 0; y < 480; ++y) {
            for (int32_t x = 0; x < 640; ++x) {
                const bool inside =
                    x >= c.dstX && x < c.dstX + c.dstW && y >= c.dstY && y < c.dstY + c.dstH;
                const uint32_t expected =
                    inside ? PatternAt(c.fromX + x - c.dstX, c.fromY + y - c.dstY) : 0;
                if ((back.Get(x, y) & 0xffffff) != expected) {
                    ++wrong;
                }
            }
        }
        if (wrong != 0) {
            std::printf("  sprite (%d, %d, %d, %d, %d, %d): %d pixels wrong\n", c.x, c.y, c.w, c.h,
                        c.srcX, c.srcY, wrong);
        }
        CHECK_EQ(wrong, 0);
    }
    CHECK_EQ(device.graphics.DrawSprite(nullptr, 0, 0, 10, 10, 0, 0), 0);
}

// Sheets loaded from the bitmaps: exactly the pixels that hold the key
// colour's value are transparent, for the white-keyed balloons and the
// magenta-keyed coins.
WIN_TEST(DirectDrawColourKeysOnLoadedSheets) {
    DeviceFixture device;
    REQUIRE(device.ready);
    struct Sheet {
        int32_t id, w, h;
        COLORREF key;
        uint32_t keyValue;
    };
    const Sheet sheets[] = {{2008, 96, 91, 0xffffff, 0x00ffffff},
                            {2004, 150, 50, 0xff00ff, 0x00ff00ff}};
    const uint32_t background = 0x00123456;
    for (const Sheet& s : sheets) {
        std::unique_ptr<CSurface> sheet(device.graphics.CreateSurface(s.w, s.h, 0));
        REQUIRE(sheet != nullptr);
        CHECK(sheet->LoadBitmapResource(s.id, 0, 0, s.w, s.h, 0, 0, s.key));
        CHECK_EQ(AsDD(sheet.get())->ColorKey(), s.keyValue);
        DDCOLORKEY key = {};
        CHECK_EQ(AsDD(sheet.get())->Surface()->GetColorKey(DDCKEY_SRCBLT, &key), DD_OK);
        CHECK_EQ(key.dwColorSpaceLowValue, s.keyValue);
        CHECK_EQ(key.dwColorSpaceHighValue, s.keyValue);

        CHECK_EQ(device.graphics.FillRect(0, 0, 640, 480, background), DD_OK);
        CHECK_EQ(device.graphics.DrawSprite(sheet.get(), 100, 50, s.w, s.h, 0, 0), 1);
        CLockedSurface source(AsDD(sheet.get())->Surface());
        CLockedSurface back(device.graphics.BackBuffer());
        REQUIRE(source.Ok() && back.Ok());
        int32_t transparent = 0;
        int32_t opaque = 0;
        int32_t wrong = 0;
        for (int32_t y = 0; y < s.h; ++y) {
            for (int32_t x = 0; x < s.w; ++x) {
                const uint32_t picture = source.Get(x, y) & 0xffffff;
                const uint32_t shown = back.Get(100 + x, 50 + y) & 0xffffff;
                if (picture == s.keyValue) {
                    ++transparent;
                    wrong += shown != background;
                } else {
                    ++opaque;
                    wrong += shown != picture;
                }
            }
        }
        CHECK(transparent > 0);
        CHECK(opaque > 0);
        CHECK_EQ(wrong, 0);
    }
}

WIN_TEST(DirectDrawMatchColorLeavesTheTopLeftPixel) {
    DeviceFixture device;
    REQUIRE(device.ready);
    std::unique_ptr<CSurface> sheet(device.graphics.CreateSurface(8, 8, 0));
    REQUIRE(sheet != nullptr);
    IDirectDrawSurface4* surface = AsDD(sheet.get())->Surface();
    FillRaw(surface, 0x00345678);

    // 0x00BBGGRR in, the surface's 0x00RRGGBB out.
    CHECK_EQ(sheet->MatchColor(0x000000ff), 0x00ff0000u);
    CHECK_EQ(sheet->MatchColor(0x00ff00ff), 0x00ff00ffu);
    CHECK_EQ(sheet->MatchColor(0x00332211), 0x00112233u);
    {
        CLockedSurface pixels(surface);
        REQUIRE(pixels.Ok());
        CHECK_EQ(pixels.Get(0, 0) & 0xffffff, 0x00345678u);
    }
    // With the invalid colour, the raw top-left value and no write.
    CHECK_EQ(sheet->MatchColor(kInvalidColor), 0x00345678u);

    // Fills: colour 0 is the raw value 0; others are converted.
    CHECK_EQ(sheet->FillRect(0, 0, 8, 8, 0x0000ff00), 1);
    {
        CLockedSurface pixels(surface);
        CHECK_EQ(pixels.Get(5, 5) & 0xffffff, 0x0000ff00u);
    }
    CHECK_EQ(sheet->FillRect(0, 0, 8, 8, 0), 1);
    {
        CLockedSurface pixels(surface);
        CHECK_EQ(pixels.Get(5, 5) & 0xffffff, 0u);
    }
    sheet->SetColorKey(0x00ff0000);
    CHECK_EQ(sheet->ClearToColorKey(2, 2, 2, 2), 1);
    {
        CLockedSurface pixels(surface);
        CHECK_EQ(pixels.Get(3, 3) & 0xffffff, 0x000000ffu);
        CHECK_EQ(pixels.Get(4, 4) & 0xffffff, 0u);
    }
}

WIN_TEST(DirectDrawLoadAndBlitFailures) {
    DeviceFixture device;
    REQUIRE(device.ready);
    std::unique_ptr<CSurface> sheet(device.graphics.CreateSurface(16, 16, 0));
    REQUIRE(sheet != nullptr);
    sheet->SetColorKey(0x00ff00ff);
    // No such bitmap: false, and the key stays.
    CHECK(!sheet->LoadBitmapResource(1999, 0, 0, 16, 16, 0, 0, 0xffffff));
    CHECK_EQ(AsDD(sheet.get())->ColorKey(), 0x00ff00ffu);
    CHECK(!sheet->LoadImage("no-such-picture.bmp", 0, 0, 16, 16, 0, 0, 0xffffff));

    std::unique_ptr<CSurface> other(device.graphics.CreateSurface(16, 16, 0));
    REQUIRE(other != nullptr);
    FillRaw(AsDD(sheet.get())->Surface(), 0x00010203);
    FillRaw(AsDD(other.get())->Surface(), 0x00040506);
    CHECK_EQ(sheet->Blit(other.get(), 0, 0, 0, 4, 0, 0), 0);
    CHECK_EQ(sheet->Blit(nullptr, 0, 0, 4, 4, 0, 0), 0);
    {
        CLockedSurface pixels(AsDD(sheet.get())->Surface());
        CHECK_EQ(pixels.Get(1, 1) & 0xffffff, 0x00010203u);
    }
    CHECK_EQ(sheet->Blit(other.get(), 0, 0, 4, 4, 0, 0), 1);
    {
        CLockedSurface pixels(AsDD(sheet.get())->Surface());
        CHECK_EQ(pixels.Get(1, 1) & 0xffffff, 0x00040506u);
        CHECK_EQ(pixels.Get(5, 5) & 0xffffff, 0x00010203u);
    }
}

// A bitmap file on disk loads through LoadImage's file fallback.
WIN_TEST(DirectDrawLoadImageFromFile) {
    DeviceFixture device;
    REQUIRE(device.ready);
    const std::string path = WinTestDataDir() + "/picture.bmp";
    if (ReadWholeFile(path).empty()) {
        std::printf("  (no %s: skipped)\n", path.c_str());
        return;
    }
    std::unique_ptr<CSurface> sheet(device.graphics.CreateSurface(4, 4, 0));
    REQUIRE(sheet != nullptr);
    CHECK(sheet->LoadImage(path.c_str(), 0, 0, 4, 4, 0, 0, 0xff00ff));
    CLockedSurface pixels(AsDD(sheet.get())->Surface());
    REQUIRE(pixels.Ok());
    // The test picture is red on its left half and blue on its right.
    CHECK_EQ(pixels.Get(0, 0) & 0xffffff, 0x00ff0000u);
    CHECK_EQ(pixels.Get(3, 3) & 0xffffff, 0x000000ffu);
}
