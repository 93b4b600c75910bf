// A picture handed to the video writers: borrowed pixels, rows top to bottom, any stride.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace video {

// Colour tables hold 0x00RRGGBB.
using Palette = std::array<uint32_t, 256>;

enum class PixelFormat {
    kIndexed8,  // one byte per pixel, colours from `palette`
    kRgb32,     // 0xAARRGGBB per pixel in machine order (bytes B, G, R, A), alpha ignored
    kRgb24,     // bytes R, G, B per pixel
};

struct PictureView {
    PixelFormat format = PixelFormat::kRgb32;
    int width = 0;
    int height = 0;
    ptrdiff_t stride = 0;  // bytes from one row to the next
    const uint8_t* pixels = nullptr;
    const uint32_t* palette = nullptr;  // kIndexed8 only: 256 entries
};

inline PictureView rgb32_picture(const void* pixels, int width, int height, ptrdiff_t stride) {
    return {
        PixelFormat::kRgb32, width, height, stride, static_cast<const uint8_t*>(pixels), nullptr};
}
inline PictureView rgb24_picture(const void* pixels, int width, int height, ptrdiff_t stride) {
    return {
        PixelFormat::kRgb24, width, height, stride, static_cast<const uint8_t*>(pixels), nullptr};
}
inline PictureView indexed8_picture(const void* pixels, int width, int height, ptrdiff_t stride,
                                    const uint32_t* palette) {
    return {PixelFormat::kIndexed8,
            width,
            height,
            stride,
            static_cast<const uint8_t*>(pixels),
            palette};
}

// The colour (0x00RRGGBB) of pixel (x, y).
inline uint32_t picture_colour(const PictureView& p, int x, int y) {
    const uint8_t* row = p.pixels + ptrdiff_t(y) * p.stride;
    switch (p.format) {
        case PixelFormat::kIndexed8:
            return p.palette[row[x]] & 0xffffffu;
        case PixelFormat::kRgb32:
            return uint32_t(row[4 * x + 2]) << 16 | uint32_t(row[4 * x + 1]) << 8 | row[4 * x];
        case PixelFormat::kRgb24:
            return uint32_t(row[3 * x]) << 16 | uint32_t(row[3 * x + 1]) << 8 | row[3 * x + 2];
    }
    return 0;
}

// False when sizes, stride or pointers cannot describe a picture.
inline bool picture_valid(const PictureView& p) {
    if (p.width <= 0 || p.height <= 0 || p.pixels == nullptr) return false;
    ptrdiff_t bpp = p.format == PixelFormat::kIndexed8 ? 1
                    : p.format == PixelFormat::kRgb24  ? 3
                                                       : 4;
    if (p.stride < 0 ? -p.stride < bpp * p.width : p.stride < bpp * p.width) return false;
    return p.format != PixelFormat::kIndexed8 || p.palette != nullptr;
}

}  // namespace video
