// User-coordinates reader: the head up to the first f, then frames of lower-case letters with
// real values ended by x, resynchronised after each x as line films are.
#include "film_model/usercoor_reader.h"

#include <array>
#include <atomic>
#include <charconv>
#include <chrono>
#include <climits>
#include <cstdint>
#include <cstring>
#include <new>
#include <stdexcept>
#include <system_error>
#include <thread>
#include <vector>

#include "film_model/line_film_resync.h"
#include "film_model/text_values.h"
#include "film_model/usercoor_fast_values.h"
#include "film_model/usercoor_second_half.h"
#include "mw31/format.h"
#include "mw31/text_services.h"

namespace film {

namespace {

constexpr int kEnd = ByteSource::kEndOfStream;

constexpr std::array<bool, 256> make_real_bytes() {
    std::array<bool, 256> t{};
    for (const char c : std::string_view("+-.0123456789DEde"))
        t[static_cast<unsigned char>(c)] = true;
    return t;
}
constexpr std::array<bool, 256> kRealByte = make_real_bytes();

constexpr double kPow10[16] = {1e0, 1e1, 1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                               1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15};

// A completed frame's end could not be noted.
struct FrameTableFull {};

constexpr size_t kNowhere = SIZE_MAX;

// After a frame's x: consumes bytes up to and including the next one that starts a frame (as
// in line films, and s for a frame that opens with its text) and returns it, or kEnd.
template <class Get>
int skip_to_frame_start(Get&& get) {
    for (;;) {
        const int c = get();
        if (c == kEnd) return kEnd;
        if (c == 's' || starts_line_film_frame(c)) return c;
        for (int n = 2 * shorts_skipped_after_frame_end(c); n > 0; --n) {
            if (get() == kEnd) return kEnd;
        }
    }
}

// Where a reader that is in step would start a frame after the first line that is a lone x from
// `from` on, looking at no more than `most` bytes before the x; kNowhere when there is none.
// Any such place will do: the reader of the first half checks that it arrives there.
size_t frame_start_after(const ByteSource& film, size_t from, size_t most) {
    const std::unique_ptr<ByteSource> part = film.source_from(from);
    if (!part || !part->rewind()) return kNowhere;
    size_t at = from;  // of the next byte
    int before = kEnd;
    for (;;) {
        const int c = part->get();
        if (c == kEnd || at - from > most) return kNowhere;
        ++at;
        if (c == 'x' && before == '\n') break;
        before = c;
    }
    const int start = skip_to_frame_start([&] {
        const int c = part->get();
        at += c != kEnd;
        return c;
    });
    return start == kEnd ? kNowhere : at - 1;
}

class Reader {
  public:
    Reader(ByteSource& source, UsercoorFilm& film, const UsercoorLimits& limits,
           const ReaderHooks& hooks)
        : in_(source), film_(film), limits_(limits), hooks_(hooks) {}
    ~Reader() { stop_second_half(); }

    void read();
    // The frames of a second half, from its first frame start at `offset` in the whole film.
    void read_second_half(size_t offset, SecondHalf* half);

  private:
    // The reader walks the source's current block itself; the source learns the position
    // whenever it is used otherwise.
    int get() { return p_ < e_ ? *p_++ : next_block(); }
    int next_block() {
        block_offset_ += size_t(e_ - block_begin_);
        in_.set_position(p_);
        const bool more = in_.take_block(&p_, &e_);
        block_begin_ = p_;
        if (!more) return kEnd;
        return *p_++;
    }
    void take_first_block(size_t offset) {
        in_.take_block(&p_, &e_);
        block_begin_ = p_;
        block_offset_ = offset;
    }
    // The byte just read (never the end) is always still in the block.
    void unget(int c) {
        if (c != kEnd) --p_;
    }
    // Offset in the whole film of the next byte.
    size_t position() const { return block_offset_ + size_t(p_ - block_begin_); }
    void progress() const {
        if (hooks_.progress) hooks_.progress();
    }

