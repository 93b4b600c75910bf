// The user-coordinates reader's quick path for a record's real values when they are plain
// decimals of up to 7 digits before and after the point, as the writers print them. Where each
// value ends comes from byte masks of the whole record, so the values are read side by side
// instead of one after the other; any other shape is left to the careful reading.
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "film_model/line_film_fast_paths.h"

namespace film {

// Bytes that must be readable at p: the 64 bytes the masks look at and an eight-byte read of
// digits starting within them.
constexpr ptrdiff_t kUsercoorFastMargin = 80;

#if defined(__SSE2__)

struct RealByteMasks {
    uint64_t digit = 0, point = 0, sign = 0, other = 0;  // other: bytes that end a run
    uint64_t exponent = 0;                               // D, E, d, e
};

inline RealByteMasks real_byte_masks(const unsigned char* p) {
    RealByteMasks m;
    for (int i = 0; i < 4; ++i) {
        const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 16 * i));
        const __m128i digit = _mm_and_si128(_mm_cmpgt_epi8(b, _mm_set1_epi8('0' - 1)),
                                            _mm_cmplt_epi8(b, _mm_set1_epi8('9' + 1)));
        const __m128i point = _mm_cmpeq_epi8(b, _mm_set1_epi8('.'));
        const __m128i sign = _mm_or_si128(_mm_cmpeq_epi8(b, _mm_set1_epi8('-')),
                                          _mm_cmpeq_epi8(b, _mm_set1_epi8('+')));
        const __m128i lower = _mm_or_si128(b, _mm_set1_epi8(0x20));
        const __m128i exponent = _mm_or_si128(_mm_cmpeq_epi8(lower, _mm_set1_epi8('d')),
                                              _mm_cmpeq_epi8(lower, _mm_set1_epi8('e')));
        const int shift = 16 * i;
        m.digit |= uint64_t(uint32_t(_mm_movemask_epi8(digit))) << shift;
        m.point |= uint64_t(uint32_t(_mm_movemask_epi8(point))) << shift;
        m.sign |= uint64_t(uint32_t(_mm_movemask_epi8(sign))) << shift;
        m.exponent |= uint64_t(uint32_t(_mm_movemask_epi8(exponent))) << shift;
    }
    m.other = ~(m.digit | m.point | m.sign | m.exponent);
    return m;
}

// n values (1 to 5) from p, each ended by one byte outside the real runs. False, with nothing
// consumed, when a value is no plain decimal of that size (exponent, second sign or point, no
// digits, more than 7 digits on a side) or the values do not end within 64 bytes.
template <int n>
inline bool read_reals_in_block(const unsigned char* p, double* v, const unsigned char** after) {
    static constexpr double kPow10[8] = {1e0, 1e1, 1e2, 1e3, 1e4, 1e5, 1e6, 1e7};
    const RealByteMasks m = real_byte_masks(p);
    uint64_t ends = m.other;
    int start = 0;
    for (int k = 0; k < n; ++k) {
        if (ends == 0 || start >= 64) return false;
        const int end = std::countr_zero(ends);
        ends &= ends - 1;
        // The value's bytes [start, end): an optional sign first, digits and at most one point.
        const uint64_t span = ((uint64_t(1) << end) - 1) & ~((uint64_t(1) << start) - 1);
        const uint64_t first = uint64_t(1) << start;
        const uint64_t signs = m.sign & span;
        if ((signs & ~first) != 0 || (m.exponent & span) != 0) return false;
        const uint64_t point = m.point & span;
        if ((point & (point - 1)) != 0) return false;
        const int digits_from = start + (signs != 0);
        const int point_at = point != 0 ? std::countr_zero(point) : end;
        const int whole = point_at - digits_from;
        const int fraction = point != 0 ? end - point_at - 1 : 0;
        const int digits = whole + fraction;
        if (digits > 7 || digits == 0) return false;
        // The digits' eight bytes with the point (or the end) taken out: one number to read.
        const uint64_t bytes = load8(p + digits_from);
        const int cut = 8 * whole;
        const uint64_t below = bytes & ((uint64_t(1) << cut) - 1);
        const uint64_t above = ((bytes >> cut) >> 8) << cut;
        const double value = double(digits_value(below | above, digits)) / kPow10[fraction];
        // The sign bit set without a branch: signs come in no order a predictor could learn.
        const uint64_t negative = uint64_t(p[start] == '-') << 63;
        v[k] = std::bit_cast<double>(std::bit_cast<uint64_t>(value) | negative);
        start = end + 1;
    }
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
