// The playback loop of line films: one frame at a time into an off-screen picture, copied to
// the window, with the message pump, single step, hold and recording between frames.
#include "film/line_film_player.h"

#include "film/frame_presenter.h"
#include "film/motion_sources.h"
#include "film/playback_loop.h"
#include "film/recorded_pass.h"
#include "film_model/line_film_reader.h"
#include "mw31/format.h"
#include "mw31/message_queue.h"
#include "mw31/process.h"

namespace film {

namespace {

constexpr int kFirstLineFilmFrame = 1;

struct LinePlayer {
    const LineFilmOptions& options;
    FilmWindow fw;
    FrameStore store;
    LineFilmFramePainter painter{store, kFirstLineFilmFrame};

    explicit LinePlayer(const LineFilmOptions& o) : options(o) {}
};

void draw_current_frame(LinePlayer& p) {
    FilmWindow& fw = p.fw;
    p.painter.set_frame(fw.state.index);
    PictureExtras extras;
    if (p.options.frame_observer)
        extras.observer = [&p](const mw31::Picture& picture) {
            p.options.frame_observer(p.fw, picture, p.options.observer_user);
        };
    present_frame(fw, extras);
}

bool shown_frame(const FrameStore& store, int index) {
    return store.frame(index).size() > size_t(kSkippedFrameRecords);
}

void play_passes(LinePlayer& p) {
    PlaybackState& s = p.fw.state;
    PassSteps steps;
    steps.draw = [&p] { draw_current_frame(p); };
    steps.takes_pause = [] { return true; };
    steps.advance = [&s] { advance(&s); };
    steps.wrap = [&s] { wrap_index(&s); };
    steps.skip = [&p, &s] { return !shown_frame(p.store, s.index); };
    steps.recording_from = [&p, &s] {
        p.fw.screen.unrecorded_frame =
            line_film_closing_frame(p.store, line_film_pass_frames(p.store, s.step));
    };
    play_film_passes(p.fw, steps);
}

void close_player(LinePlayer& p) {
    release_screen(p.fw);
    p.store.release_frames();
    close_film_window(&p.fw);
}

}  // namespace

int first_shown_frame(const FrameStore& store, int first_index) {
    for (int i = first_index < 0 ? 0 : first_index; i < store.frame_count(); ++i)
        if (shown_frame(store, i)) return i;
    return -1;
}

int play_line_film(const LineFilmOptions& options) {
    LinePlayer p(options);
    FilmWindow& fw = p.fw;
    fw.source_name = options.source_name;
    fw.screen.painter = &p.painter;
    fw.screen.record_factor = options.record_factor;
    fw.motion.source = line_film_motion_source(p.store, kFirstLineFilmFrame);
    if (open_film_window(&fw, options.window) != 0) return 1;
    // Commands typed while the film is read already count.
    fw.state = new_playback_state(0, kFirstLineFilmFrame, options.pause_ms, options.passes,
                                  mw31::tick_count());
    fw.colours->reset();
    if (options.window_opened) options.window_opened(fw, options.observer_user);
    if (!make_screen_picture(fw)) {
        mw31::message_printf("mw31_film: kann Film-DC nicht oeffnen / cannot open animation  DC");
        close_player(p);
        return 1;
    }

    const EraseRectMapper mapper = erase_rect_mapper(fw.view);
    const ReaderHooks hooks = reading_hooks(fw, [&p] { return p.store.frame_count(); });
    const int rc = options.source ? read_line_film(*options.source, &p.store, mapper, hooks)
                                  : read_line_film_file(options.film_name, &p.store, mapper, hooks);
    if (rc != 0) {
        close_player(p);
        return 1;
    }
    fw.virtual_width = p.store.virtual_width;
    fw.virtual_height = p.store.virtual_height;
    const std::string& name = options.source ? options.source->name() : options.film_name;
    // The wrap divides by the frame count, and a film whose frames are all skipped would spin
    // through its passes without ever drawing or looking at the queue.
    if (p.store.frame_count() == 0) {
        mw31::message_printf("mw31_film: keine Getriebestellungen im Film / no frames in film:\n%s",
                             name.c_str());
        close_player(p);
        return 1;
    }
    if (first_shown_frame(p.store, kFirstLineFilmFrame) < 0) {
        mw31::message_printf(
            "mw31_film: keine darstellbare Getriebestellung / no frame to show in film:\n%s",
            name.c_str());
        close_player(p);
        return 1;
    }

    fw.state.frame_count = p.store.frame_count();
    restart_cycles(&fw.state, mw31::tick_count());
    play_passes(p);
    close_player(p);
    return 0;
}

}  // namespace film
