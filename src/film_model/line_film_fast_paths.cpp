// Runs of lines with short text values, read with byte shuffles where the processor has them:
// the digits of all four values are moved into place at once, then weighted and summed.
#include "film_model/line_film_fast_paths.h"

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

// Lines are found from a mask of the bytes that may start a command in a window of 64 bytes,
// not from the end of the line before: so no line waits for the one before it, and the
// processor reads several at once. A line whose own end is not the next start (an unusual
// terminator) ends the run. The window's digit mask also gives each line's shape.
__attribute__((target("ssse3"))) LineRun short_line_run_ssse3(LineRun run,
                                                              const unsigned char* limit) {
    // The window's 64 bytes; its last line starts by byte 43 (so that its 20 bytes of values
    // lie within the masks), and the digits of its second pair are loaded 16 at a time.
    constexpr unsigned kLastStart = 43;
    constexpr ptrdiff_t kReach = 64 + 16;
    const unsigned char* p = run.p;
    if (limit - p <= kReach) return run;
    const unsigned char* const end = limit - kReach;
    const __m128i zero = _mm_set1_epi8('0'), nine = _mm_set1_epi8(9);
    const __m128i tens = _mm_set1_epi16(0x010A);          // digit pairs: 10 * first + second
    const __m128i hundreds = _mm_set1_epi32(0x00010064);  // pairs of pairs: 100 * first + second
    auto digits_at = [&](const unsigned char* at) {
        return _mm_sub_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(at)), zero);
    };
    FilmRecord* o = run.out;
    size_t left = run.lines_left;
    while (left > 0 && p < end && *p == 'l') {
        uint64_t digit_bytes = 0;
        for (int k = 0; k < 4; ++k) {
            const __m128i x = digits_at(p + 16 * k);
            digit_bytes |=
                uint64_t(unsigned(_mm_movemask_epi8(_mm_cmpeq_epi8(_mm_min_epu8(x, nine), x))))
                << (16 * k);
        }
        const uint64_t non_digits = ~digit_bytes;
        // A command follows the terminator of the values before it: two non-digits in a row.
        // Inside a line of the usual shape no two stand together. (The line at p is not among
        // them: bit 0 has no byte before it.)
        uint64_t starts = non_digits & non_digits << 1;
        unsigned at = 0;
        for (; starts != 0 && left > 0 && at <= kLastStart; starts &= starts - 1) {
            const unsigned next = unsigned(std::countr_zero(starts));
            const uint64_t ends = non_digits >> (at + 1);  // of the bytes from the first value
            const unsigned first = kPairShapes.shape[ends & 1023u];
            const unsigned first_length = first >> 8;
            const unsigned second = kPairShapes.shape[(ends >> first_length) & 1023u];
            if (p[at] != 'l' || first_length == 0 || second < 256 ||
                at + 1 + first_length + (second >> 8) != next)
                break;
            const unsigned char* const v = p + at + 1;
            const __m128i digits = _mm_or_si128(
                _mm_shuffle_epi8(digits_at(v), _mm_load_si128(reinterpret_cast<const __m128i*>(
                                                   kFirstPair.mask[first & 15u]))),
                _mm_shuffle_epi8(digits_at(v + first_length),
                                 _mm_load_si128(reinterpret_cast<const __m128i*>(
                                     kSecondPair.mask[second & 15u]))));
            const __m128i values = _mm_madd_epi16(_mm_maddubs_epi16(digits, tens), hundreds);
            put_line_records(o, values);
            o += 2;
            --left;
            at = next;
        }
        if (at == 0) break;  // the line at p is not for this run
        p += at;
    }
    return LineRun{p, o, left};
}

}  // namespace
#endif

LineRun read_short_line_run(LineRun run, const unsigned char* limit) {
#if KV_SHUFFLE_PATH
    static const bool shuffles = __builtin_cpu_supports("ssse3");
    if (shuffles) return short_line_run_ssse3(run, limit);
#else
    (void)limit;
#endif
    return run;
}

}  // namespace film
