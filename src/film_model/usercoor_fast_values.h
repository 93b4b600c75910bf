// The user-coordinates reader's quick path for a record's real values when they are plain
// decimals of up to 7 digits, as the writers print them. Where each value ends, where its
// digits and point lie come from byte masks of the record's bytes, so the values are read side
// by side instead of one after the other; any other shape is left to the careful reading.
#pragma once

#include <array>
#include <bit>
#include <cstddef>
#include <cstdint>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "film_model/line_film_fast_paths.h"

namespace film {

// Bytes that must be readable at p: the 64 bytes the masks look at at most and an eight-byte
// read of digits starting within them.
constexpr ptrdiff_t kUsercoorFastMargin = 80;

// The bytes a real value's run is made of.
constexpr std::array<bool, 256> make_real_run_bytes() {
    std::array<bool, 256> t{};
    for (const char c : {'+', '-', '.', 'D', 'E', 'd', 'e'})
        t[static_cast<unsigned char>(c)] = true;
    for (char c = '0'; c <= '9'; ++c) t[static_cast<unsigned char>(c)] = true;
    return t;
}
inline constexpr std::array<bool, 256> kRealRunByte = make_real_run_bytes();

#if defined(__SSE2__)

struct RealByteMasks {
    uint64_t digit = 0, point = 0, sign = 0, minus = 0;  // sign: + or -
};

// The masks of 16 * chunks bytes from p; beyond them no byte is a digit, point or sign.
template <int chunks>
inline RealByteMasks real_byte_masks(const unsigned char* p) {
    static_assert(chunks >= 1 && chunks <= 4);
    RealByteMasks m;
    const __m128i zero = _mm_set1_epi8('0'), nine = _mm_set1_epi8(9);
#pragma GCC unroll 4
    for (int i = 0; i < chunks; ++i) {
        const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 16 * i));
        const __m128i x = _mm_sub_epi8(b, zero);
        const __m128i digit = _mm_cmpeq_epi8(_mm_min_epu8(x, nine), x);
        const __m128i minus = _mm_cmpeq_epi8(b, _mm_set1_epi8('-'));
        const __m128i sign = _mm_or_si128(minus, _mm_cmpeq_epi8(b, _mm_set1_epi8('+')));
        const __m128i point = _mm_cmpeq_epi8(b, _mm_set1_epi8('.'));
        const int shift = 16 * i;
        m.digit |= uint64_t(uint32_t(_mm_movemask_epi8(digit))) << shift;
        m.point |= uint64_t(uint32_t(_mm_movemask_epi8(point))) << shift;
        m.sign |= uint64_t(uint32_t(_mm_movemask_epi8(sign))) << shift;
        m.minus |= uint64_t(uint32_t(_mm_movemask_epi8(minus))) << shift;
    }
    return m;
}

// The value of digits in the top bytes with leading zero digits below them, as digits_value()
// combines them.
inline uint32_t top_digits_value(uint64_t d) {
    d = (d * 10 + (d >> 8)) & 0x00FF00FF00FF00FFu;
    d = (d * 100 + (d >> 16)) & 0x0000FFFF0000FFFFu;
    d = (d * 10000 + (d >> 32)) & 0xFFFFFFFFu;
    return uint32_t(d);
}

// Up to 7 digits (count) from at with one byte after the first `whole` of them left out (the
// point, or the end when there is none), moved to the top bytes with leading zero digits below
// them as digits_value() has them. Counts are taken modulo 8 to keep the shifts defined.
inline uint64_t joined_digit_word(const unsigned char* at, int whole, int count) {
    const uint64_t bytes = load8(at);
    const int cut = 8 * (whole & 7);
    const uint64_t joined = (bytes & ((uint64_t(1) << cut) - 1)) | (((bytes >> cut) >> 8) << cut);
    return ((joined - kThrees) << (63 - 8 * (count & 7))) << 1;
}

inline constexpr double kUsercoorPow10[8] = {1e0, 1e1, 1e2, 1e3, 1e4, 1e5, 1e6, 1e7};

