// Palette mapping: exact tables while a picture or a stream has at most 256 colours, the
// fixed table with truly nearest colours beyond that, for every pixel layout and stride.
#include "video/palette.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <set>
#include <vector>

namespace {

using video::Palette;
using video::PictureView;

// An RGB32 picture with a stride wider than its rows (padding filled with junk).
struct Rgb32 {
    int width, height, stride_px;
    std::vector<uint32_t> px;
    Rgb32(int w, int h)
        : width(w), height(h), stride_px(w + 3), px(size_t(h) * (w + 3), 0xDEADBEEF) {}
    uint32_t& at(int x, int y) { return px[size_t(y) * stride_px + x]; }
    PictureView view() const {
        return video::rgb32_picture(px.data(), width, height, ptrdiff_t(stride_px) * 4);
    }
};

int distance(uint32_t a, uint32_t b) {
    int dr = int(a >> 16 & 255) - int(b >> 16 & 255), dg = int(a >> 8 & 255) - int(b >> 8 & 255),
        db = int(a & 255) - int(b & 255);
    return dr * dr + dg * dg + db * db;
}

TEST(FixedPalette, HoldsDistinctFilmSystemAndCubeColours) {
    const Palette& p = video::fixed_palette();
    std::set<uint32_t> all(p.begin(), p.end());
    EXPECT_EQ(all.size(), 256u);
    // Film colours (both tables and the grid grey), system colours, cube corners and steps.
    for (uint32_t c : {0x000000u, 0xffffffu, 0xffa500u, 0xaa3c3cu, 0x28505au, 0x7fff00u, 0x808080u,
                       0xc0dcc0u, 0xa6caf0u, 0x336699u, 0xcc00ffu})
        EXPECT_TRUE(all.count(c)) << std::hex << c;
    EXPECT_EQ(p[0], 0x000000u);  // film colour 0 keeps its number
    EXPECT_EQ(p[1], 0xffffffu);
    EXPECT_EQ(p[2], 0xff0000u);
}

TEST(Quantize, FewColoursGiveTheirOwnExactTable) {
    std::mt19937 rng(5);
    for (int colours : {1, 2, 17, 255, 256}) {
        Rgb32 pic(61, 23);
        std::vector<uint32_t> set;
        for (int i = 0; i < colours; ++i) set.push_back(0xff000000u | (uint32_t(rng()) & 0xffffff));
        for (int y = 0; y < pic.height; ++y)
            for (int x = 0; x < pic.width; ++x) pic.at(x, y) = set[(x * 7 + y * 13) % colours];
        std::vector<uint8_t> idx;
        Palette pal;
        int n = video::quantize_picture(pic.view(), &idx, &pal);
        std::set<uint32_t> distinct;
        for (uint32_t c : set) distinct.insert(c & 0xffffff);
        ASSERT_EQ(n, int(distinct.size()));
        for (int y = 0; y < pic.height; ++y)
            for (int x = 0; x < pic.width; ++x) {
                ASSERT_LT(idx[size_t(y) * pic.width + x], n);
                ASSERT_EQ(pal[idx[size_t(y) * pic.width + x]], pic.at(x, y) & 0xffffff)
                    << colours << " colours at " << x << "," << y;
            }
    }
}

TEST(Quantize, ManyColoursGetTheNearestOfTheFixedTable) {
    std::mt19937 rng(11);
    Rgb32 pic(97, 41);
    for (auto& c : pic.px) c = uint32_t(rng());
    std::vector<uint8_t> idx;
    Palette pal;
    ASSERT_EQ(video::quantize_picture(pic.view(), &idx, &pal), 256);
    EXPECT_EQ(pal, video::fixed_palette());
    for (int y = 0; y < pic.height; ++y)
        for (int x = 0; x < pic.width; ++x) {
            uint32_t c = pic.at(x, y) & 0xffffff;
            int best = 1 << 30;
            for (uint32_t q : pal) best = std::min(best, distance(q, c));
            ASSERT_EQ(distance(pal[idx[size_t(y) * pic.width + x]], c), best) << x << "," << y;
        }
}

TEST(Quantize, Rgb24AndRgb32OfTheSamePictureAgree) {
    std::mt19937 rng(2);
    for (int colours : {40, 5000}) {
        Rgb32 a(33, 9);
        std::vector<uint8_t> b(size_t(9) * 100);  // 33 × 3 bytes used of 100 per row
        for (int y = 0; y < 9; ++y)
            for (int x = 0; x < 33; ++x) {
                uint32_t c = uint32_t(rng() % colours) * 2654435761u & 0xffffff;
                a.at(x, y) = c;
                b[y * 100 + 3 * x] = uint8_t(c >> 16);
                b[y * 100 + 3 * x + 1] = uint8_t(c >> 8);
                b[y * 100 + 3 * x + 2] = uint8_t(c);
            }
        std::vector<uint8_t> ia, ib;
        Palette pa, pb;
        EXPECT_EQ(video::quantize_picture(a.view(), &ia, &pa),
                  video::quantize_picture(video::rgb24_picture(b.data(), 33, 9, 100), &ib, &pb));
        EXPECT_EQ(ia, ib);
        EXPECT_EQ(pa, pb);
    }
}

TEST(Quantize, RefusesPicturesThatAreNotValid) {
    std::vector<uint8_t> idx;
    Palette pal;
    uint32_t px[4] = {};
    EXPECT_EQ(video::quantize_picture(video::rgb32_picture(px, 0, 1, 4), &idx, &pal), -1);
    EXPECT_EQ(video::quantize_picture(video::rgb32_picture(px, 2, 2, 4), &idx, &pal),
              -1);  // stride
    EXPECT_EQ(video::quantize_picture(video::rgb32_picture(nullptr, 1, 1, 4), &idx, &pal), -1);
    EXPECT_EQ(video::quantize_picture(video::indexed8_picture(px, 2, 2, 2, nullptr), &idx, &pal),
              -1);
}

TEST(PaletteMapper, TableGrowsAcrossPicturesWithoutMovingEarlierColours) {
    video::PaletteMapper m;
    Rgb32 first(10, 1), second(10, 1);
    for (int x = 0; x < 10; ++x) {
        first.at(x, 0) = uint32_t(x % 3) * 0x101010;
        second.at(x, 0) = x < 5 ? uint32_t(x % 3) * 0x101010 : 0x00ff0000u + uint32_t(x);
    }
    uint8_t a[10], b[10];
    ASSERT_TRUE(m.map(first.view(), a, 10));
    EXPECT_EQ(m.used(), 3);
    Palette before = m.palette();
    ASSERT_TRUE(m.map(second.view(), b, 10));
    EXPECT_EQ(m.used(), 8);
    EXPECT_FALSE(m.approximated());
    EXPECT_TRUE(std::equal(before.begin(), before.begin() + 3, m.palette().begin()));
    for (int x = 0; x < 10; ++x) {
        EXPECT_EQ(m.palette()[a[x]], first.at(x, 0) & 0xffffff);
        EXPECT_EQ(m.palette()[b[x]], second.at(x, 0) & 0xffffff);
    }
}

TEST(PaletteMapper, FullTableGivesNearestAndSaysSo) {
    video::PaletteMapper m;
    Rgb32 pic(256, 1);
    for (int x = 0; x < 256; ++x) pic.at(x, 0) = uint32_t(x) * 0x010101;  // all 256 greys
    std::vector<uint8_t> out(256);
    ASSERT_TRUE(m.map(pic.view(), out.data(), 256));
    EXPECT_FALSE(m.approximated());
    Rgb32 extra(1, 1);
    extra.at(0, 0) = 0x7fff00;  // (127, 255, 0): the nearest grey is 127
    uint8_t i = 0;
    ASSERT_TRUE(m.map(extra.view(), &i, 1));
    EXPECT_TRUE(m.approximated());
    EXPECT_EQ(m.used(), 256);
    EXPECT_EQ(m.palette()[i], 0x7f7f7fu);
}

TEST(PaletteMapper, IndexedPicturesMergeDuplicateEntriesAndSkipUnusedOnes) {
    // A film's table: 16 colours and white for the rest. Only used indices take entries.
    Palette film{};
    film.fill(0xffffff);
    for (int i = 0; i < 16; ++i) film[i] = uint32_t(i) * 0x0f0e0d;
    film[1] = 0xffffff;
    std::vector<uint8_t> px = {1, 1, 200, 7, 7, 15, 255, 3};
    video::PaletteMapper m;
    uint8_t out[8];
    ASSERT_TRUE(m.map(video::indexed8_picture(px.data(), 8, 1, 8, film.data()), out, 8));
    EXPECT_EQ(m.used(), 4);  // white (1, 200, 255 alike), 3, 7, 15
    for (int x = 0; x < 8; ++x) EXPECT_EQ(m.palette()[out[x]], film[px[x]]);
    // The same picture with black and white swapped (an inverted display) stays exact.
    std::swap(film[0], film[1]);
    px[0] = 0;
    ASSERT_TRUE(m.map(video::indexed8_picture(px.data(), 8, 1, 8, film.data()), out, 8));
    EXPECT_FALSE(m.approximated());
    for (int x = 0; x < 8; ++x) EXPECT_EQ(m.palette()[out[x]], film[px[x]]);
}

}  // namespace
