// The 256-entry colour table of the 2D films: entries 0..15 preset, the rest white.
#pragma once

#include <array>
#include <cstdint>

namespace film {

struct Rgb {
    uint8_t r = 255, g = 255, b = 255;
    friend bool operator==(const Rgb&, const Rgb&) = default;
};

struct ColourTable {
    static constexpr int kSize = 256;
    std::array<Rgb, kSize> entries;

    ColourTable() { reset(); }
    // Entries 0..15 to their preset colours, 16..255 to white (done when a film is opened).
    void reset();
    // The same for user-coordinates films, which differ in entries 5, 9, 10 and 15.
    void reset_usercoor();
    // The inverted display exchanges black and white (entries 0 and 1).
    void swap_black_white();
    // Films may carry any number; it is taken modulo 256 into 0..255 (-1 gives 255), so no
    // number indexes outside the table.
    static int index_of(int colour_number) { return colour_number & (kSize - 1); }
    const Rgb& lookup(int colour_number) const { return entries[index_of(colour_number)]; }
};

// The program's one table: line films, contour colour names and user-coordinates films all
// index it, and the inverted display swaps its entries 0 and 1.
ColourTable& film_colour_table();

}  // namespace film
