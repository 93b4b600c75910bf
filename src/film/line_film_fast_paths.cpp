// Runs of lines with short text values, read with byte shuffles where the processor has them:
// the digits of all four values are moved into place at once, then weighted and summed.
#include "film/line_film_fast_paths.h"

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#define KV_SHUFFLE_PATH 1
#include <tmmintrin.h>
#endif

namespace film {

#if KV_SHUFFLE_PATH
namespace {

// For two values of 1 to 4 digits each (index: first length - 1 + 4 * (second length - 1)),
// where their digits lie from the load and where they go: each value right-aligned in a 4-byte
// slot, most significant digit first, missing leading digits zero.
struct PairShuffles {
    alignas(16) unsigned char mask[16][16];
};

constexpr PairShuffles pair_shuffles(int first_slot) {
    PairShuffles t{};
    for (int i = 0; i < 16; ++i) {
        const int lengths[2] = {1 + (i & 3), 1 + (i >> 2)};
        for (unsigned char& b : t.mask[i]) b = 0x80;  // a zero byte
        int start = 0;
        for (int k = 0; k < 2; ++k) {
            const int slot = 4 * (first_slot + k);
            for (int j = 4 - lengths[k]; j < 4; ++j)
                t.mask[i][slot + j] = static_cast<unsigned char>(start + j - (4 - lengths[k]));
            start += lengths[k] + 1;
        }
    }
    return t;
}

constexpr PairShuffles kFirstPair = pair_shuffles(0);
constexpr PairShuffles kSecondPair = pair_shuffles(2);

// For the non-digit bits of the ten bytes from a pair's start (bit i: byte i is no digit), the
// pair's shuffle index (low byte) and its length with both terminators (high byte; 0 when the
// bytes do not start with two values of 1 to 4 digits). Bytes after the pair do not matter.
struct PairShapes {
    uint16_t shape[1024];
};

constexpr PairShapes pair_shapes() {
    PairShapes t{};
    for (int bits = 0; bits < 1024; ++bits) {
        auto digits_from = [bits](int at) {
            int n = 0;
            while (at + n < 10 && !(bits >> (at + n) & 1)) ++n;
            return n;
        };
        const int first = digits_from(0);
        if (first < 1 || first > 4) continue;
        const int second = digits_from(first + 1);
        if (second < 1 || second > 4) continue;
        t.shape[bits] = uint16_t((first - 1 + 4 * (second - 1)) | (first + second + 2) << 8);
    }
    return t;
}

constexpr PairShapes kPairShapes = pair_shapes();

// The values of one line from v (just after its `l`; 48 bytes readable): false unless they are
// four unsigned values of 1 to 4 digits, each with one terminator; else *length is the bytes
// from v to the next command.
__attribute__((target("ssse3"))) inline bool short_line_values(const unsigned char* v,
                                                               __m128i* values, unsigned* length) {
    const __m128i zero = _mm_set1_epi8('0'), nine = _mm_set1_epi8(9);
    auto digit_bits = [&](__m128i x) {
        return unsigned(_mm_movemask_epi8(_mm_cmpeq_epi8(_mm_min_epu8(x, nine), x)));
    };
    const __m128i low = _mm_sub_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(v)), zero);
    const __m128i high =
        _mm_sub_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(v + 16)), zero);
    const uint32_t ends = ~(digit_bits(low) | digit_bits(high) << 16);
    const unsigned first = kPairShapes.shape[ends & 1023u];
    const unsigned first_length = first >> 8;
    const unsigned second = kPairShapes.shape[(ends >> first_length) & 1023u];
    if (first_length == 0 || second < 256) return false;
    const __m128i rest =
        _mm_sub_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(v + first_length)), zero);
    const __m128i digits = _mm_or_si128(
        _mm_shuffle_epi8(
            low, _mm_load_si128(reinterpret_cast<const __m128i*>(kFirstPair.mask[first & 15u]))),
        _mm_shuffle_epi8(rest, _mm_load_si128(reinterpret_cast<const __m128i*>(
                                   kSecondPair.mask[second & 15u]))));
    const __m128i tens = _mm_set1_epi16(0x010A);          // digit pairs: 10 * first + second
    const __m128i hundreds = _mm_set1_epi32(0x00010064);  // pairs of pairs: 100 * first + second
    *values = _mm_madd_epi16(_mm_maddubs_epi16(digits, tens), hundreds);
    *length = first_length + (second >> 8);
    return true;
}

// Lines are found from a mask of the bytes that may start a command (those above the digits) in
// 64 bytes, not from the end of the line before: so no line waits for the previous one to be
// read, and the processor reads several at once. A line whose own end is not the next start
// (an unusual terminator) ends the run.
__attribute__((target("ssse3"))) const unsigned char* short_line_run_ssse3(
    const unsigned char* p, const unsigned char* limit, size_t* lines, FilmRecord** out) {
    // A window looks at 64 bytes, and its last line at 48 more.
    constexpr ptrdiff_t kReach = 64 + 48;
    if (limit - p <= kReach) return p;
    const unsigned char* const end = limit - kReach;
    const __m128i last_digit = _mm_set1_epi8('9');
    auto start_bits = [&](const unsigned char* at) {
        const __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i*>(at));
        return uint64_t(
            unsigned(_mm_movemask_epi8(_mm_cmpeq_epi8(_mm_min_epu8(x, last_digit), x))) ^ 0xFFFFu);
    };
    // Records as stored: {move, x1, y1}, {line, x2, y2}.
    const __m128i kinds = _mm_set_epi32(kLineTo, 0, 0, kMoveTo);
    const __m128i value_lanes = _mm_set_epi32(0, -1, -1, 0);
    FilmRecord* o = *out;
    size_t left = *lines;
    while (left > 0 && p < end && *p == 'l') {
        uint64_t starts = start_bits(p) | start_bits(p + 16) << 16 | start_bits(p + 32) << 32 |
                          start_bits(p + 48) << 48;
        starts &= starts - 1;  // p itself
        unsigned at = 0;
        for (; starts != 0 && left > 0; starts &= starts - 1) {
            const unsigned next = unsigned(std::countr_zero(starts));
            __m128i values;
            unsigned length;
            if (p[at] != 'l' || !short_line_values(p + at + 1, &values, &length) ||
                at + 1 + length != next)
                break;
            const __m128i move = _mm_or_si128(
                kinds,
                _mm_and_si128(_mm_shuffle_epi32(values, _MM_SHUFFLE(0, 1, 0, 0)), value_lanes));
            _mm_storeu_si128(reinterpret_cast<__m128i*>(o), move);
            _mm_storel_epi64(reinterpret_cast<__m128i*>(reinterpret_cast<char*>(o) + 16),
                             _mm_unpackhi_epi64(values, values));
            o += 2;
            --left;
            at = next;
        }
        if (at == 0) break;  // the line at p is not for this run
        p += at;
    }
    *lines = left;
    *out = o;
    return p;
}

}  // namespace
#endif

const unsigned char* read_short_line_run(const unsigned char* p, const unsigned char* limit,
                                         size_t* lines, FilmRecord** out) {
#if KV_SHUFFLE_PATH
    static const bool shuffles = __builtin_cpu_supports("ssse3");
    if (shuffles) return short_line_run_ssse3(p, limit, lines, out);
#else
    (void)limit;
    (void)lines;
    (void)out;
#endif
    return p;
}

}  // namespace film
