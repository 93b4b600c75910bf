// Feeds arbitrary bytes to the user-coordinates reader, checks that what it stored stays
// drawable (every frame walked and painted, coordinates held), and that reading the bytes one
// at a time, or in two halves at once split anywhere, stores exactly the same.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "film_model/usercoor_painter.h"
#include "film_model/usercoor_reader.h"
#include "mw31/recording_canvas.h"

namespace {

// One byte per block, so that every value crosses a block's end.
class TrickleByteSource final : public film::ByteSource {
  public:
    TrickleByteSource(const uint8_t* data, size_t size)
        : ByteSource("(trickle)"), data_(data), size_(size) {}
    bool rewind() override {
        at_ = 0;
        return true;
    }

  protected:
    bool next_block() override {
        if (at_ >= size_) return false;
        set_block(data_ + at_, data_ + at_ + 1);
        ++at_;
        return true;
    }

  private:
    const uint8_t* data_;
    size_t size_;
    size_t at_ = 0;
};

// Bitwise, so that NaN records compare equal to themselves.
bool same_records(const film::UsercoorRecords& a, const film::UsercoorRecords& b) {
    return a.size() == b.size() &&
           (a.empty() || std::memcmp(a.data(), b.data(), a.size() * sizeof a[0]) == 0);
}

// Every value a painter hands on must be one a canvas can take.
class CheckingCanvas final : public mw31::RecordingCanvas {
  public:
    using RecordingCanvas::RecordingCanvas;
    void move_to(int x, int y) override { check(x, y); }
    void line_to(int x, int y) override { check(x, y); }
    void angle_arc(int cx, int cy, int radius, double start, double sweep) override {
        check(cx, cy);
        check(radius, 0);
        if (!std::isfinite(start) || !std::isfinite(sweep)) std::abort();
    }
    void rectangle(const mw31::Rect& r) override {
        check(r.left, r.top);
        check(r.right, r.bottom);
        if (r.left > r.right || r.top > r.bottom) std::abort();
    }
    void text_out(int x, int y, const std::string& text) override {
        check(x, y);
        if (text.size() > film::kUsercoorMaxTextLength) std::abort();
    }

  private:
    static void check(int x, int y) {
        if (std::abs(x) > (1 << 28) || std::abs(y) > (1 << 28)) std::abort();
    }
};

}  // namespace

// Run with -close_fd_mask=2: the reader's messages go to standard error.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // Small limits, so that the limit paths are reached too.
    const film::UsercoorLimits limits{20, 300, 5};
    film::ReaderHooks hooks;
    std::vector<std::string> messages;
    hooks.report = [&messages](const std::string& m) { messages.push_back(m); };
    film::MemoryByteSource source(data, size);
    film::UsercoorFilm film;
    if (film::read_usercoor_film(source, &film, limits, hooks) != 0) std::abort();
    const std::vector<std::string> whole_messages = messages;
    if (film.frame_count() > limits.max_frames || film.texts.size() > size_t(limits.max_texts) ||
        film.virtual_width < 1 || film.virtual_height < 1 || film.angle_divisor == 0.0)
        std::abort();
    // A window given right to left stays mirrored, but it must map: finite, with an extent.
    const film::WorldWindow& w = film.window;
    if (!(std::isfinite(w.xr - w.xl) && std::isfinite(w.yt - w.yb) && w.xr != w.xl && w.yt != w.yb))
        std::abort();
    if (film.records.size() != (film.frame_count() == 0 ? 0 : film.frame_ends.back())) std::abort();
    CheckingCanvas canvas(640, 512);
    film::FilmView view;
    view.area = mw31::Rect{0, 0, 640, 512};
    film::ColourTable colours;
    colours.reset_usercoor();
    for (int i = 0; i < film.frame_count(); ++i) {
        if (film.frame(i).size() > size_t(limits.max_records_per_frame) + 2) std::abort();
        const film::UsercoorFramePainter painter(film, i);
        painter.paint(canvas, view, film::PaintStyle{1, i % 2 == 1, &colours});
        canvas.ops.clear();
        if (film::usercoor_frame_title(film, i).size() > film::kUsercoorMaxTextLength) std::abort();
    }
    TrickleByteSource trickle(data, size);
    film::UsercoorFilm careful;
    film::read_usercoor_film(trickle, &careful, limits, hooks);
    if (!same_records(careful.records, film.records) || careful.frame_ends != film.frame_ends ||
        careful.texts != film.texts || careful.window != film.window ||
        careful.virtual_width != film.virtual_width)
        std::abort();
    // The second half starting at a place the bytes choose.
    if (size > 1) {
        film::UsercoorLimits split = limits;
        split.two_halves_from = 0;
        split.second_half_from = 1 + (size_t(data[0]) * 257 + data[size - 1]) % (size - 1);
        messages.clear();
        film::MemoryByteSource again(data, size);
        film::UsercoorFilm halves;
        film::read_usercoor_film(again, &halves, split, hooks);
        if (!same_records(halves.records, film.records) || halves.frame_ends != film.frame_ends ||
            halves.texts != film.texts || halves.window != film.window ||
            halves.initial != film.initial || halves.virtual_width != film.virtual_width ||
            halves.virtual_height != film.virtual_height ||
            halves.angle_divisor != film.angle_divisor || messages != whole_messages)
            std::abort();
    }
    return 0;
}
