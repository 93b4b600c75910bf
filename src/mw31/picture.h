// Off-screen RGB pictures: what the players draw into before copying to a window.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "mw31/canvas.h"

namespace mw31 {

class Picture {
  public:
    virtual ~Picture() = default;
    virtual int width() const = 0;
    virtual int height() const = 0;
    virtual Canvas& canvas() = 0;
    // Rows top to bottom, 3 bytes (R, G, B) per pixel, no padding.
    virtual std::vector<uint8_t> rgb_rows() const = 0;
    // The pixels in place, when the picture keeps them as 32-bit words 0xffRRGGBB in native
    // byte order (rows top to bottom, *stride_bytes apart); null otherwise. Valid until the
    // picture is drawn on again. Recording reads them without a copy.
    virtual const uint32_t* rgb32_pixels(ptrdiff_t* stride_bytes) const {
        (void)stride_bytes;
        return nullptr;
    }
    // Writes the picture in the format the name's extension asks for (PNG without one).
    // False for a format that cannot be written or a failed write; the old file stays then.
    virtual bool save_png(const std::string& path) const = 0;
};

// Null when the size is not positive or the memory cannot be had.
std::unique_ptr<Picture> create_picture(int width, int height);

}  // namespace mw31
