// Microsoft RLE8 ('mrle', BI_RLE8) encoding of 8-bit pictures, one key frame at a time.
#pragma once

#include <cstddef>
#include <cstdint>

namespace video {

// Bytes enough for any picture of this size (at most two per pixel plus the row ends).
size_t rle8_max_size(int width, int height);

// Encodes `height` rows of `width` pixels; `first_row` is the row coded first (a DIB's bottom
// row) and `stride` steps to the next one, so it is negative for a top-down picture.
// Runs of three or more equal bytes are coded as runs, other stretches of three or more in
// absolute mode padded to a word; rows end with end-of-line, the last with end-of-bitmap.
// `out` must hold rle8_max_size(width, height); returns the bytes written.
size_t rle8_encode(const uint8_t* first_row, ptrdiff_t stride, int width, int height, uint8_t* out);

}  // namespace video
