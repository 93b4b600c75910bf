// Turning RGB pictures into 8-bit indices and a colour table: the exact colours while there
// are at most 256 of them, else a fixed table with the nearest colour.
#pragma once

#include <cstdint>
#include <vector>

#include "video/picture_view.h"

namespace video {

// The film colour tables (both variants and the grid grey), the twenty static system
// colours, a 6x6x6 colour cube, and greys filling the rest: 256 different colours.
const Palette& fixed_palette();

// Index of the entry among the first `count` of `palette` nearest to `rgb` (squared
// distance; the lowest index on a tie).
int nearest_colour(const Palette& palette, int count, uint32_t rgb);

// Maps pictures onto one colour table that lives as long as a video stream: in exact mode
// colours take entries in the order they first occur, so earlier pictures stay valid as
// the table grows; once all 256 are taken, further colours get the nearest entry.
class PaletteMapper {
  public:
    PaletteMapper() { reset_exact(); }
    void reset_exact();
    void reset_fixed();  // fixed_palette(), nearest colour for everything

    // Writes width × height indices, rows top to bottom `dst_stride` apart. False for a
    // picture that is not valid.
    bool map(const PictureView& picture, uint8_t* dst, ptrdiff_t dst_stride);

    const Palette& palette() const { return palette_; }
    int used() const { return used_; }
    bool fixed() const { return fixed_; }
    // Some colour was not in the table and got the nearest one.
    bool approximated() const { return approximated_; }

  private:
    uint8_t lookup(uint32_t rgb);
    uint8_t nearest_cached(uint32_t rgb);

    Palette palette_{};
    int used_ = 0;
    bool fixed_ = false;
    bool approximated_ = false;
    // Exact colours: open addressing, a quarter full at most.
    std::vector<uint32_t> keys_;
    std::vector<uint8_t> values_;
    // Nearest-colour results, direct mapped (a miss only costs a search).
    std::vector<uint32_t> near_keys_;
    std::vector<uint8_t> near_values_;
    std::vector<int> seen_;  // per index of an 8-bit picture: scratch for its colour map
};

// One picture to indices (width × height, rows top to bottom, no padding) and a table:
// the picture's own colours when there are at most 256, else fixed_palette() and the
// nearest colours. Returns the entries in use, or -1 for a picture that is not valid.
int quantize_picture(const PictureView& picture, std::vector<uint8_t>* indices, Palette* palette);

}  // namespace video
