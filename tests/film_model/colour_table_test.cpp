// Tests of the film colour table: presets, the inverted display's swap, any colour number.
#include "film_model/colour_table.h"

#include <gtest/gtest.h>

#include <climits>

namespace film {
namespace {

TEST(ColourTable, PresetAndWhiteRest) {
    ColourTable t;
    EXPECT_EQ(t.lookup(0), (Rgb{0, 0, 0}));
    EXPECT_EQ(t.lookup(5), (Rgb{255, 165, 0}));
    EXPECT_EQ(t.lookup(9), (Rgb{127, 127, 255}));
    EXPECT_EQ(t.lookup(15), (Rgb{170, 60, 60}));
    for (int i = 16; i < 256; ++i) EXPECT_EQ(t.lookup(i), (Rgb{255, 255, 255})) << i;
}

TEST(ColourTable, InvertSwapsBlackAndWhiteUntilReset) {
    ColourTable t;
    t.swap_black_white();
    EXPECT_EQ(t.lookup(0), (Rgb{255, 255, 255}));
    EXPECT_EQ(t.lookup(1), (Rgb{0, 0, 0}));
    EXPECT_EQ(t.lookup(2), (Rgb{255, 0, 0}));
    t.reset();
    EXPECT_EQ(t.lookup(0), (Rgb{0, 0, 0}));
    t.entries[200] = Rgb{1, 2, 3};
    t.reset();
    EXPECT_EQ(t.lookup(200), (Rgb{255, 255, 255}));
}

TEST(ColourTable, NumbersOutsideTheTableWrapIntoIt) {
    ColourTable t;
    t.entries[255] = Rgb{1, 1, 1};
    EXPECT_EQ(t.lookup(256 + 2), t.lookup(2));
    EXPECT_EQ(t.lookup(-1), (Rgb{1, 1, 1}));
    EXPECT_EQ(ColourTable::index_of(-256), 0);
    EXPECT_EQ(ColourTable::index_of(INT_MIN), 0);
    EXPECT_EQ(ColourTable::index_of(INT_MAX), 255);
    EXPECT_EQ(ColourTable::index_of(65535), 255);
}

}  // namespace
}  // namespace film
