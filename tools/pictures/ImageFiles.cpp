#include "ImageFiles.h"

#include <cstdio>

namespace {

class CBytes {
public:
    void U8(uint32_t v) { data.push_back(static_cast<uint8_t>(v & 0xff)); }
    void U16(uint32_t v) {
        U8(v);
        U8(v >> 8);
    }
    void U32(uint32_t v) {
        U16(v & 0xffff);
        U16(v >> 16);
    }
    void Pad4(size_t rowStart) {
        while ((data.size() - rowStart) % 4 != 0) {
            U8(0);
        }
    }
    size_t Size() const { return data.size(); }
    void Append(const CBytes& other) {
        data.insert(data.end(), other.data.begin(), other.data.end());
    }
    bool Save(const std::string& path) const {
        FILE* f = std::fopen(path.c_str(), "wb");
        if (f == nullptr) {
            return false;
        }
        const bool ok = std::fwrite(data.data(), 1, data.size(), f) == data.size();
        return std::fclose(f) == 0 && ok;
    }

private:
    std::vector<uint8_t> data;
};

uint32_t RowBytes(int32_t width, int32_t bits) {
    return ((static_cast<uint32_t>(width) * static_cast<uint32_t>(bits) + 31) / 32) * 4;
}

void InfoHeader(CBytes& out, int32_t width, int32_t height, int32_t bits, uint32_t colours,
                uint32_t imageBytes) {
    out.U32(40);
    out.U32(static_cast<uint32_t>(width));
    out.U32(static_cast<uint32_t>(height));
    out.U16(1);
    out.U16(static_cast<uint32_t>(bits));
    out.U32(0);  // no compression
    out.U32(imageBytes);
    out.U32(2835);  // 72 dots per inch
    out.U32(2835);
    out.U32(colours);
    out.U32(0);
}

void PaletteEntries(CBytes& out, const std::vector<Rgb>& palette, size_t count) {
    for (size_t i = 0; i < count; ++i) {
        const Rgb c = i < palette.size() ? palette[i] : kBlack;
        out.U8(c.b);
        out.U8(c.g);
        out.U8(c.r);
        out.U8(0);
    }
}

void IndexRows(CBytes& out, const CIndexedPicture& picture, int32_t bits) {
    for (int32_t y = picture.height - 1; y >= 0; --y) {
        const size_t rowStart = out.Size();
        const uint8_t* row =
            picture.index.data() + static_cast<size_t>(y) * static_cast<size_t>(picture.width);
        if (bits == 8) {
            for (int32_t x = 0; x < picture.width; ++x) {
                out.U8(row[x]);
            }
        } else {
            for (int32_t x = 0; x < picture.width; x += 2) {
                const uint32_t hi = row[x] & 0x0f;
                const uint32_t lo = x + 1 < picture.width ? (row[x + 1] & 0x0f) : 0;
                out.U8((hi << 4) | lo);
            }
        }
        out.Pad4(rowStart);
    }
}

// A 1-bit mask, bottom-up, rows padded to four bytes; `bit(x, y)` gives each bit.
template <typename F>
void MaskRows(CBytes& out, int32_t width, int32_t height, F bit) {
    for (int32_t y = height - 1; y >= 0; --y) {
        const size_t rowStart = out.Size();
        for (int32_t x = 0; x < width; x += 8) {
            uint32_t byte = 0;
            for (int32_t k = 0; k < 8; ++k) {
                if (x + k < width && bit(x + k, y)) {
                    byte |= 0x80u >> k;
                }
            }
            out.U8(byte);
        }
        out.Pad4(rowStart);
    }
}

}  // namespace

bool WriteBitmap(const std::string& path, const CIndexedPicture& picture,
                 const std::vector<Rgb>& palette, int32_t bits) {
    if (bits != 8 && bits != 4) {
        return false;
    }
    const uint32_t colours = bits == 8 ? 256 : 16;
    if (bits == 4) {
        for (uint8_t i : picture.index) {
            if (i >= 16) {
                return false;
            }
        }
    }
    const uint32_t imageBytes =
        RowBytes(picture.width, bits) * static_cast<uint32_t>(picture.height);
    const uint32_t offset = 14 + 40 + 4 * colours;
    CBytes out;
    out.U8('B');
    out.U8('M');
    out.U32(offset + imageBytes);
    out.U32(0);
    out.U32(offset);
    InfoHeader(out, picture.width, picture.height, bits, colours, imageBytes);
    PaletteEntries(out, palette, colours);
    IndexRows(out, picture, bits);
    return out.Save(path);
}

bool WriteIcon(const std::string& path, const CIndexedPicture& picture,
               const std::vector<Rgb>& palette, int32_t transparentIndex) {
    CBytes image;
    const uint32_t xorBytes = RowBytes(picture.width, 8) * static_cast<uint32_t>(picture.height);
    const uint32_t andBytes = RowBytes(picture.width, 1) * static_cast<uint32_t>(picture.height);
    // The image's height counts the colour rows and the mask rows together.
    InfoHeader(image, picture.width, picture.height * 2, 8, 256, xorBytes + andBytes);
    PaletteEntries(image, palette, 256);
    CIndexedPicture shown = picture;
    for (uint8_t& i : shown.index) {
        if (i == transparentIndex) {
            i = 0;  // see-through pixels are black in the colour rows
        }
    }
    IndexRows(image, shown, 8);
    MaskRows(image, picture.width, picture.height, [&](int32_t x, int32_t y) {
        return picture.index[static_cast<size_t>(y) * static_cast<size_t>(picture.width) +
                             static_cast<size_t>(x)] == transparentIndex;
    });
    CBytes out;
    out.U16(0);
    out.U16(1);  // icon
    out.U16(1);  // one image
    out.U8(static_cast<uint32_t>(picture.width));
    out.U8(static_cast<uint32_t>(picture.height));
    out.U8(0);  // 256 colours
    out.U8(0);
    out.U16(1);  // planes
    out.U16(8);  // bits per pixel
    out.U32(static_cast<uint32_t>(image.Size()));
    out.U32(6 + 16);
    out.Append(image);
    return out.Save(path);
}

bool WriteCursor(const std::string& path, const std::vector<uint8_t>& pixels, int32_t hotX,
                 int32_t hotY) {
    constexpr int32_t kSize = 32;
    if (pixels.size() != static_cast<size_t>(kSize * kSize)) {
        return false;
    }
    auto at = [&](int32_t x, int32_t y) { return pixels[static_cast<size_t>(y * kSize + x)]; };
    CBytes image;
    const uint32_t maskBytes = RowBytes(kSize, 1) * kSize;
    InfoHeader(image, kSize, kSize * 2, 1, 2, maskBytes * 2);
    PaletteEntries(image, {kBlack, kKeyWhite}, 2);
    // Colour rows: 1 paints white; the mask rows: 1 leaves the screen as it is.
    MaskRows(image, kSize, kSize, [&](int32_t x, int32_t y) { return at(x, y) == 2; });
    MaskRows(image, kSize, kSize, [&](int32_t x, int32_t y) { return at(x, y) == 0; });
    CBytes out;
    out.U16(0);
    out.U16(2);  // cursor
    out.U16(1);
    out.U8(kSize);
    out.U8(kSize);
    out.U8(2);  // colours
    out.U8(0);
    out.U16(static_cast<uint32_t>(hotX));
    out.U16(static_cast<uint32_t>(hotY));
    out.U32(static_cast<uint32_t>(image.Size()));
    out.U32(6 + 16);
    out.Append(image);
    return out.Save(path);
}
