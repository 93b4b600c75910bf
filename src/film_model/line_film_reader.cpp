// Line-film reader: the head up to the first F, then frames of one-letter commands ended by X.
// Upper-case letters carry binary values, lower-case letters text values.
#include "film_model/line_film_reader.h"

#include <algorithm>
#include <climits>
#include <cstdint>
#include <new>
#include <stdexcept>

#include "film_model/line_film_fast_paths.h"
#include "film_model/line_film_resync.h"
#include "film_model/text_values.h"
#include "mw31/format.h"

namespace film {

namespace {

constexpr int kEnd = ByteSource::kEndOfStream;

// Reading of one film. Value readers return false when the stream ends inside the value; the
// command is then dropped, so no half-read value is ever used.
class Reader {
  public:
    Reader(ByteSource& source, FrameStore& store, const EraseRectMapper& map_erase,
           const LineFilmLimits& limits, const ReaderHooks& hooks)
        : in_(source), store_(store), map_erase_(map_erase), limits_(limits), hooks_(hooks) {}

    void read();
    void progress() const {
        if (hooks_.progress) hooks_.progress();
    }

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
        return read_text_int([this] { return get(); }, v);
    }

    // Four text values, as lines, rectangles and XOR lines have them.
    bool read_text4(int32_t* v) {
#if defined(__SSE2__)
        if (e_ - p_ >= kFastMargin && read_text4_in_block(p_, v, &p_)) return true;
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
        store_.virtual_width = saturate_int32(int64_t(w) + 1 < 1 ? 1 : int64_t(w) + 1);
        store_.virtual_height = saturate_int32(int64_t(h) + 1 < 1 ? 1 : int64_t(h) + 1);
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
    size_t read_line_batch(size_t lines);
    void head_command(int c);
    void frame_command(int c);
    bool finish_frame();
    bool resynchronise();

    static constexpr size_t kMostRecordsPerCommand = 3;
    static constexpr ptrdiff_t kFastMargin = 64;  // what read_text4_in_block() may look at
    // Lines given room at a time: room is made without being written, but a debug build still
    // walks it once.
    static constexpr size_t kFirstLinesPerBatch = 8, kLinesPerBatch = 1024;

    ByteSource& in_;
    const unsigned char* p_ = nullptr;
    const unsigned char* e_ = nullptr;
    FrameStore& store_;
    const EraseRectMapper& map_erase_;
    LineFilmLimits limits_;
    const ReaderHooks& hooks_;
    RecordVector& records_ = store_.records;
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
    if (e_ - p_ < kFastMargin || (*p_ | 0x20) != 'l' || store_.frame_count() >= limits_.max_frames)
        return;
    const size_t in_frame = records_in_frame();
    if (in_frame >= size_t(limits_.max_records_per_frame)) return;
    // A command is taken while its frame is below the limit and two records fit in place.
    const size_t frame_room = size_t(limits_.max_records_per_frame) - in_frame;
    const size_t free_room = records_.capacity() - records_.size();
    size_t lines = std::min((frame_room + 1) / 2, free_room / 2);
    // Batches grow while they are filled, so that a lone line gets little room.
    for (size_t most = kFirstLinesPerBatch; lines > 0; most = std::min(2 * most, kLinesPerBatch)) {
        const size_t batch = std::min(lines, most);
        const size_t taken = read_line_batch(batch);
        lines -= taken;
        if (taken < batch) break;
    }
}

// Up to `lines` lines from p_, written straight into room made for them; returns how many.
size_t Reader::read_line_batch(size_t lines) {
    const size_t held = records_.size();
    records_.resize(held + 2 * lines);  // reserved already: nothing moves, nothing is written
    FilmRecord* const first = records_.data() + held;
    FilmRecord* out = first;
    const unsigned char* p = p_;
    const unsigned char* const end = e_ - kFastMargin;
    size_t left = lines;
    while (left > 0 && p < end) {
        LineRun run{p, out, left};
        if (*p == 'L') {
            run = read_binary_line_run(run, end);
        } else if (*p == 'l') {
            run = read_short_line_run(run, e_);
        } else {
            break;
        }
        if (run.p == p) {  // a text line of another shape
            int32_t v[4];
#if defined(__SSE2__)
            if (!read_plain_text4(p + 1, v, &run.p) && !read_text4_in_block(p + 1, v, &run.p))
                break;
#else
            break;
#endif
            put_line_records(run.out, v);
            run.out += 2;
            --run.lines_left;
        }
        p = run.p;
        out = run.out;
        left = run.lines_left;
    }
    records_.resize(held + size_t(out - first));
    p_ = p;
    return lines - left;
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

// After X: skip to the next byte that starts a frame (l, i, m, d or h in either case) and
// leave it unread. False when the stream ends first.
bool Reader::resynchronise() {
    for (;;) {
        int c = get();
        if (c == kEnd) return false;
        if (starts_line_film_frame(c)) {
            unget(c);
            return true;
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
    progress();

    for (;;) {
        read_line_runs();
        int c = get();
        if (c == kEnd) break;  // records after the last X are dropped
        if (store_.frame_count() >= limits_.max_frames) {
            hooks_.report(mw31::format_text(
                "mw31_film: zu viele Getriebestellungen / too many frames (max. %d)\n",
                limits_.max_frames));
            break;
        }
        // A full frame may still end: only a further command is refused.
        if (records_in_frame() >= size_t(limits_.max_records_per_frame) && c != 'X' && c != 'x') {
            hooks_.report(mw31::format_text(
                "mw31_film: zu viele Linien in einem Bild / too many lines in one frame (max. "
                "%d)\n",
                limits_.max_records_per_frame));
            break;
        }
        if (c == 'X' || c == 'x') {
            if (!finish_frame()) throw std::bad_alloc();
            progress();
            if (!resynchronise()) break;
            continue;
        }
        frame_command(c);
    }
}

}  // namespace

int read_line_film(ByteSource& source, FrameStore* store, const EraseRectMapper& map_erase,
                   const LineFilmLimits& limits, const ReaderHooks& hooks) {
    if (store == nullptr) return 1;
    *store = FrameStore{};
    if (!source.rewind()) {
        hooks.report(
            mw31::format_text("Kann Datei nicht zum Lesen oeffnen / Cannot open file for read:\n%s",
                              source.name().c_str()));
        return 1;
    }
    try {
        Reader reader(source, *store, map_erase, limits, hooks);
        reader.read();
    } catch (const std::bad_alloc&) {
        // The frames read so far stay and are played.
        store->records.resize(store->frame_count() == 0 ? 0 : store->frame_ends.back());
        hooks.report("mw31_film: kein Speicher fuer Puffer verfuegbar / no memory for buffer");
    }
    return 0;
}

int read_line_film(ByteSource& source, FrameStore* store, const EraseRectMapper& map_erase,
                   const ReaderHooks& hooks) {
    return read_line_film(source, store, map_erase, LineFilmLimits{}, hooks);
}

int read_line_film_file(const std::string& name, FrameStore* store,
                        const EraseRectMapper& map_erase, const ReaderHooks& hooks) {
    FileByteSource source;
    if (!source.open(name)) {
        hooks.report(mw31::format_text(
            "Kann Datei nicht zum Lesen oeffnen / Cannot open file for read:\n%s", name.c_str()));
        return 1;
    }
    return read_line_film(source, store, map_erase, hooks);
}

}  // namespace film