// Two values from their digits as integers: with at most 7 digits these and the powers of ten
// are exact doubles, so the division is the one rounding, as in the standard conversion.
inline void store_two_reals(__m128i integers, int f0, int f1, uint64_t negative0,
                            uint64_t negative1, double* v) {
    const __m128d scale = _mm_set_pd(kUsercoorPow10[f1], kUsercoorPow10[f0]);
    const __m128d q = _mm_div_pd(_mm_cvtepi32_pd(integers), scale);
    const __m128i signs = _mm_set_epi64x(int64_t(negative1), int64_t(negative0));
    _mm_storeu_pd(v, _mm_or_pd(q, _mm_castsi128_pd(signs)));
}

// n values (2 to 6) from p, each ended by one byte outside the real runs. False, with nothing
// consumed, when a value is no plain decimal of that size (exponent, second sign or point, no
// digits, more than 7 digits) or the values do not end within the bytes looked at; v may have
// been written then.
template <int n>
inline bool read_reals_in_block(const unsigned char* p, double* v, const unsigned char** after) {
    static_assert(n >= 2 && n <= 6);
    // A value that can be read here spans at most 10 bytes with the one that ends it.
    constexpr int kChunks = (10 * n + 15) / 16;
    const RealByteMasks m = real_byte_masks<kChunks>(p);
    // The two top bytes are taken as no digit, point or sign and bit 62 as an end, so that every
    // count and shift below is defined whatever the bytes; a record reaching them is refused.
    constexpr uint64_t kTop = uint64_t(3) << 62, kGuard = uint64_t(1) << 62;
    const uint64_t non_digit = ~m.digit | kTop;
    const uint64_t point = m.point & ~kTop;
    const uint64_t sign = m.sign & ~kTop;
    uint64_t ends = ~(m.digit | m.point | m.sign) | kGuard;
    uint64_t bad = 0;
    int start = 0, end = 0;
    uint64_t words[n], negative[n];
    int fraction[n];
#pragma GCC unroll 6
    for (int k = 0; k < n; ++k) {
        end = std::countr_zero(ends);
        ends = (ends & (ends - 1)) | kGuard;
        // [sign] digits [point digits], then the end, which must be no exponent letter.
        const int digits_from = start + int((sign >> start) & 1);
        const int whole = std::countr_zero(non_digit >> digits_from);
        const int after_whole = digits_from + whole;
        const int fraction_from = after_whole + int((point >> after_whole) & 1);
        const int fraction_digits = std::countr_zero(non_digit >> fraction_from);
        const int digits = whole + fraction_digits;
        // Non-zero when the parts do not reach the end, or there are no digits or more than 7.
        bad |= uint64_t(unsigned(fraction_from + fraction_digits) ^ unsigned(end)) |
               uint64_t(kRealRunByte[p[end]]) | uint64_t(unsigned(digits - 1) > 6u);
        words[k] = joined_digit_word(p + digits_from, whole, digits);
        fraction[k] = fraction_digits & 7;
        negative[k] = (m.minus >> start) << 63;
        start = end + 1;
    }
    if constexpr (n >= 4) {
        const __m128i integers = four_values(words[0], words[1], words[2], words[3]);
        store_two_reals(integers, fraction[0], fraction[1], negative[0], negative[1], v);
        store_two_reals(_mm_unpackhi_epi64(integers, integers), fraction[2], fraction[3],
                        negative[2], negative[3], v + 2);
    }
    constexpr int kDone = n >= 4 ? 4 : 0;
    if constexpr (n - kDone >= 2) {
        const __m128i integers = four_values(words[kDone], words[kDone + 1], 0, 0);
        store_two_reals(integers, fraction[kDone], fraction[kDone + 1], negative[kDone],
                        negative[kDone + 1], v + kDone);
    }
    if constexpr ((n - kDone) % 2 != 0) {
        const double value =
            double(top_digits_value(words[n - 1])) / kUsercoorPow10[fraction[n - 1]];
        v[n - 1] = std::bit_cast<double>(std::bit_cast<uint64_t>(value) | negative[n - 1]);
    }
    if (bad != 0 || end >= (16 * kChunks < 62 ? 16 * kChunks : 62)) return false;
    *after = p + start;
    return true;
}

#else

template <int n>
inline bool read_reals_in_block(const unsigned char*, double*, const unsigned char**) {
    return false;
}

#endif

}  // namespace film
