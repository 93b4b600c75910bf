// The line-film reader's quick paths for the usual shapes of commands and values. Each reads its
// shape without branching on the digits and returns false (or reads nothing) for any other
// shape; the reader's careful byte-by-byte path takes over then.
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "film_model/frame_store.h"

namespace film {

// Decimal digits read eight bytes at a time (8 bytes must be readable at p). No branch depends
// on the digits, so numbers of varying length cost no mispredictions.
inline uint64_t load8(const unsigned char* p) {
    uint64_t w;
    std::memcpy(&w, p, 8);
    if constexpr (std::endian::native == std::endian::big) w = __builtin_bswap64(w);
    return w;  // the first byte lowest
}

inline constexpr uint64_t kThrees = 0x3030303030303030u;

// How many of the eight bytes are digits before the first other byte (8: all of them).
inline int leading_digits(uint64_t w) {
    // A byte is a digit when its high nibble is 3 and adding 6 keeps it so. Carries out of a
    // byte only reach later bytes, which lie beyond the first non-digit anyway.
    const uint64_t high = 0xF0F0F0F0F0F0F0F0u;
    const uint64_t bad = ((w & high) ^ kThrees) | (((w + 0x0606060606060606u) & high) ^ kThrees);
    const uint64_t low7 = 0x7F7F7F7F7F7F7F7Fu;
    const uint64_t flags = (((bad & low7) + low7) | bad) & ~low7;  // top bit of each non-digit
    return flags == 0 ? 8 : std::countr_zero(flags) >> 3;
}

// The value of the first `digits` bytes (0..7, all digits).
inline int32_t digits_value(uint64_t w, int digits) {
    // Digits to the top bytes (leading zero digits below them), then combined in pairs.
    uint64_t d = ((w - kThrees) << (63 - 8 * digits)) << 1;
    d = (d * 10 + (d >> 8)) & 0x00FF00FF00FF00FFu;
    d = (d * 100 + (d >> 16)) & 0x0000FFFF0000FFFFu;
    d = (d * 10000 + (d >> 32)) & 0xFFFFFFFFu;
    return int32_t(d);
}

#if defined(__SSE2__)
// Four values from their digits, each value's eight digit bytes (0-9, most significant in the
// top byte, leading zero digits below) in one word: digit pairs, then pairs of pairs, then the
// two halves, for all four at once.
inline __m128i four_values(uint64_t d0, uint64_t d1, uint64_t d2, uint64_t d3) {
    auto combine = [](uint64_t lo, uint64_t hi) {
        __m128i x = _mm_set_epi64x(int64_t(hi), int64_t(lo));
        x = _mm_add_epi16(
            _mm_mullo_epi16(_mm_and_si128(x, _mm_set1_epi16(0xFF)), _mm_set1_epi16(10)),
            _mm_srli_epi16(x, 8));
        x = _mm_madd_epi16(x, _mm_set1_epi32(0x00010064));
        return _mm_add_epi64(_mm_mul_epu32(x, _mm_set1_epi32(10000)), _mm_srli_epi64(x, 32));
    };
    return _mm_castps_si128(_mm_shuffle_ps(_mm_castsi128_ps(combine(d0, d1)),
                                           _mm_castsi128_ps(combine(d2, d3)),
                                           _MM_SHUFFLE(2, 0, 2, 0)));
}

// Four text values from p, where 64 bytes are readable. Digit and sign positions of 32 bytes
// come from byte masks, so finding where each value ends costs a few bit operations instead of
// a test per byte, and nothing branches on the values. False, with nothing consumed, when a
// value has more than 7 digits or the four do not end within 32 bytes; the careful reading
// takes over then.
inline bool read_text4_in_block(const unsigned char* p, int32_t* v, const unsigned char** after) {
    const __m128i zero = _mm_set1_epi8('0'), nine = _mm_set1_epi8(9);
    const __m128i minus = _mm_set1_epi8('-'), plus = _mm_set1_epi8('+');
    uint64_t digit = 0, minus_at = 0, sign_at = 0;
    for (int half = 0; half < 2; ++half) {
        const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 16 * half));
        const __m128i x = _mm_sub_epi8(b, zero);
        const __m128i m = _mm_cmpeq_epi8(b, minus);
        const int shift = 16 * half;
        digit |= uint64_t(unsigned(_mm_movemask_epi8(_mm_cmpeq_epi8(_mm_min_epu8(x, nine), x))))
                 << shift;
        minus_at |= uint64_t(unsigned(_mm_movemask_epi8(m))) << shift;
        sign_at |= uint64_t(unsigned(_mm_movemask_epi8(_mm_or_si128(m, _mm_cmpeq_epi8(b, plus)))))
                   << shift;
    }
    // Beyond the 32 bytes everything counts as a non-digit, so every count below is defined.
    const uint64_t non_digit = ~digit;
    unsigned at = 0, longest = 0;
    uint64_t d[4];
    uint32_t negative[4];
    for (int i = 0; i < 4; ++i) {
        negative[i] = 0u - (uint32_t(minus_at >> at) & 1u);
        at += unsigned(sign_at >> at) & 1u;
        const unsigned digits = unsigned(std::countr_zero(non_digit >> at));
        longest |= digits;
        // The digits to the top bytes, leading zero digits below them (see digits_value()).
        d[i] = ((load8(p + at) - kThrees) << (63 - 8 * (digits & 7u))) << 1;
        at += digits + 1;
    }
    const __m128i values = four_values(d[0], d[1], d[2], d[3]);
    const __m128i signs = _mm_loadu_si128(reinterpret_cast<const __m128i*>(negative));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(v),
                     _mm_sub_epi32(_mm_xor_si128(values, signs), signs));
    if (at > 32 || longest >= 8) return false;
    *after = p + at;
    return true;
}

