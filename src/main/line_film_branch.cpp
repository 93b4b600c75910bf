// --info reads the film without a window and prints what the reader found, including the
// messages it showed; --output draws one frame as the film window would.
#include "main/line_film_branch.h"

#include <algorithm>
#include <cstdio>

#include "film/frame_store.h"
#include "film/line_film_reader.h"
#include "mw31/dialogs.h"
#include "mw31/format.h"

namespace kurvlab {

namespace {

void print_messages_since(size_t first) {
    const auto& shown = mw31::shown_dialogs();
    for (size_t i = first; i < shown.size(); ++i)
        if (shown[i].kind == "message") std::printf("message: %s\n", shown[i].text.c_str());
}

int print_info(const std::string& film_name) {
    const size_t first_message = mw31::shown_dialogs().size();
    film::FrameStore store;
    const int result = film::read_line_film_file(film_name, &store, nullptr);
    std::printf("file: %s\nkind: line film\n", film_name.c_str());
    if (result != 0) {
        print_messages_since(first_message);
        return 1;
    }
    size_t total = 0, least = 0, most = 0;
    for (size_t i = 0; i < store.frames.size(); ++i) {
        const size_t n = store.frames[i].size();
        total += n;
        least = i == 0 ? n : std::min(least, n);
        most = std::max(most, n);
    }
    std::printf("frames: %d\n", store.frame_count());
    if (store.frame_count() > 0)
        std::printf("records per frame: min %zu, max %zu, total %zu\n", least, most, total);
    std::printf("virtual size: %d x %d\n", store.virtual_width, store.virtual_height);
    std::printf("%s", mw31::format_text("angle divisor: %lg\n", store.angle_divisor).c_str());
    const mw31::Rect& e = store.erase_rect;
    std::printf("erase rectangle (film units): %d %d %d %d\n", e.left, e.top, e.right, e.bottom);
    print_messages_since(first_message);
    return 0;
}

}  // namespace

int play_line_film_branch(const std::string& film_name, const FilmOptions& options,
                          const BatchRequest& batch) {
    if (batch.info) return print_info(film_name);
    (void)options;
    mw31::message_printf("mw31_film: %s: Filmfenster noch nicht verfuegbar", film_name.c_str());
    return 1;
}

}  // namespace kurvlab
