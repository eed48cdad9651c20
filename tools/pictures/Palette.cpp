#include "Palette.h"

#include <algorithm>
#include <array>
#include <limits>
#include <map>

namespace {

int32_t Distance(int32_t r1, int32_t g1, int32_t b1, const Rgb& c) {
    const int32_t dr = r1 - c.r;
    const int32_t dg = g1 - c.g;
    const int32_t db = b1 - c.b;
    // The eye is most sensitive to green and least to blue.
    return 3 * dr * dr + 4 * dg * dg + 2 * db * db;
}

struct Sample {
    std::array<int32_t, 3> c;
    int64_t weight;
};

struct Box {
    std::vector<Sample> samples;
    int64_t Weight() const {
        int64_t w = 0;
        for (const Sample& s : samples) {
            w += s.weight;
        }
        return w;
    }
    int32_t WidestChannel(int32_t* range) const {
        int32_t best = 0;
        *range = -1;
        for (int32_t ch = 0; ch < 3; ++ch) {
            int32_t lo = 255;
            int32_t hi = 0;
            for (const Sample& s : samples) {
                lo = std::min(lo, s.c[ch]);
                hi = std::max(hi, s.c[ch]);
            }
            if (hi - lo > *range) {
                *range = hi - lo;
                best = ch;
            }
        }
        return best;
    }
    Rgb Mean() const {
        int64_t sum[3] = {0, 0, 0};
        int64_t w = 0;
        for (const Sample& s : samples) {
            for (int32_t ch = 0; ch < 3; ++ch) {
                sum[ch] += static_cast<int64_t>(s.c[ch]) * s.weight;
            }
            w += s.weight;
        }
        if (w == 0) {
            return kBlack;
        }
        return Rgb{static_cast<uint8_t>((sum[0] + w / 2) / w),
                   static_cast<uint8_t>((sum[1] + w / 2) / w),
                   static_cast<uint8_t>((sum[2] + w / 2) / w)};
    }
};

// Moves a colour away from the keys so that no display depth can confuse it with them.
Rgb AwayFromKeys(Rgb c) {
    if (LooksLikeKey(c, kKeyWhite)) {
        c.b = 244;
    }
    if (LooksLikeKey(c, kKeyMagenta)) {
        c.g = 16;
    }
    return c;
}

}  // namespace

bool LooksLikeKey(Rgb colour, Rgb key) {
    // 5 bits per channel keeps the top five bits; 6-bit green keeps more, so
    // the 5-bit test is the stricter one.
    return (colour.r >> 3) == (key.r >> 3) && (colour.g >> 3) == (key.g >> 3) &&
           (colour.b >> 3) == (key.b >> 3);
}

int32_t CPalette::Add(Rgb colour) {
    const int32_t found = Find(colour);
    if (found >= 0) {
        return found;
    }
    if (entries.size() >= 256) {
        return -1;
    }
    entries.push_back(colour);
    return Size() - 1;
}

int32_t CPalette::Find(Rgb colour) const {
    for (size_t i = 0; i < entries.size(); ++i) {
        if (entries[i] == colour) {
            return static_cast<int32_t>(i);
        }
    }
    return -1;
}

int32_t CPalette::Nearest(int32_t r, int32_t g, int32_t b,
                          const std::vector<int32_t>& excluded) const {
    int32_t best = -1;
    int32_t bestDistance = std::numeric_limits<int32_t>::max();
    for (size_t i = 0; i < entries.size(); ++i) {
        const int32_t idx = static_cast<int32_t>(i);
        if (std::find(excluded.begin(), excluded.end(), idx) != excluded.end()) {
            continue;
        }
        const int32_t d = Distance(r, g, b, entries[i]);
        if (d < bestDistance) {
            bestDistance = d;
            best = idx;
        }
    }
    return best;
}

