// RLE8 encoder against a plain, strict decoder and a plain encoder written from the format's
// description: every picture must decode back to itself, and the codes must be well formed.
#include "video/rle8.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <string>
#include <vector>

namespace {

struct Picture {
    int width = 0, height = 0;
    std::vector<uint8_t> pixels;  // rows top to bottom, no padding
};

// Decodes rows in coding order; fails on anything a careful reader would reject: runs past
// the row, absolute mode below three bytes, padding that is not zero, data after the end.
bool reference_decode(const std::vector<uint8_t>& code, int width, int height,
                      std::vector<uint8_t>* rows, std::string* why) {
    rows->assign(size_t(width) * size_t(height), 0xEE);
    size_t i = 0;
    int x = 0, y = 0;
    auto put = [&](uint8_t v) {
        if (x >= width || y >= height) return false;
        (*rows)[size_t(y) * size_t(width) + size_t(x++)] = v;
        return true;
    };
    while (true) {
        if (i + 2 > code.size()) return *why = "no end of bitmap", false;
        uint8_t a = code[i], b = code[i + 1];
        i += 2;
        if (a > 0) {
            for (int k = 0; k < a; ++k)
                if (!put(b)) return *why = "run past the row at " + std::to_string(i), false;
        } else if (b == 0) {
            if (x != width) return *why = "row " + std::to_string(y) + " ends early", false;
            x = 0;
            ++y;
        } else if (b == 1) {
            if (x != width || y != height - 1) return *why = "end of bitmap too early", false;
            if (i != code.size()) return *why = "bytes after the end of bitmap", false;
            return true;
        } else if (b == 2) {
            return *why = "delta escape in a key frame", false;
        } else {
            if (b < 3) return *why = "short absolute run", false;
            if (i + b > code.size()) return *why = "absolute run past the data", false;
            for (int k = 0; k < b; ++k)
                if (!put(code[i + size_t(k)])) return *why = "absolute run past the row", false;
            i += b;
            if (b & 1) {
                if (i >= code.size() || code[i] != 0) return *why = "bad absolute padding", false;
                ++i;
            }
        }
    }
}

// The plainest valid coding: encoded runs only. Gives the size a run coder must beat on
// pictures made of runs.
std::vector<uint8_t> reference_encode(const uint8_t* first_row, ptrdiff_t stride, int width,
                                      int height) {
    std::vector<uint8_t> out;
    for (int y = 0; y < height; ++y) {
        const uint8_t* row = first_row + y * stride;
        for (int x = 0; x < width;) {
            int n = 1;
            while (x + n < width && n < 255 && row[x + n] == row[x]) ++n;
            out.push_back(uint8_t(n));
            out.push_back(row[x]);
            x += n;
        }
        out.push_back(0);
        out.push_back(y + 1 < height ? 0 : 1);
    }
    return out;
}

std::vector<uint8_t> encode(const Picture& p, bool bottom_up) {
    std::vector<uint8_t> out(video::rle8_max_size(p.width, p.height) + 64, 0xCD);
    const uint8_t* first = p.pixels.data();
    ptrdiff_t stride = p.width;
    if (bottom_up) {
        first += ptrdiff_t(p.height - 1) * p.width;
        stride = -stride;
    }
    size_t n = video::rle8_encode(first, stride, p.width, p.height, out.data());
    EXPECT_LE(n, video::rle8_max_size(p.width, p.height));
    for (size_t k = n; k < out.size(); ++k) EXPECT_EQ(out[k], 0xCD) << "wrote past its size";
    out.resize(n);
    return out;
}

// Encodes, decodes with the reference, compares; rows come back in coding order.
void expect_round_trip(const Picture& p, const std::string& what) {
    for (bool bottom_up : {false, true}) {
        std::vector<uint8_t> code = encode(p, bottom_up);
        std::vector<uint8_t> rows;
        std::string why;
        ASSERT_TRUE(reference_decode(code, p.width, p.height, &rows, &why))
            << what << " " << p.width << "x" << p.height << ": " << why;
        for (int y = 0; y < p.height; ++y) {
            int src = bottom_up ? p.height - 1 - y : y;
            ASSERT_TRUE(std::equal(rows.begin() + y * p.width, rows.begin() + (y + 1) * p.width,
                                   p.pixels.begin() + src * p.width))
                << what << " " << p.width << "x" << p.height << ": row " << y << " differs";
        }
    }
}

Picture random_picture(int w, int h, int colours, std::mt19937& rng) {
    Picture p{w, h, std::vector<uint8_t>(size_t(w) * size_t(h))};
    std::uniform_int_distribution<int> c(0, colours - 1);
    for (auto& v : p.pixels) v = uint8_t(c(rng));
    return p;
}

// Background with lines, boxes and text-like speckles: long runs broken by short stretches.
Picture drawing_like(int w, int h, std::mt19937& rng) {
    Picture p{w, h, std::vector<uint8_t>(size_t(w) * size_t(h), 1)};
    std::uniform_int_distribution<int> X(0, w - 1), Y(0, h - 1), C(0, 15), L(1, 400);
    for (int k = 0; k < 60; ++k) {
        int y = Y(rng), x = X(rng), len = L(rng), c = C(rng);
        for (int i = 0; i < len && x + i < w; ++i) p.pixels[size_t(y) * w + x + i] = uint8_t(c);
        for (int i = 0; i < len && y + i < h; ++i) p.pixels[size_t(y + i) * w + x] = uint8_t(c);
    }
    for (int k = 0; k < 400; ++k) p.pixels[size_t(Y(rng)) * w + X(rng)] = uint8_t(C(rng));
    return p;
}

TEST(Rle8, RandomPicturesOfEverySmallShapeDecodeToThemselves) {
    std::mt19937 rng(1862);
    for (int w = 1; w <= 40; ++w)
        for (int h : {1, 2, 3, 7})
            for (int colours : {1, 2, 3, 256}) {
                expect_round_trip(random_picture(w, h, colours, rng),
                                  "colours " + std::to_string(colours));
                if (HasFatalFailure()) return;
            }
}

TEST(Rle8, WidthsAroundTheCountLimitsAndTheVectorBlocks) {
    // 255 is the longest run and literal stretch; 16 and 18 bound the wide scans.
    std::mt19937 rng(7);
    for (int w : {15,  16,  17,  18,  19,  31,  33,  253, 254, 255, 256,
                  257, 258, 259, 510, 511, 512, 513, 765, 766, 1023})
        for (int colours : {1, 2, 4, 256}) {
            expect_round_trip(random_picture(w, 3, colours, rng),
                              "colours " + std::to_string(colours));
            if (HasFatalFailure()) return;
        }
}

TEST(Rle8, LiteralStretchesOfEveryLengthBetweenRuns) {
    // A stretch of n bytes without three equal in a row between long runs, for every n
    // across two 255 blocks, so that splitting long stretches never goes wrong; once of
    // distinct bytes (absolute mode) and once of pairs (cheaper as runs of two).
    for (bool pairs : {false, true})
        for (int n = 0; n <= 520; ++n) {
            Picture p{n + 40, 1, {}};
            for (int i = 0; i < 20; ++i) p.pixels.push_back(5);
            for (int i = 0; i < n; ++i)
                p.pixels.push_back(uint8_t(pairs   ? 10 + (i / 2) % 200
                                           : i % 2 ? 100 + i % 7
                                                   : i % 5));
            for (int i = 0; i < 20; ++i) p.pixels.push_back(9);
            expect_round_trip(p, std::string(pairs ? "pairs " : "stretch ") + std::to_string(n));
            if (HasFatalFailure()) return;
            std::vector<uint8_t> plain = reference_encode(p.pixels.data(), 0, p.width, 1);
            if (n <= 255) {
                EXPECT_LE(encode(p, false).size(), plain.size()) << n;
            }
        }
}

TEST(Rle8, DrawingsDecodeAndNeverLoseToRunsOnlyCoding) {
    std::mt19937 rng(42);
    for (int w : {800, 801, 333}) {
        Picture p = drawing_like(w, 120, rng);
        expect_round_trip(p, "drawing");
        std::vector<uint8_t> ours = encode(p, true);
        std::vector<uint8_t> plain =
            reference_encode(p.pixels.data() + (p.height - 1) * w, -w, w, p.height);
        EXPECT_LE(ours.size(), plain.size()) << w;
    }
}

TEST(Rle8, SizesOfPlainCases) {
    // A uniform row of 800: three full runs and one of 35, then the end code.
    Picture flat{800, 2, std::vector<uint8_t>(1600, 3)};
    EXPECT_EQ(encode(flat, true).size(), size_t(2 * (4 * 2 + 2)));
    // Noise costs only its absolute-mode headers beyond the pixels.
    std::mt19937 rng(3);
    Picture noise = random_picture(800, 600, 256, rng);
    size_t n = encode(noise, true).size();
    EXPECT_GT(n, noise.pixels.size());
    EXPECT_LT(n, noise.pixels.size() + noise.pixels.size() / 50);
}

TEST(Rle8, StrideLeavesRowPaddingAlone) {
    // Rows of 5 pixels in a buffer of 8 per row: the padding bytes must never be coded.
    std::vector<uint8_t> buf(8 * 4, 0xAB);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 5; ++x) buf[y * 8 + x] = uint8_t(x == 2 ? y : 7);
    std::vector<uint8_t> out(video::rle8_max_size(5, 4));
    size_t n = video::rle8_encode(buf.data(), 8, 5, 4, out.data());
    out.resize(n);
    std::vector<uint8_t> rows;
    std::string why;
    ASSERT_TRUE(reference_decode(out, 5, 4, &rows, &why)) << why;
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 5; ++x) EXPECT_EQ(rows[y * 5 + x], buf[y * 8 + x]);
}

}  // namespace
