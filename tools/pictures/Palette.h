// The one palette shared by every picture of the game, and the mapping of
// drawn pictures onto it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

struct Rgb {
    uint8_t r = 0;
    uint8_t g = 0;
    uint8_t b = 0;
    bool operator==(const Rgb& o) const { return r == o.r && g == o.g && b == o.b; }
};

constexpr Rgb kKeyMagenta{255, 0, 255};
constexpr Rgb kKeyWhite{255, 255, 255};
constexpr Rgb kBlack{0, 0, 0};

// A drawn picture before it meets the palette: every pixel is either fully
// part of the picture (opaque, with its colour) or transparent.
struct CPicture {
    int32_t width = 0;
    int32_t height = 0;
    std::vector<Rgb> pixels;
    std::vector<uint8_t> opaque;
};

// A picture as palette indices.
struct CIndexedPicture {
    int32_t width = 0;
    int32_t height = 0;
    std::vector<uint8_t> index;
};

class CPalette {
public:
    // Adds a colour unless it is there already; returns its index, or -1 when full.
    int32_t Add(Rgb colour);
    int32_t Find(Rgb colour) const;
    int32_t Size() const { return static_cast<int32_t>(entries.size()); }
    const Rgb& At(int32_t i) const { return entries[static_cast<size_t>(i)]; }
    const std::vector<Rgb>& Entries() const { return entries; }

    // The nearest entry to a colour, never one of the excluded indices.
    int32_t Nearest(int32_t r, int32_t g, int32_t b, const std::vector<int32_t>& excluded) const;

    // Fills the free entries with colours that the pictures use but the
    // palette so far matches badly (median cut over those colours).
    void FillFrom(const std::vector<const CPicture*>& pictures, int32_t maxEntries);

private:
    std::vector<Rgb> entries;
};

// True when a colour would turn into the key colour on a 15- or 16-bit
// display, where the low bits of each channel are dropped.
bool LooksLikeKey(Rgb colour, Rgb key);

// Maps a picture onto the palette: transparent pixels become keyIndex, and
// opaque ones the nearest other entry (never an entry in `excluded`), with
// Floyd-Steinberg error diffusion inside the opaque area when `dither` is set.
CIndexedPicture Quantise(const CPicture& picture, const CPalette& palette, int32_t keyIndex,
                         const std::vector<int32_t>& excluded, bool dither);