    // False only when the stream ends before the value begins; a value cut off by the end of
    // the stream is taken as far as it goes.
    bool read_real(double* v) {
        if (read_plain_decimal(v)) return true;
        const unsigned char* p = p_;
        while (p < e_ && kRealByte[*p]) ++p;
        if (p < e_) {  // run and terminator inside the block
            *v = usercoor_real(reinterpret_cast<const char*>(p_), size_t(p - p_));
            p_ = p + 1;
            return true;
        }
        return read_real_across_blocks(v);
    }
    bool read_plain_decimal(double* v);
    bool read_real_across_blocks(double* v);
    // One copy per count of values: the quick path's loop is then unrolled and inlined.
    template <int n>
    bool read_reals(double* v) {
        if (e_ - p_ >= kUsercoorFastMargin && read_reals_in_block<n>(p_, v, &p_)) return true;
        for (int i = 0; i < n; ++i) {
            if (!read_real(&v[i])) return false;
        }
        return true;
    }
    bool read_int(int32_t* v);
    void read_text(std::string* text);
    void skip_word();

    void set_virtual_size(int32_t w, int32_t h) {
        size_set_ = true;
        // The size divides coordinates when drawn: keep it at 1 or more.
        film_.virtual_width = saturate_int32(int64_t(w) + 1 < 1 ? 1 : int64_t(w) + 1);
        film_.virtual_height = saturate_int32(int64_t(h) + 1 < 1 ? 1 : int64_t(h) + 1);
    }
    void set_angle_divisor(int32_t d) {
        if (d == 0) return;
        film_.angle_divisor = double(d);
        divisor_set_ = true;
    }
    void set_window(const double* v) {
        window_set_ = true;
        film_.window = fit_world_window(v[0], v[1], v[2], v[3]);
        film_.initial = film_.window;
        film_.has_window = true;
    }
    // The values a letter shares between head and frames; false for other letters.
    bool common_command(int c);

    // The store's records are sized to their room while reading (sizing writes nothing, see
    // RecordAllocator) and written in place through room_; n_ of them are taken.
    void add(double kind, double a, double b) { room_[n_++] = UsercoorRecord{kind, a, b}; }
    void make_room() {
        if (room_size_ - n_ < kMostRecordsPerCommand) grow();
    }
    void take_room() {
        records_.resize(records_.capacity());
        room_ = records_.data();
        room_size_ = records_.size();
    }
    void grow();
    void reserve_for_film();
    size_t records_in_frame() const { return n_ - frame_start_; }

    void read_head();
    void read_frames();
    void head_command(int c);
    void frame_command(int c);
    void text_record();
    void finish_frame();
    bool resynchronise();

    // Big films are read in two halves at once: a second reader starts at a frame start past
    // the middle, and this one takes its frames over when it arrives exactly there.
    void start_second_half();
    bool take_over_second_half();
    void stop_second_half();

    static constexpr size_t kMostRecordsPerCommand = 3;

    ByteSource& in_;
    const unsigned char* p_ = nullptr;
    const unsigned char* e_ = nullptr;
    UsercoorFilm& film_;
    UsercoorLimits limits_;
    const ReaderHooks& hooks_;
    UsercoorRecords& records_ = film_.records;
    UsercoorRecord* room_ = nullptr;  // records_.data(), kept apart from the film
    size_t room_size_ = 0;
    size_t n_ = 0;            // records taken
    size_t frame_start_ = 0;  // the first record of the frame being read
    std::string text_;        // scratch for text records
    const unsigned char* block_begin_ = nullptr;
    size_t block_offset_ = 0;  // of block_begin_ in the whole film
    bool window_set_ = false, size_set_ = false, divisor_set_ = false;
    std::vector<size_t> text_records_;