// The usual shape of a line's values: four unsigned numbers of 1 to 8 digits, each ended by one
// byte, within the 32 bytes from p (64 readable). The ends are the lowest four bits of one
// non-digit mask, taken off one by one, and nothing is branched on per value. A sign can only
// stand where a value would then be empty, so requiring digits in each value rules signs out.
// False, with nothing consumed, for any other shape (read_text4_in_block() then takes it).
inline bool read_plain_text4(const unsigned char* p, int32_t* v, const unsigned char** after) {
    const __m128i zero = _mm_set1_epi8('0'), nine = _mm_set1_epi8(9);
    auto digits = [&](const unsigned char* at) {
        const __m128i x = _mm_sub_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(at)), zero);
        return uint64_t(unsigned(_mm_movemask_epi8(_mm_cmpeq_epi8(_mm_min_epu8(x, nine), x))));
    };
    uint64_t ends = ~(digits(p) | digits(p + 16) << 16);  // beyond the 32 bytes: no digits
    const unsigned t0 = unsigned(std::countr_zero(ends));
    ends &= ends - 1;
    const unsigned t1 = unsigned(std::countr_zero(ends));
    ends &= ends - 1;
    const unsigned t2 = unsigned(std::countr_zero(ends));
    ends &= ends - 1;
    const unsigned t3 = unsigned(std::countr_zero(ends));  // at most 35
    // Digit counts less one: an empty value wraps round to a huge count.
    const unsigned m0 = t0 - 1, m1 = t1 - t0 - 2, m2 = t2 - t1 - 2, m3 = t3 - t2 - 2;
    if ((t3 >= 32) | ((m0 | m1 | m2 | m3) >= 8)) return false;
    // The digits to the top bytes, leading zero digits below them (see digits_value()).
    auto top = [p](unsigned at, unsigned m) { return (load8(p + at) - kThrees) << (56 - 8 * m); };
    const __m128i values =
        four_values(top(0, m0), top(t0 + 1, m1), top(t1 + 1, m2), top(t2 + 1, m3));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(v), values);
    *after = p + t3 + 1;
    return true;
}
#endif

// The two records of a line from its four values.
inline void put_line_records(FilmRecord* out, const int32_t* v) {
    out[0] = FilmRecord{kMoveTo, v[0], v[1]};
    out[1] = FilmRecord{kLineTo, v[2], v[3]};
}

// Where a run of lines stands: the next byte, the next record and the lines still allowed.
struct LineRun {
    const unsigned char* p;
    FilmRecord* out;
    size_t lines_left;
};

#if defined(__SSE2__)
// The two records of a line from its four values in one vector, in two stores.
inline void put_line_records(FilmRecord* out, __m128i values) {
    const __m128i kinds = _mm_set_epi32(kLineTo, 0, 0, kMoveTo);
    const __m128i first_values = _mm_and_si128(_mm_shuffle_epi32(values, _MM_SHUFFLE(0, 1, 0, 0)),
                                               _mm_set_epi32(0, -1, -1, 0));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out), _mm_or_si128(kinds, first_values));
    _mm_storel_epi64(reinterpret_cast<__m128i*>(&out[1].a), _mm_unpackhi_epi64(values, values));
}
#endif

// A run of `L` commands (four big-endian shorts each) from run.p; stops at the first other
// command, at `end` (9 bytes must be readable from any p before it), or when no lines are
// left.
inline LineRun read_binary_line_run(LineRun run, const unsigned char* end) {
    while (run.lines_left > 0 && run.p < end && *run.p == 'L') {
        const unsigned char* const v = run.p + 1;
#if defined(__SSE2__)
        const __m128i raw = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(v));
        const __m128i swapped = _mm_or_si128(_mm_slli_epi16(raw, 8), _mm_srli_epi16(raw, 8));
        put_line_records(run.out, _mm_unpacklo_epi16(swapped, _mm_setzero_si128()));
#else
        const int32_t values[4] = {(v[0] << 8) | v[1], (v[2] << 8) | v[3], (v[4] << 8) | v[5],
                                   (v[6] << 8) | v[7]};
        put_line_records(run.out, values);
#endif
        run.p += 9;
        run.out += 2;
        --run.lines_left;
    }
    return run;
}

// A run of `l` commands from run.p whose four values are unsigned and of 1 to 4 digits, as
// films of the usual virtual sizes have them: each becomes a move and a line record. Stops at
// the first other command or shape, near `limit` (the end of the readable bytes), or when no
// lines are left. Without byte shuffles in the processor it reads nothing.
LineRun read_short_line_run(LineRun run, const unsigned char* limit);

}  // namespace film
