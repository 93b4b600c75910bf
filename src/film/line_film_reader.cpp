// Line-film reader: the head up to the first F, then frames of one-letter commands ended by X.
// Upper-case letters carry binary values, lower-case letters text values.
#include "film/line_film_reader.h"

#include <algorithm>
#include <bit>
#include <climits>
#include <cstdint>
#include <cstring>
#include <new>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "film/record_arena.h"
#include "mw31/format.h"
#include "mw31/message_queue.h"

namespace film {

namespace {

constexpr int kEnd = ByteSource::kEndOfStream;

int32_t saturate(int64_t v) {
    if (v > INT32_MAX) return INT32_MAX;
    if (v < INT32_MIN) return INT32_MIN;
    return int32_t(v);
}

// Decimal digits read eight bytes at a time (8 bytes must be readable at p). No branch depends
// on the digits, so numbers of varying length cost no mispredictions.
uint64_t load8(const unsigned char* p) {
    uint64_t w;
    std::memcpy(&w, p, 8);
    if constexpr (std::endian::native == std::endian::big) w = __builtin_bswap64(w);
    return w;  // the first byte lowest
}

constexpr uint64_t kThrees = 0x3030303030303030u;

// How many of the eight bytes are digits before the first other byte (8: all of them).
int leading_digits(uint64_t w) {
    // A byte is a digit when its high nibble is 3 and adding 6 keeps it so. Carries out of a
    // byte only reach later bytes, which lie beyond the first non-digit anyway.
    const uint64_t high = 0xF0F0F0F0F0F0F0F0u;
    const uint64_t bad = ((w & high) ^ kThrees) | (((w + 0x0606060606060606u) & high) ^ kThrees);
    const uint64_t low7 = 0x7F7F7F7F7F7F7F7Fu;
    const uint64_t flags = (((bad & low7) + low7) | bad) & ~low7;  // top bit of each non-digit
    return flags == 0 ? 8 : std::countr_zero(flags) >> 3;
}

// The value of the first `digits` bytes (0..7, all digits).
int32_t digits_value(uint64_t w, int digits) {
    // Digits to the top bytes (leading zero digits below them), then combined in pairs.
    uint64_t d = ((w - kThrees) << (63 - 8 * digits)) << 1;
    d = (d * 10 + (d >> 8)) & 0x00FF00FF00FF00FFu;
    d = (d * 100 + (d >> 16)) & 0x0000FFFF0000FFFFu;
    d = (d * 10000 + (d >> 32)) & 0xFFFFFFFFu;
    return int32_t(d);
}

#if defined(__SSE2__)
// Four text values from p, where 64 bytes are readable. Digit and sign positions of 32 bytes
// come from byte masks, so finding where each value ends costs a few bit operations instead of
// a test per byte, and nothing branches on the values. False, with nothing consumed, when a
// value has more than 7 digits or the four do not end within 32 bytes; the careful reading
// takes over then.
bool read_text4_in_block(const unsigned char* p, int32_t* v, const unsigned char** after) {
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
    // The four values at once: digit pairs, then pairs of pairs, then the two halves.
    auto combine = [](uint64_t lo, uint64_t hi) {
        __m128i x = _mm_set_epi64x(int64_t(hi), int64_t(lo));
        x = _mm_add_epi16(
            _mm_mullo_epi16(_mm_and_si128(x, _mm_set1_epi16(0xFF)), _mm_set1_epi16(10)),
            _mm_srli_epi16(x, 8));
        x = _mm_madd_epi16(x, _mm_set1_epi32(0x00010064));
        return _mm_add_epi64(_mm_mul_epu32(x, _mm_set1_epi32(10000)), _mm_srli_epi64(x, 32));
    };
    const __m128i values = _mm_castps_si128(_mm_shuffle_ps(_mm_castsi128_ps(combine(d[0], d[1])),
                                                           _mm_castsi128_ps(combine(d[2], d[3])),
                                                           _MM_SHUFFLE(2, 0, 2, 0)));
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
bool read_plain_text4(const unsigned char* p, int32_t* v, const unsigned char** after) {
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
    auto combine = [](uint64_t a, uint64_t b) {
        __m128i x = _mm_set_epi64x(int64_t(b), int64_t(a));
        x = _mm_add_epi16(
            _mm_mullo_epi16(_mm_and_si128(x, _mm_set1_epi16(0xFF)), _mm_set1_epi16(10)),
            _mm_srli_epi16(x, 8));
        x = _mm_madd_epi16(x, _mm_set1_epi32(0x00010064));
        return _mm_add_epi64(_mm_mul_epu32(x, _mm_set1_epi32(10000)), _mm_srli_epi64(x, 32));
    };
    const __m128i values = _mm_castps_si128(_mm_shuffle_ps(
        _mm_castsi128_ps(combine(top(0, m0), top(t0 + 1, m1))),
        _mm_castsi128_ps(combine(top(t1 + 1, m2), top(t2 + 1, m3))), _MM_SHUFFLE(2, 0, 2, 0)));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(v), values);
    *after = p + t3 + 1;
    return true;
}
#endif

// Reading of one film. Value readers return false when the stream ends inside the value; the
// command is then dropped, so no half-read value is ever used.
class Reader {
  public:
    Reader(ByteSource& source, FrameStore& store, const EraseRectMapper& map_erase,
           const LineFilmLimits& limits)
        : in_(source), store_(store), map_erase_(map_erase), limits_(limits) {}