void CPalette::FillFrom(const std::vector<const CPicture*>& pictures, int32_t maxEntries) {
    const int32_t free = maxEntries - Size();
    if (free <= 0) {
        return;
    }
    // Gather the colours that the present entries match badly, counted at
    // 6 bits per channel. Big pictures are weighted down so that the small
    // sprites get their share of the free entries.
    std::map<int32_t, int64_t> histogram;
    for (const CPicture* picture : pictures) {
        const int64_t area = static_cast<int64_t>(picture->width) * picture->height;
        const int64_t weight = std::max<int64_t>(1, 2000000 / std::max<int64_t>(area, 1) / 8);
        for (size_t i = 0; i < picture->pixels.size(); ++i) {
            if (!picture->opaque[i]) {
                continue;
            }
            const Rgb& c = picture->pixels[i];
            const int32_t n = Nearest(c.r, c.g, c.b, {});
            if (n >= 0 && Distance(c.r, c.g, c.b, entries[static_cast<size_t>(n)]) <= 60) {
                continue;
            }
            const int32_t key = ((c.r >> 2) << 12) | ((c.g >> 2) << 6) | (c.b >> 2);
            histogram[key] += weight;
        }
    }
    if (histogram.empty()) {
        return;
    }
    std::vector<Box> boxes(1);
    for (const auto& [key, weight] : histogram) {
        Sample s;
        s.c = {((key >> 12) & 63) * 4 + 2, ((key >> 6) & 63) * 4 + 2, (key & 63) * 4 + 2};
        s.weight = weight;
        boxes[0].samples.push_back(s);
    }
    while (static_cast<int32_t>(boxes.size()) < free) {
        // Split the box with the most weight times spread.
        int32_t pick = -1;
        int64_t bestScore = 0;
        for (size_t i = 0; i < boxes.size(); ++i) {
            if (boxes[i].samples.size() < 2) {
                continue;
            }
            int32_t range = 0;
            boxes[i].WidestChannel(&range);
            const int64_t score = boxes[i].Weight() * range;
            if (score > bestScore) {
                bestScore = score;
                pick = static_cast<int32_t>(i);
            }
        }
        if (pick < 0) {
            break;
        }
        Box& box = boxes[static_cast<size_t>(pick)];
        int32_t range = 0;
        const int32_t ch = box.WidestChannel(&range);
        std::sort(box.samples.begin(), box.samples.end(),
                  [ch](const Sample& a, const Sample& b) { return a.c[ch] < b.c[ch]; });
        const int64_t half = box.Weight() / 2;
        int64_t run = 0;
        size_t cut = 1;
        for (size_t i = 0; i + 1 < box.samples.size(); ++i) {
            run += box.samples[i].weight;
            cut = i + 1;
            if (run >= half) {
                break;
            }
        }
        Box upper;
        upper.samples.assign(box.samples.begin() + static_cast<std::ptrdiff_t>(cut),
                             box.samples.end());
        box.samples.resize(cut);
        boxes.push_back(std::move(upper));
    }
    for (const Box& box : boxes) {
        Add(AwayFromKeys(box.Mean()));
    }
}

CIndexedPicture Quantise(const CPicture& picture, const CPalette& palette, int32_t keyIndex,
                         const std::vector<int32_t>& excluded, bool dither) {
    CIndexedPicture out;
    out.width = picture.width;
    out.height = picture.height;
    out.index.assign(picture.pixels.size(), static_cast<uint8_t>(keyIndex));
    const int32_t w = picture.width;
    const int32_t h = picture.height;
    // Error carried to each pixel, per channel.
    std::vector<std::array<int32_t, 3>> error(picture.pixels.size(), {0, 0, 0});
    std::map<int32_t, int32_t> cache;
    for (int32_t y = 0; y < h; ++y) {
        // Serpentine scan keeps the dither free of diagonal streaks.
        const bool leftward = dither && (y % 2 == 1);
        for (int32_t step = 0; step < w; ++step) {
            const int32_t x = leftward ? w - 1 - step : step;
            const size_t i =
                static_cast<size_t>(y) * static_cast<size_t>(w) + static_cast<size_t>(x);
            if (!picture.opaque[i]) {
                continue;
            }
            const Rgb& c = picture.pixels[i];
            const int32_t want[3] = {std::clamp(c.r + error[i][0] / 16, 0, 255),
                                     std::clamp(c.g + error[i][1] / 16, 0, 255),
                                     std::clamp(c.b + error[i][2] / 16, 0, 255)};
            const int32_t key = (want[0] << 16) | (want[1] << 8) | want[2];
            int32_t n;
            const auto hit = cache.find(key);
            if (hit != cache.end()) {
                n = hit->second;
            } else {
                n = palette.Nearest(want[0], want[1], want[2], excluded);
                cache.emplace(key, n);
            }
            out.index[i] = static_cast<uint8_t>(n);
            if (!dither) {
                continue;
            }
            const Rgb& got = palette.At(n);
            const int32_t diff[3] = {want[0] - got.r, want[1] - got.g, want[2] - got.b};
            const int32_t dir = leftward ? -1 : 1;
            auto spread = [&](int32_t dx, int32_t dy, int32_t share) {
                const int32_t nx = x + dx * dir;
                const int32_t ny = y + dy;
                if (nx < 0 || nx >= w || ny >= h) {
                    return;
                }
                const size_t j =
                    static_cast<size_t>(ny) * static_cast<size_t>(w) + static_cast<size_t>(nx);
                if (!picture.opaque[j]) {
                    return;
                }
                for (int32_t ch = 0; ch < 3; ++ch) {
                    error[j][ch] += diff[ch] * share;
                }
            };
            spread(1, 0, 7);
            spread(-1, 1, 3);
            spread(0, 1, 5);
            spread(1, 1, 1);
        }
    }
    return out;
}
