// Preset colours of the 2D films and the black/white exchange of the inverted display.
#include "film_model/colour_table.h"

#include <utility>

namespace film {

namespace {

constexpr Rgb kPreset[16] = {
    {0, 0, 0},       {255, 255, 255}, {255, 0, 0},     {255, 0, 255},
    {90, 90, 90},    {255, 165, 0},   {255, 255, 100}, {0, 255, 0},
    {255, 255, 0},   {127, 127, 255}, {0, 255, 255},   {230, 100, 230},
    {100, 100, 255}, {0, 100, 0},     {255, 255, 255}, {170, 60, 60},
};

}  // namespace

void ColourTable::reset() {
    for (int i = 0; i < kSize; ++i) entries[i] = i < 16 ? kPreset[i] : Rgb{255, 255, 255};
}

void ColourTable::reset_usercoor() {
    reset();
    entries[5] = Rgb{40, 80, 90};
    entries[9] = Rgb{127, 127, 0};
    entries[10] = Rgb{127, 255, 0};
    entries[15] = Rgb{255, 255, 255};
}

void ColourTable::swap_black_white() {
    std::swap(entries[0], entries[1]);
}

ColourTable& film_colour_table() {
    static ColourTable table;
    return table;
}

}  // namespace film