    void read();

  private:
    // The reader walks the source's current block itself; the source learns the position
    // whenever it is used otherwise.
    int get() { return p_ < e_ ? *p_++ : next_block(); }
    int next_block() {
        in_.set_position(p_);
        if (!in_.take_block(&p_, &e_)) return kEnd;
        return *p_++;
    }
    void unget(int c) {
        in_.set_position(p_);
        in_.unget(c);
        in_.take_block(&p_, &e_);
    }

    bool read_short(int32_t* v) {
        int hi = get();
        if (hi == kEnd) return false;
        int lo = get();
        if (lo == kEnd) return false;
        *v = (hi << 8) | lo;
        return true;
    }

    bool read_long(int32_t* v) {
        uint32_t u = 0;
        for (int i = 0; i < 4; ++i) {
            int c = get();
            if (c == kEnd) return false;
            u = (u << 8) | uint32_t(c);
        }
        *v = int32_t(u);  // two's complement
        return true;
    }

    // Sign, digits and one terminating byte, which is consumed whatever it is. Values beyond
    // the 32-bit range saturate. Only a stream that ends before the value begins fails.
    bool read_text(int32_t* v) {
        // Fast path: a sign and up to 7 digits with their terminator inside the block, so
        // no byte needs a bounds check; longer numbers take the careful loop below.
        if (e_ - p_ >= 16) {
            const unsigned char* p = p_;
            const int c = *p;
            const bool negative = c == '-';
            p += negative || c == '+';
            const uint64_t w = load8(p);
            const int n = leading_digits(w);
            if (n < 8) {
                const int32_t value = digits_value(w, n);
                p_ = p + n + 1;
                *v = negative ? -value : value;
                return true;
            }
        }
        int c = get();
        if (c == kEnd) return false;
        bool negative = false;
        if (c == '+' || c == '-') {
            negative = c == '-';
            c = get();
        }
        int64_t value = 0;
        while (unsigned(c - '0') < 10u) {
            if (value <= kTextCap) value = value * 10 + (c - '0');
            c = get();
        }
        *v = saturate(negative ? -value : value);
        return true;
    }

    // Four text values, as lines, rectangles and XOR lines have them.
    bool read_text4(int32_t* v) {
#if defined(__SSE2__)
        if (e_ - p_ >= 64 && read_text4_in_block(p_, v, &p_)) return true;
#endif
        return read_values(true, 4, v);
    }

    bool read_base96(int32_t* x, int32_t* y) {
        int c[4];
        for (int& b : c) {
            b = get();
            if (b == kEnd) return false;
        }
        *x = (c[0] - 32) * 96 + (c[1] - 32);
        *y = (c[2] - 32) * 96 + (c[3] - 32);
        return true;
    }

