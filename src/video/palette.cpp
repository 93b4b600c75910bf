// Colour tables for 8-bit video: exact tables built as colours occur, and the fixed table.
#include "video/palette.h"

#include <algorithm>
#include <new>

namespace video {

namespace {

constexpr uint32_t kUsed = 0x80000000u;  // marks a filled hash slot (colours have 24 bits)
constexpr int kExactBits = 10;
constexpr int kNearBits = 12;

inline uint32_t hash_colour(uint32_t rgb, int bits) {
    return (rgb * 0x9E3779B1u) >> (32 - bits);
}

Palette make_fixed_palette() {
    std::vector<uint32_t> colours = {
        // The film colour table, its user-coordinates variants and the grid grey.
        0x000000, 0xffffff, 0xff0000, 0xff00ff, 0x5a5a5a, 0xffa500, 0xffff64, 0x00ff00, 0xffff00,
        0x7f7fff, 0x00ffff, 0xe664e6, 0x6464ff, 0x006400, 0xffffff, 0xaa3c3c, 0x28505a, 0x7f7f00,
        0x7fff00, 0x808080,
        // The static system colours that 8-bit bitmaps of the desktop always carry.
        0x800000, 0x008000, 0x808000, 0x000080, 0x800080, 0x008080, 0xc0c0c0, 0xc0dcc0, 0xa6caf0,
        0xfffbf0, 0xa0a0a4, 0xff0000, 0x00ff00, 0xffff00, 0x0000ff, 0xff00ff, 0x00ffff};
    for (int r = 0; r < 6; ++r)
        for (int g = 0; g < 6; ++g)
            for (int b = 0; b < 6; ++b)
                colours.push_back(uint32_t(r * 51) << 16 | (g * 51) << 8 | b * 51);
    Palette out{};
    int n = 0;
    auto add = [&](uint32_t c) {
        if (n < 256 && std::find(out.begin(), out.begin() + n, c) == out.begin() + n) out[n++] = c;
    };
    for (uint32_t c : colours) add(c);
    // Greys between the cube's steps fill what is left, for shading and antialiased edges.
    for (int step = 8; n<256; step = step> 1 ? step / 2 : 1) {
        for (int v = step; v < 256 && n < 256; v += step) add(uint32_t(v) * 0x010101u);
        if (step == 1) break;
    }
    return out;
}

}  // namespace

const Palette& fixed_palette() {
    static const Palette palette = make_fixed_palette();
    return palette;
}

int nearest_colour(const Palette& palette, int count, uint32_t rgb) {
    int r = int(rgb >> 16 & 0xff), g = int(rgb >> 8 & 0xff), b = int(rgb & 0xff);
    int best = 0, best_d = 1 << 30;
    for (int i = 0; i < count; ++i) {
        uint32_t c = palette[i];
        int dr = int(c >> 16 & 0xff) - r, dg = int(c >> 8 & 0xff) - g, db = int(c & 0xff) - b;
        int d = dr * dr + dg * dg + db * db;
        if (d < best_d) {
            best_d = d;
            best = i;
            if (d == 0) break;
        }
    }
    return best;
}

void PaletteMapper::reset_exact() {
    palette_.fill(0);
    used_ = 0;
    fixed_ = false;
    approximated_ = false;
    keys_.assign(size_t(1) << kExactBits, 0);
    values_.assign(keys_.size(), 0);
    near_keys_.assign(size_t(1) << kNearBits, 0);
    near_values_.assign(near_keys_.size(), 0);
}

void PaletteMapper::reset_fixed() {
    reset_exact();
    for (uint32_t c : fixed_palette()) lookup(c);
    fixed_ = true;
}

uint8_t PaletteMapper::nearest_cached(uint32_t rgb) {
    uint32_t slot = hash_colour(rgb, kNearBits);
    if (near_keys_[slot] == (rgb | kUsed)) return near_values_[slot];
    int i = nearest_colour(palette_, used_, rgb);
    if (palette_[i] != rgb) approximated_ = true;
    near_keys_[slot] = rgb | kUsed;
    near_values_[slot] = uint8_t(i);
    return uint8_t(i);
}

uint8_t PaletteMapper::lookup(uint32_t rgb) {
    uint32_t mask = (1u << kExactBits) - 1;
    uint32_t slot = hash_colour(rgb, kExactBits);
    while (keys_[slot] != 0) {
        if (keys_[slot] == (rgb | kUsed)) return values_[slot];
        slot = (slot + 1) & mask;
    }
    if (fixed_ || used_ == 256) return nearest_cached(rgb);
    keys_[slot] = rgb | kUsed;
    values_[slot] = uint8_t(used_);
    palette_[used_] = rgb;
    return uint8_t(used_++);
}

bool PaletteMapper::map(const PictureView& p, uint8_t* dst, ptrdiff_t dst_stride) {
    if (!picture_valid(p)) return false;
    const int w = p.width;
    if (p.format == PixelFormat::kIndexed8) {
        // Only colours the picture uses may take entries, in the order of their indices.
        bool occurs[256] = {};
        for (int y = 0; y < p.height; ++y) {
            const uint8_t* s = p.pixels + ptrdiff_t(y) * p.stride;
            for (int x = 0; x < w; ++x) occurs[s[x]] = true;
        }
        uint8_t lut[256] = {};
        for (int k = 0; k < 256; ++k)
            if (occurs[k]) lut[k] = lookup(p.palette[k] & 0xffffffu);
        for (int y = 0; y < p.height; ++y) {
            const uint8_t* s = p.pixels + ptrdiff_t(y) * p.stride;
            uint8_t* d = dst + ptrdiff_t(y) * dst_stride;
            for (int x = 0; x < w; ++x) d[x] = lut[s[x]];
        }
        return true;
    }
    // Neighbouring pixels mostly repeat, so the last colour is kept at hand.
    uint32_t last = 0xffffffffu;
    uint8_t last_index = 0;
    for (int y = 0; y < p.height; ++y) {
        const uint8_t* s = p.pixels + ptrdiff_t(y) * p.stride;
        uint8_t* d = dst + ptrdiff_t(y) * dst_stride;
        for (int x = 0; x < w; ++x) {
            uint32_t c;
            if (p.format == PixelFormat::kRgb32)
                c = uint32_t(s[4 * x + 2]) << 16 | uint32_t(s[4 * x + 1]) << 8 | s[4 * x];
            else
                c = uint32_t(s[3 * x]) << 16 | uint32_t(s[3 * x + 1]) << 8 | s[3 * x + 2];
            if (c != last) {
                last = c;
                last_index = lookup(c);
            }
            d[x] = last_index;
        }
    }
    return true;
}

int quantize_picture(const PictureView& picture, std::vector<uint8_t>* indices, Palette* palette) {
    if (!picture_valid(picture)) return -1;
    try {
        indices->resize(size_t(picture.width) * size_t(picture.height));
        PaletteMapper mapper;
        mapper.map(picture, indices->data(), picture.width);
        if (mapper.approximated()) {
            mapper.reset_fixed();
            mapper.map(picture, indices->data(), picture.width);
        }
        *palette = mapper.palette();
        return mapper.fixed() ? 256 : mapper.used();
    } catch (const std::bad_alloc&) {
        return -1;
    }
}

}  // namespace video
