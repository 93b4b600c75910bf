// The pen cache: hits return the kept pen, and a full cache replaces entries in rotation.
#include "mw31/pen_cache.h"

#include <gtest/gtest.h>

namespace mw31 {
namespace {

Rgb colour_no(int i) {
    return Rgb{uint8_t(i), uint8_t(i >> 8), 7};
}

TEST(PenCache, SamePenIsKeptOnce) {
    PenCache cache;
    const Pen a = pen_from_cache(cache, PenStyle::Dash, 2, Rgb{1, 2, 3});
    EXPECT_EQ(a, (Pen{PenStyle::Dash, 2, Rgb{1, 2, 3}}));
    EXPECT_EQ(pen_from_cache(cache, PenStyle::Dash, 2, Rgb{1, 2, 3}), a);
    EXPECT_EQ(cache.entries.size(), 1u);
    // Any difference in style, width or colour is another pen.
    pen_from_cache(cache, PenStyle::Solid, 2, Rgb{1, 2, 3});
    pen_from_cache(cache, PenStyle::Dash, 3, Rgb{1, 2, 3});
    pen_from_cache(cache, PenStyle::Dash, 2, Rgb{1, 2, 4});
    EXPECT_EQ(cache.entries.size(), 4u);
}

TEST(PenCache, FullCacheReplacesInRotation) {
    PenCache cache;
    for (int i = 0; i < kPenCacheSize; ++i) pen_from_cache(cache, PenStyle::Solid, 1, colour_no(i));
    ASSERT_EQ(int(cache.entries.size()), kPenCacheSize);
    EXPECT_EQ(cache.next_replace, 0);

    pen_from_cache(cache, PenStyle::Solid, 1, colour_no(256));  // the 257th replaces the first
    EXPECT_EQ(int(cache.entries.size()), kPenCacheSize);
    EXPECT_EQ(cache.entries[0].colour, colour_no(256));
    EXPECT_EQ(cache.entries[0].pen.colour, colour_no(256));
    EXPECT_EQ(cache.entries[1].colour, colour_no(1));
    EXPECT_EQ(cache.next_replace, 1);

    // The first pen is gone: asking for it again replaces the next entry in turn.
    pen_from_cache(cache, PenStyle::Solid, 1, colour_no(0));
    EXPECT_EQ(cache.entries[1].colour, colour_no(0));
    // A hit does not move the rotation.
    pen_from_cache(cache, PenStyle::Solid, 1, colour_no(2));
    EXPECT_EQ(cache.next_replace, 2);

    for (int i = 0; i < kPenCacheSize - 2; ++i)
        pen_from_cache(cache, PenStyle::Dot, 1, colour_no(i));
    EXPECT_EQ(cache.next_replace, 0);  // wrapped around
    EXPECT_EQ(cache.entries[kPenCacheSize - 1].style, PenStyle::Dot);
}

}  // namespace
}  // namespace mw31