    // n shorts, or n text values.
    bool read_values(bool text, int n, int32_t* v) {
        if (!text && e_ - p_ >= 2 * n) {  // all in this block
            for (int i = 0; i < n; ++i, p_ += 2) v[i] = (p_[0] << 8) | p_[1];
            return true;
        }
        for (int i = 0; i < n; ++i) {
            if (!(text ? read_text(&v[i]) : read_short(&v[i]))) return false;
        }
        return true;
    }

    // Arcs and point records: short, short, long, long, short (or five text values).
    bool read_arc_values(bool text, int32_t* v) {
        if (text) return read_values(true, 5, v);
        return read_short(&v[0]) && read_short(&v[1]) && read_long(&v[2]) && read_long(&v[3]) &&
               read_short(&v[4]);
    }

    bool read_point(bool text, int32_t* x, int32_t* y) {
        if (text) return read_base96(x, y);
        return read_short(x) && read_short(y);
    }

    void set_virtual_size(int32_t w, int32_t h) {
        // The size divides every coordinate when drawing: keep it at 1 or more.
        store_.virtual_width = saturate(int64_t(w) + 1 < 1 ? 1 : int64_t(w) + 1);
        store_.virtual_height = saturate(int64_t(h) + 1 < 1 ? 1 : int64_t(h) + 1);
    }

    void set_angle_divisor(int32_t d) {
        // A zero divisor would make every arc angle infinite; such a Q is ignored.
        if (d != 0) store_.angle_divisor = double(d);
    }

    // Records go straight into the store; every command makes room for its records first.
    void add(int32_t kind, int32_t a, int32_t b) {
        records_.push_back(FilmRecord{kind, a, b});
    }
    void make_room() {
        if (records_.capacity() - records_.size() < kMostRecordsPerCommand) grow();
    }
    void grow();
    void reserve_for_film();
    size_t records_in_frame() const {
        return records_.size() - frame_start_;
    }

    void read_film();
    void read_line_runs();
    void head_command(int c);
    void frame_command(int c);
    bool finish_frame();
    bool resynchronise();
    static int shorts_skipped_after_frame_end(int c);

    static constexpr int64_t kTextCap = int64_t(1) << 40;
    static constexpr size_t kMostRecordsPerCommand = 3;

