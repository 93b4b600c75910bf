// RLE8 encoder. The scans for runs look at 16 bytes at a time, so that pictures with long
// literal stretches (noise, gradients) are encoded about as fast as memory is read.
#include "video/rle8.h"

#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace video {

namespace {

// First p in [i, w - 2) with row[p] == row[p + 1] == row[p + 2]; w when there is none.
inline int find_triple(const uint8_t* row, int i, int w) {
    int p = i;
#if defined(__SSE2__)
    for (; p + 18 <= w; p += 16) {
        __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(row + p));
        __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(row + p + 1));
        __m128i c = _mm_loadu_si128(reinterpret_cast<const __m128i*>(row + p + 2));
        unsigned m =
            unsigned(_mm_movemask_epi8(_mm_and_si128(_mm_cmpeq_epi8(a, b), _mm_cmpeq_epi8(b, c))));
        if (m != 0) return p + __builtin_ctz(m);
    }
#endif
    for (; p + 2 < w; ++p) {
        if (row[p] == row[p + 1] && row[p] == row[p + 2]) return p;
    }
    return w;
}

// Length of the run of row[p] starting at p, at most w - p.
inline int run_length(const uint8_t* row, int p, int w) {
    const uint8_t v = row[p];
    int q = p + 1;
#if defined(__SSE2__)
    const __m128i vv = _mm_set1_epi8(char(v));
    for (; q + 16 <= w; q += 16) {
        __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(row + q));
        unsigned m = unsigned(_mm_movemask_epi8(_mm_cmpeq_epi8(a, vv))) ^ 0xffffu;
        if (m != 0) return q + __builtin_ctz(m) - p;
    }
#endif
    while (q < w && row[q] == v) ++q;
    return q - p;
}

inline uint8_t* emit_run(uint8_t* o, uint8_t v, int r) {
    for (; r > 255; r -= 255) {
        o[0] = 255;
        o[1] = v;
        o += 2;
    }
    o[0] = uint8_t(r);
    o[1] = v;
    return o + 2;
}

// Runs in src[0, n): one more than the places where neighbours differ.
inline int count_runs(const uint8_t* src, int n) {
    int changes = 0, i = 0;
#if defined(__SSE2__)
    for (; i + 17 <= n; i += 16) {
        __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + i));
        __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + i + 1));
        changes += 16 - __builtin_popcount(unsigned(_mm_movemask_epi8(_mm_cmpeq_epi8(a, b))));
    }
#endif
    for (; i + 1 < n; ++i) changes += src[i] != src[i + 1];
    return changes + 1;
}

inline uint8_t* emit_literal(uint8_t* o, const uint8_t* src, int n) {
    while (n > 0) {
        int k = n > 255 ? 255 : n;
        // Leave no tail of one or two bytes, which would cost two bytes each as runs.
        if (n - k == 1 || n - k == 2) k -= 3;
        // Pairs of equal bytes can make runs of one and two cheaper than absolute mode.
        if (k >= 3 && 2 * count_runs(src, k) >= 2 + k + (k & 1)) {
            o[0] = 0;
            o[1] = uint8_t(k);
            std::memcpy(o + 2, src, size_t(k));
            o += 2 + k;
            if (k & 1) *o++ = 0;  // absolute runs end on a word boundary
        } else {
            for (int j = 0; j < k;) {
                int r = j + 1 < k && src[j + 1] == src[j] ? 2 : 1;
                o[0] = uint8_t(r);
                o[1] = src[j];
                o += 2;
                j += r;
            }
        }
        src += k;
        n -= k;
    }
    return o;
}

}  // namespace

size_t rle8_max_size(int width, int height) {
    if (width <= 0 || height <= 0) return 2;
    return size_t(height) * (2 * size_t(width) + 2) + 2;
}

size_t rle8_encode(const uint8_t* first_row, ptrdiff_t stride, int width, int height,
                   uint8_t* out) {
    uint8_t* o = out;
    for (int y = 0; y < height; ++y) {
        const uint8_t* row = first_row + ptrdiff_t(y) * stride;
        int i = 0;
        while (i < width) {
            int p = find_triple(row, i, width);
            if (p > i) o = emit_literal(o, row + i, p - i);
            if (p >= width) break;
            int r = run_length(row, p, width);
            o = emit_run(o, row[p], r);
            i = p + r;
        }
        o[0] = 0;
        o[1] = y + 1 < height ? 0 : 1;  // end of line, or end of bitmap after the last row
        o += 2;
    }
    if (height <= 0) {
        o[0] = 0;
        o[1] = 1;
        o += 2;
    }
    return size_t(o - out);
}

}  // namespace video