    // The second half's reader and where its first frame starts (kNowhere: none).
    std::unique_ptr<SecondHalf> second_;
    std::thread second_reader_;
    size_t second_from_ = kNowhere;
    const std::atomic<bool>* stop_ = nullptr;  // asked of a second half's reader
};

// Most values are plain decimals such as -12.375 with few digits: their digits as an integer
// and a power of ten are both exact doubles, so one division rounds as the standard
// conversion does. Anything else (an exponent, many digits, the end of the block) is left to
// the general conversion.
bool Reader::read_plain_decimal(double* v) {
    const unsigned char* p = p_;
    const unsigned char* const end = e_;
    if (p == end) return false;
    const bool negative = *p == '-';
    p += negative || *p == '+';
    uint64_t m = 0;
    const unsigned char* const first = p;
    while (p < end && unsigned(*p - '0') < 10u) m = m * 10 + unsigned(*p++ - '0');
    int fraction = 0;
    bool point = false;
    if (p < end && *p == '.') {
        point = true;
        const unsigned char* const after_point = ++p;
        while (p < end && unsigned(*p - '0') < 10u) m = m * 10 + unsigned(*p++ - '0');
        fraction = int(p - after_point);
    }
    const ptrdiff_t digits = p - first - point;
    if (p == end || kRealByte[*p] || digits <= 0 || digits > 15) return false;
    const double value = double(m) / kPow10[fraction];
    *v = negative ? -value : value;
    p_ = p + 1;
    return true;
}

bool Reader::read_real_across_blocks(double* v) {
    std::string run(reinterpret_cast<const char*>(p_), reinterpret_cast<const char*>(e_));
    p_ = e_;
    int c;
    while ((c = get()) != kEnd && kRealByte[size_t(c)]) run.push_back(char(c));
    if (c == kEnd && run.empty()) return false;
    *v = usercoor_real(run.data(), run.size());
    return true;
}

// Sign, digits and one terminating byte, consumed whatever it is, as line films have them.
// Values beyond the 32-bit range saturate.
bool Reader::read_int(int32_t* v) {
    return read_text_int([this] { return get(); }, v);
}

// Up to the first byte below 32, which is consumed; what lies beyond the longest text kept is
// skipped.
void Reader::read_text(std::string* text) {
    text->clear();
    for (;;) {
        const int c = get();
        if (c < 32) break;  // also the end of the stream
        if (text->size() < kUsercoorMaxTextLength) text->push_back(char(c));
    }
}

// "usercoor": the letters after the u.
void Reader::skip_word() {
    for (;;) {
        const int c = get();
        if (c == kEnd) return;
        if (unsigned((c | 0x20) - 'a') >= 26u) {
            unget(c);
            return;
        }
    }
}

// The most records a film can make is 3 for 5 bytes (an `i` with empty values). So much is
// reserved: untouched room costs no resident memory, and the records are then never moved
// while they are written.
void Reader::reserve_for_film() {
    const size_t bytes = in_.size_hint();
    for (size_t wanted = bytes / 5 * 3 + kMostRecordsPerCommand; wanted > 1024; wanted /= 2) {
        if (reserve_records(&records_, wanted)) break;
    }
    take_room();
}

void Reader::grow() {
    const size_t more = n_ < 4096 ? 4096 : n_;  // doubles what is held
    records_.resize(n_);
    if (!reserve_records(&records_, more) && !reserve_records(&records_, kMostRecordsPerCommand))
        throw std::bad_alloc();
    take_room();
}

bool Reader::common_command(int c) {
    double v[4];
    int32_t n[2];
    switch (c) {
        case 'a':
            if (read_reals<4>(v)) set_window(v);
            return true;
        case 'q':
            if (read_int(&n[0])) set_angle_divisor(n[0]);
            return true;
        case 'r':
            if (read_int(&n[0]) && read_int(&n[1])) set_virtual_size(n[0], n[1]);
            return true;
        case 'u':
            skip_word();
            return true;
        default:
            return false;
    }
}

// The head draws on a picture nobody sees: of its drawing commands only the values are read.
void Reader::head_command(int c) {
    if (common_command(c)) return;
    double v[5];
    int32_t n;
    switch (c) {
        case 'c':
            read_int(&n);
            break;
        case 'm':
        case 'd':
            read_reals<2>(v);
            break;
        case 'l':
        case 'i':
        case 'w':
            read_reals<4>(v);
            break;
        case 'h':
        case 'o':
        case 'g':
        case 'b':
            read_reals<5>(v);
            break;
        case 's':
            if (read_reals<2>(v)) read_text(&text_);
            break;
        default:  // x and bytes without meaning
            break;
    }
}

void Reader::text_record() {
    double v[2];
    if (!read_reals<2>(v)) return;
    read_text(&text_);
    // Beyond the last text number the record is dropped: it would show nothing.
    if (film_.texts.size() >= size_t(limits_.max_texts < 0 ? 0 : limits_.max_texts)) return;
    film_.texts.push_back(text_);
    text_records_.push_back(n_);
    add(kUcText, double(film_.texts.size() - 1), v[0]);
    add(kUcTextRest, v[1], 0);
}

void Reader::frame_command(int c) {
    switch (c) {  // the letters that add no records, without a call for every other one
        case 'a':
        case 'q':
        case 'r':
        case 'u':
            common_command(c);
            return;
        default:
            break;
    }
    make_room();
    double v[5];
    int32_t n;
    switch (c) {
        case 'c':
            if (read_int(&n)) add(kUcColour, n, 0);
            break;
        case 'm':
            if (read_reals<2>(v)) add(kUcMoveTo, v[0], v[1]);
            break;
        case 'd':
            if (read_reals<2>(v)) add(kUcLineTo, v[0], v[1]);
            break;
        case 'l':
            if (read_reals<4>(v)) {
                add(kUcMoveTo, v[0], v[1]);
                add(kUcLineTo, v[2], v[3]);
            }
            break;
        case 'i':
            if (read_reals<4>(v)) {
                add(kUcColour, 1, 0);
                add(kUcMoveTo, v[0], v[1]);
                add(kUcXorLineTo, v[2], v[3]);
            }
            break;
        case 'w':
            if (read_reals<4>(v)) {
                add(kUcFilledRect, v[0], v[1]);
                add(kUcMoveTo, v[2], v[3]);
            }
            break;
        case 'h':  // x, y, a1, a2, r
        case 'g':
        case 'b':
            if (read_reals<5>(v)) {
                add(c == 'h' ? kUcArc : c == 'g' ? kUcXorArc5 : kUcArc5, v[0], v[1]);
                add(v[4], v[2], v[3]);
            }
            break;
        case 'o':  // x, y, r, a1, a2
            if (read_reals<5>(v)) {
                add(kUcArc, v[0], v[1]);
                add(v[2], v[3], v[4]);
            }
            break;
        case 's':
            text_record();
            break;
        default:  // f and bytes without meaning
            break;
    }
}

// The frame's records are in place already: only its end is noted.
void Reader::finish_frame() {
    try {
        film_.frame_ends.push_back(n_);
    } catch (const std::bad_alloc&) {
        throw FrameTableFull{};
    }
    frame_start_ = n_;
}

// After x: skip to the next byte that starts a frame (as in line films, and s for a frame
// that opens with its text) and leave it unread. False when the stream ends first.
bool Reader::resynchronise() {
    const int c = skip_to_frame_start([this] { return get(); });
    unget(c);
    return c != kEnd;
}

void Reader::read_head() {
    for (;;) {
        const int c = get();
        if (c == kEnd) return;
        if (c == 'f') {
            get();  // the line end after it
            return;
        }
        head_command(c);
    }
}

// Records after the last x are dropped.
void Reader::read_frames() {
    const size_t most_records = size_t(limits_.max_records_per_frame);
    for (;;) {
        int c = get();
        if (c == kEnd) return;
        // The count of frames only changes at x: one test a frame is enough.
        if (film_.frame_count() >= limits_.max_frames) {
            hooks_.report(mw31::format_text(
                "mw31_film: zu viele Getriebestellungen / too many frames (max. %d)\n",
                limits_.max_frames));
            return;
        }
        for (;;) {
            // A full frame may still end: only a further command is refused.
            if (records_in_frame() >= most_records && c != 'x') {
                hooks_.report(mw31::format_text(
                    "mw31_film: zu viele Linien in einem Bild / too many lines in one frame "
                    "(max. %d)\n",
                    limits_.max_records_per_frame));
                return;
            }
            if (c == 'x') break;
            frame_command(c);
            c = get();
            if (c == kEnd) return;
        }
        finish_frame();
        progress();
        if (!resynchronise()) return;
        if (position() >= second_from_ && take_over_second_half()) return;
        if (stop_ != nullptr && stop_->load(std::memory_order_relaxed)) return;
    }
}

void Reader::read() {
    reserve_for_film();
    take_first_block(0);
    read_head();
    progress();
    start_second_half();
    read_frames();
    stop_second_half();
    in_.set_position(p_);
    records_.resize(frame_start_);  // records after the last x are dropped
}

void Reader::read_second_half(size_t offset, SecondHalf* half) {
    stop_ = &half->stop;
    reserve_for_film();
    take_first_block(offset);
    read_frames();
    records_.resize(frame_start_);
    half->text_records = std::move(text_records_);
    half->window_set = window_set_;
    half->size_set = size_set_;
    half->divisor_set = divisor_set_;
}

void Reader::start_second_half() {
    const size_t size = in_.size_hint(), at = position();
    if (size <= at || size - at < limits_.two_halves_from) return;
    if (limits_.second_half_from == 0 && std::thread::hardware_concurrency() < 2) return;
    const size_t middle =
        limits_.second_half_from != 0 ? limits_.second_half_from : at + (size - at) / 2;
    const size_t from = frame_start_after(in_, middle < at ? at : middle, size_t(1) << 20);
    if (from == kNowhere) return;
    std::unique_ptr<ByteSource> part = in_.source_from(from);
    if (!part || !part->rewind()) return;
    auto half = std::make_unique<SecondHalf>();
    try {
        second_reader_ =
            std::thread([source = std::move(part), h = half.get(), from, limits = limits_] {
                ReaderHooks hooks;
                hooks.report = [h](const std::string& message) { h->reports.push_back(message); };
                try {
                    Reader(*source, h->film, limits, hooks).read_second_half(from, h);
                    h->read = true;
                } catch (...) {  // no memory: the first half's reader goes on alone
                }
                h->reading_over();
            });
    } catch (const std::system_error&) {
        return;  // no thread to be had
    }
    second_ = std::move(half);
    second_from_ = from;
}

void Reader::stop_second_half() {
    if (second_reader_.joinable()) {
        second_->stop = true;
        second_->release(nullptr);
        second_reader_.join();
    }
    second_from_ = kNowhere;
}

// False when this reader missed the second half's first frame or its frames cannot simply be
// appended (limits reached, no memory there): it then reads on itself.
bool Reader::take_over_second_half() {
    SecondHalf& h = *second_;
    UsercoorFilm& b = h.film;
    const bool arrived = position() == second_from_;
    if (!arrived) h.stop = true;
    // The player services its window in progress(): it goes on being called while waiting.
    while (!h.wait_until_read(std::chrono::milliseconds(20))) progress();
    const auto read_on_alone = [this] {
        stop_second_half();
        second_.reset();
        return false;
    };
    if (!arrived || !h.read ||
        size_t(film_.frame_count()) + b.frame_ends.size() >= size_t(limits_.max_frames) ||
        film_.texts.size() + b.texts.size() > size_t(limits_.max_texts < 0 ? 0 : limits_.max_texts))
        return read_on_alone();
    // Everything that can fail before the records are handed over. Without the memory for
    // both halves at once, reading on alone may still fit.
    const size_t count = b.records.size();
    records_.resize(n_);
    const bool room = reserve_records(&records_, count);
    take_room();
    if (!room) return read_on_alone();
    try {
        film_.frame_ends.reserve(film_.frame_ends.size() + b.frame_ends.size());
        film_.texts.reserve(film_.texts.size() + b.texts.size());
    } catch (const std::bad_alloc&) {
        return read_on_alone();
    }
    h.release(room_ + n_);
    if (h.front_count() > 0)
        copy_and_discard(room_ + n_, b.records.data(), h.front_count() * sizeof(UsercoorRecord));
    second_reader_.join();
    second_from_ = kNowhere;
    // Texts of a frame that was not completed stay numbered, their records are gone.
    for (const size_t i : h.text_records)
        if (i < count) room_[n_ + i].a += double(film_.texts.size());
    for (const size_t end : b.frame_ends) film_.frame_ends.push_back(n_ + end);
    for (std::string& text : b.texts) film_.texts.push_back(std::move(text));
    n_ += count;
    frame_start_ = n_;
    if (h.window_set) {
        film_.window = b.window;
        film_.initial = b.initial;
        film_.has_window = true;
    }
    if (h.size_set) {
        film_.virtual_width = b.virtual_width;
        film_.virtual_height = b.virtual_height;
    }
    if (h.divisor_set) film_.angle_divisor = b.angle_divisor;
    for (const std::string& message : h.reports) hooks_.report(message);
    second_.reset();
    return true;
}

}  // namespace

double usercoor_real(const char* run, size_t length) {
    // D and d are exponent letters as well (Fortran habit); the standard conversion knows E.
    std::string with_e;
    const char* s = run;
    for (size_t i = 0; i < length; ++i) {
        if ((run[i] | 0x20) == 'd') {
            with_e.assign(run, length);
            for (char& ch : with_e)
                if ((ch | 0x20) == 'd') ch = 'e';
            s = with_e.data();
            break;
        }
    }
    const char* end = s + length;
    const char* from = s;
    // from_chars takes no plus sign; a second sign after it makes the run no number at all.
    if (from < end && *from == '+') {
        ++from;
        if (from < end && (*from == '+' || *from == '-')) return 0;
    }
    double v = 0;
    const std::from_chars_result r = std::from_chars(from, end, v);
    if (r.ec == std::errc()) return v;
    if (r.ec == std::errc::result_out_of_range) {
        // Overflow and underflow give what the standard conversion gives: inf, 0 or a
        // denormal. Rare enough for a copy.
        const std::string text(s, length);
        return mw31::strtod_c(text.c_str(), nullptr);
    }
    return 0;
}

int read_usercoor_film(ByteSource& source, UsercoorFilm* film, const UsercoorLimits& limits,
                       const ReaderHooks& hooks) {
    if (film == nullptr) return 1;
    *film = UsercoorFilm{};
    if (!source.rewind()) {
        hooks.report(
            mw31::format_text("Kann Datei nicht zum Lesen oeffnen / Cannot open file for read:\n%s",
                              source.name().c_str()));
        return 1;
    }
    const auto keep_complete_frames = [film] {
        film->records.resize(film->frame_count() == 0 ? 0 : film->frame_ends.back());
    };
    try {
        Reader reader(source, *film, limits, hooks);
        reader.read();
    } catch (const FrameTableFull&) {
        keep_complete_frames();
        hooks.report("mw31_film: nicht genuegend Speicherplatz / no memory\n");
        return 1;
    } catch (const std::bad_alloc&) {
        keep_complete_frames();
        hooks.report("mw31_film: kein Speicher fuer Puffer verfuegbar / no memory for buffer");
        return 1;
    }
    return 0;
}

int read_usercoor_film(ByteSource& source, UsercoorFilm* film, const ReaderHooks& hooks) {
    return read_usercoor_film(source, film, UsercoorLimits{}, hooks);
}

int read_usercoor_film_file(const std::string& name, UsercoorFilm* film, const ReaderHooks& hooks) {
    FileByteSource source;
    if (!source.open(name)) {
        hooks.report(mw31::format_text(
            "Kann Datei nicht zum Lesen oeffnen / Cannot open file for read:\n%s", name.c_str()));
        return 1;
    }
    return read_usercoor_film(source, film, hooks);
}

}  // namespace film