    ByteSource& in_;
    const unsigned char* p_ = nullptr;
    const unsigned char* e_ = nullptr;
    FrameStore& store_;
    const EraseRectMapper& map_erase_;
    LineFilmLimits limits_;
    std::vector<FilmRecord>& records_ = store_.records;
    size_t frame_start_ = 0;  // the first record of the frame being read
};

// The most records a film can make is 3 for 5 bytes (an `i` with one-byte text values). So
// much is reserved: untouched room costs no resident memory, and the records are then never
// moved while they are written.
void Reader::reserve_for_film() {
    const size_t bytes = in_.size_hint();
    for (size_t wanted = bytes / 5 * 3 + kMostRecordsPerCommand; wanted > 1024; wanted /= 2) {
        if (reserve_records(&records_, wanted)) return;
    }
}

void Reader::grow() {
    const size_t more = records_.size() < (size_t(1) << 16) ? size_t(1) << 16 : records_.size();
    if (!reserve_records(&records_, more) && !reserve_records(&records_, kMostRecordsPerCommand))
        throw std::bad_alloc();
}

void Reader::head_command(int c) {
    int32_t v[5];
    bool text = c >= 'a';
    switch (c) {
        case 'A':
        case 'a':
            if (read_values(text, 4, v)) {
                mw31::Rect film_rect{v[0], v[1], v[2], v[3]};
                store_.erase_rect =
                    map_erase_ ? map_erase_(film_rect, store_.virtual_width) : film_rect;
            }
            break;
        case 'C':
        case 'c':
            read_values(text, 1, v);  // pen colour of the head's picture, which nobody sees
            break;
        case 'D':
        case 'd':
        case 'M':
        case 'm':
            read_point(text, &v[0], &v[1]);
            break;
        case 'G':
        case 'g':
        case 'H':
        case 'h':
            read_arc_values(text, v);
            break;
        case 'I':
        case 'i':
        case 'L':
        case 'l':
        case 'W':
        case 'w':
            read_values(text, 4, v);
            break;
        case 'Q':
            if (read_long(&v[0])) set_angle_divisor(v[0]);
            break;
        case 'q':
            if (read_text(&v[0])) set_angle_divisor(v[0]);
            break;
        case 'R':
        case 'r':
            if (read_values(text, 2, v)) set_virtual_size(v[0], v[1]);
            break;
        default:  // B and b (the letter alone), X, s and bytes without meaning
            break;
    }
}

void Reader::frame_command(int c) {
    int32_t v[5];
    bool text = c >= 'a';
    make_room();
    switch (c) {
        case 'B':
        case 'b':
            if (read_arc_values(text, v)) {
                add(kPoint, v[0], v[1]);
                add(v[4], v[2], v[3]);
            }
            break;
        case 'C':
        case 'c':
            if (read_values(text, 1, v)) add(kColour, v[0], 0);
            break;
        case 'D':
        case 'd':
            if (read_point(text, &v[0], &v[1])) add(kLineTo, v[0], v[1]);
            break;
        case 'M':
        case 'm':
            if (read_point(text, &v[0], &v[1])) add(kMoveTo, v[0], v[1]);
            break;
        case 'G':
        case 'g':
        case 'H':
        case 'h':
            if (read_arc_values(text, v)) {
                add(c == 'G' || c == 'g' ? kXorArc : kArc, v[0], v[1]);
                add(v[4], v[2], v[3]);
            }
            break;
        case 'I':
        case 'i':
            if (text ? read_text4(v) : read_values(false, 4, v)) {
                add(kColour, 1, 0);
                add(kMoveTo, v[0], v[1]);
                add(kXorLineTo, v[2], v[3]);
            }
            break;
        case 'L':
        case 'l':
            if (text ? read_text4(v) : read_values(false, 4, v)) {
                add(kMoveTo, v[0], v[1]);
                add(kLineTo, v[2], v[3]);
            }
            break;
        case 'W':
        case 'w':
            if (text ? read_text4(v) : read_values(false, 4, v)) {
                add(kFilledRect, v[0], v[1]);
                add(kMoveTo, v[2], v[3]);
            }
            break;
        case 'Q':
            if (read_long(&v[0])) set_angle_divisor(v[0]);
            break;
        case 'q':
            if (read_text(&v[0])) set_angle_divisor(v[0]);
            break;
        case 'R':
        case 'r':
            if (read_values(text, 2, v)) set_virtual_size(v[0], v[1]);
            break;
        default:  // A and a (values not read), s and bytes without meaning
            break;
    }
}

// Lines make up most of a film: runs of them inside the block are read here without the
// bounds checks and the per-command bookkeeping of frame_command(). Anything else, a line
// whose text values do not fit the quick reading, or the end of the block, of the frame's
// room or of the reserved records, is left to the careful loop.
void Reader::read_line_runs() {
    constexpr ptrdiff_t kMargin = 64;  // what read_text4_in_block() may look at
    if (e_ - p_ < kMargin || store_.frame_count() >= limits_.max_frames) return;
    const size_t in_frame = records_in_frame();
    if (in_frame >= size_t(limits_.max_records_per_frame)) return;
    // A command is taken while its frame is below the limit and two records fit in place.
    const size_t frame_room = size_t(limits_.max_records_per_frame) - in_frame;
    const size_t free_room = records_.capacity() - records_.size();
    size_t commands = std::min((frame_room + 1) / 2, free_room / 2);
    const unsigned char* p = p_;
    const unsigned char* const end = e_ - kMargin;
    int32_t v[4];
    for (; commands > 0 && p < end; --commands) {
        if (*p == 'L') {
            v[0] = (p[1] << 8) | p[2];
            v[1] = (p[3] << 8) | p[4];
            v[2] = (p[5] << 8) | p[6];
            v[3] = (p[7] << 8) | p[8];
            p += 9;
#if defined(__SSE2__)
        } else if (*p == 'l') {
            if (!read_plain_text4(p + 1, v, &p) && !read_text4_in_block(p + 1, v, &p)) break;
#endif
        } else {
            break;
        }
        records_.push_back(FilmRecord{kMoveTo, v[0], v[1]});
        records_.push_back(FilmRecord{kLineTo, v[2], v[3]});
    }
    p_ = p;
}

// The frame's records are in place already: only its end is noted.
bool Reader::finish_frame() {
    try {
        store_.frame_ends.push_back(records_.size());
    } catch (const std::bad_alloc&) {
        return false;
    }
    frame_start_ = records_.size();
    return true;
}

// How many shorts of a letter's values are skipped while looking for the next frame's start.
int Reader::shorts_skipped_after_frame_end(int c) {
    switch (c) {
        case 'A':
        case 'L':
        case 'W':
        case 'I':
        case 'X':
            return 4;
        case 'B':
        case 'G':
        case 'b':
        case 'g':
            return 7;
        case 'D':
        case 'M':
        case 'R':
            return 2;
        case 'C':
            return 1;
        default:
            return 0;
    }
}

// After X: skip to the next byte that starts a frame (l, i, m, d or h in either case) and
// leave it unread. False when the stream ends first.
bool Reader::resynchronise() {
    for (;;) {
        int c = get();
        if (c == kEnd) return false;
        switch (c | 0x20) {  // lower case for letters
            case 'l':
            case 'i':
            case 'm':
            case 'd':
            case 'h':
                unget(c);
                return true;
            default:
                break;
        }
        for (int n = 2 * shorts_skipped_after_frame_end(c); n > 0; --n) {
            if (get() == kEnd) return false;
        }
    }
}

void Reader::read() {
    reserve_for_film();
    in_.take_block(&p_, &e_);
    read_film();
    in_.set_position(p_);
    records_.resize(frame_start_);  // records after the last X are dropped
}

void Reader::read_film() {
    for (;;) {
        int c = get();
        if (c == kEnd) break;
        if (c == 'F' || c == 'f') {
            get();
            break;
        }
        head_command(c);
    }
    mw31::service_messages();

    for (;;) {
        read_line_runs();
        int c = get();
        if (c == kEnd) break;  // records after the last X are dropped
        if (store_.frame_count() >= limits_.max_frames) {
            mw31::message_printf(
                "mw31_film: zu viele Getriebestellungen / too many frames (max. %d)\n",
                limits_.max_frames);
            break;
        }
        // A full frame may still end: only a further command is refused.
        if (records_in_frame() >= size_t(limits_.max_records_per_frame) && c != 'X' && c != 'x') {
            mw31::message_printf(
                "mw31_film: zu viele Linien in einem Bild / too many lines in one frame (max. "
                "%d)\n",
                limits_.max_records_per_frame);
            break;
        }
        if (c == 'X' || c == 'x') {
            if (!finish_frame()) throw std::bad_alloc();
            mw31::service_messages();
            if (!resynchronise()) break;
            continue;
        }
        frame_command(c);
    }
}

}  // namespace

int read_line_film(ByteSource& source, FrameStore* store, const EraseRectMapper& map_erase,
                   const LineFilmLimits& limits) {
    if (store == nullptr) return 1;
    *store = FrameStore{};
    if (!source.rewind()) {
        mw31::message_printf("Kann Datei nicht zum Lesen oeffnen / Cannot open file for read:\n%s",
                             source.name().c_str());
        return 1;
    }
    try {
        Reader reader(source, *store, map_erase, limits);
        reader.read();
    } catch (const std::bad_alloc&) {
        // The frames read so far stay and are played.
        store->records.resize(store->frame_count() == 0 ? 0 : store->frame_ends.back());
        mw31::message_printf(
            "mw31_film: kein Speicher fuer Puffer verfuegbar / no memory for buffer");
    }
    return 0;
}

int read_line_film(ByteSource& source, FrameStore* store, const EraseRectMapper& map_erase) {
    return read_line_film(source, store, map_erase, LineFilmLimits{});
}

int read_line_film_file(const std::string& name, FrameStore* store,
                        const EraseRectMapper& map_erase) {
    FileByteSource source;
    if (!source.open(name)) {
        mw31::message_printf("Kann Datei nicht zum Lesen oeffnen / Cannot open file for read:\n%s",
                             name.c_str());
        return 1;
    }
    return read_line_film(source, store, map_erase);
}

}  // namespace film
