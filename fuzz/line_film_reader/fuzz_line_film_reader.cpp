// Feeds arbitrary bytes to the line-film reader and checks what it stored stays drawable, and
// that reading the bytes one at a time (no quick paths) stores exactly the same.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "film_model/line_film_reader.h"

namespace {

// One byte per block, so that no command ever lies whole inside a block.
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

}  // namespace

// Run with -close_fd_mask=2: the reader's messages go to standard error.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    film::MemoryByteSource source(data, size);
    film::FrameStore store;
    // Small limits, so that the limit paths are reached too.
    film::LineFilmLimits limits{20, 300};
    film::EraseRectMapper map = [](const mw31::Rect& r, int w) {
        // The film window divides by the width: it must never be zero here.
        if (w < 1) std::abort();
        return mw31::Rect{r.left / w, r.top / w, r.right / w, r.bottom / w};
    };
    if (film::read_line_film(source, &store, map, limits) != 0) std::abort();
    if (store.frame_count() > limits.max_frames || store.virtual_width < 1 ||
        store.virtual_height < 1 || store.angle_divisor == 0.0) {
        std::abort();
    }
    for (int i = 0; i < store.frame_count(); ++i) {
        if (store.frame(i).size() > size_t(limits.max_records_per_frame) + 2) std::abort();
    }
    if (store.records.size() != (store.frame_count() == 0 ? 0 : store.frame_ends.back()))
        std::abort();
    TrickleByteSource trickle(data, size);
    film::FrameStore careful;
    film::read_line_film(trickle, &careful, map, limits);
    if (careful.records != store.records || careful.frame_ends != store.frame_ends ||
        careful.virtual_width != store.virtual_width || careful.erase_rect != store.erase_rect)
        std::abort();
    return 0;
}
