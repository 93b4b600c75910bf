// The playback loop of line films: one frame at a time into an off-screen picture, copied to
// the window, with the message pump, single step, hold and recording between frames.
#include "film/line_film_player.h"

#include "film/playback_loop.h"
#include "film_model/line_film_painter.h"
#include "film_model/line_film_reader.h"
#include "mw31/format.h"
#include "mw31/message_queue.h"
#include "mw31/process.h"

namespace film {

namespace {

constexpr int kFirstLineFilmFrame = 1;
constexpr int kRaiseEveryPasses = 5;

struct LinePlayer {
    const LineFilmOptions& options;
    FilmWindow fw;
    FrameStore store;
    std::unique_ptr<mw31::Picture> picture;         // what the window shows
    std::unique_ptr<mw31::Picture> record_picture;  // larger twin while recording with -x
    std::string status;
    bool cleared_inverted = false;  // background the picture was last cleared with

    explicit LinePlayer(const LineFilmOptions& o) : options(o) {}
};

bool make_picture(LinePlayer& p) {
    p.picture = make_area_picture(p.fw.view, p.fw.state.invert);
    p.record_picture.reset();
    p.cleared_inverted = p.fw.state.invert;
    return p.picture != nullptr;
}

// The frame's picture: erase rectangle, grid, records, overlays.
void paint_frame(LinePlayer& p, mw31::Canvas& canvas, const FilmView& view) {
    FilmWindow& fw = p.fw;
    const bool inv = fw.state.invert;
    fill_erase_rect(canvas, p.store, inv);
    if (fw.state.grid && fw.outputs->draw_grid) fw.outputs->draw_grid(fw, canvas);
    draw_film_frame(canvas, p.store, fw.state.index, view, *fw.colours, fw.state.pen_width, inv);
    if (fw.outputs->draw_overlays) fw.outputs->draw_overlays(fw, canvas);
}

void hand_to_recording(LinePlayer& p) {
    hand_to_recording(
        p.fw, *p.picture, p.options.record_factor, &p.record_picture,
        [&p](mw31::Canvas& canvas, const FilmView& big) { paint_frame(p, canvas, big); });
}

// Steps 2 to 8 of a frame: fit, draw, count, status, margins, copy, clear.
void draw_current_frame(LinePlayer& p) {
    FilmWindow& fw = p.fw;
    PlaybackState& s = fw.state;
    mw31::Window& window = *fw.window;
    const mw31::Rect client = window.client_rect();
    if (update_drawing_area(&fw.view, client) || !p.picture) {
        if (!make_picture(p)) return;
        window.canvas().fill_rect(client, background_brush(s.invert));
    }
    mw31::Canvas& canvas = p.picture->canvas();
    // The picture was cleared after the last frame; the display may have been inverted since.
    if (p.cleared_inverted != s.invert) clear_picture(*p.picture, s.invert);
    paint_frame(p, canvas, fw.view);

    double n = 0;
    if (count_cycle(&s, mw31::tick_count(), &n)) {
        p.status = cycles_status_text(n, s.backward);
        if (s.target_cycles > 1.0 && s.cycle_count > 50 && fw.outputs->target_control)
            fw.outputs->target_control(fw, n);
    }
    if (s.recording != kRecordingOn) canvas.text_out(5, 15, p.status);

    clear_margins(window.canvas(), client, fw.view.area, s.invert);
    if (s.drag != kDragging) window.copy_picture(*p.picture, fw.view.area.left, fw.view.area.top);
    if (s.recording == kRecordingOn) hand_to_recording(p);
    if (p.options.frame_observer) p.options.frame_observer(fw, *p.picture, p.options.observer_user);
    clear_picture(*p.picture, s.invert);
    p.cleared_inverted = s.invert;
}

void redraw_frame(FilmWindow&, void* user) {
    draw_current_frame(*static_cast<LinePlayer*>(user));
}

void finish_recording(LinePlayer& p) {
    finish_running_recording(p.fw);
    p.record_picture.reset();
}

bool shown_frame(const FrameStore& store, int index) {
    return store.frame(index).size() > size_t(kSkippedFrameRecords);
}

void play_passes(LinePlayer& p) {
    FilmWindow& fw = p.fw;
    PlaybackState& s = fw.state;
    for (int pass = 0; pass < s.pass_limit && !s.end; ++pass) {
        if (pass % kRaiseEveryPasses == kRaiseEveryPasses - 1) fw.window->raise();
        bool drew = false;
        while (!s.end && in_playable_range(s)) {
            if (!shown_frame(p.store, s.index)) {
                advance(&s);
                continue;
            }
            drew = true;
            draw_current_frame(p);
            const AfterFrame next = after_frame(fw, true, FrameRedraw{redraw_frame, &p});
            if (next == AfterFrame::End) break;
            if (next == AfterFrame::DrawAgain) continue;
            advance(&s);
            start_requested_recording(fw);
        }
        finish_recording(p);
        if (s.end) break;
        if (!drew) {
            // The step jumps over every frame that would be drawn: stay responsive so that
            // the user can change the step or end, instead of spinning through the passes.
            pump_film_messages(fw);
            mw31::sleep_ms(s.pause_ms > 0 ? s.pause_ms : 1);
        }
        wrap_index(&s);
        s.passes += 1;
    }
    finish_recording(p);
}

void close_player(LinePlayer& p) {
    p.picture.reset();
    p.record_picture.reset();
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
    if (open_film_window(&fw, options.window) != 0) return 1;
    // Commands typed while the film is read already count.
    fw.state = new_playback_state(0, kFirstLineFilmFrame, options.pause_ms, options.passes,
                                  mw31::tick_count());
    fw.colours->reset();
    if (options.window_opened) options.window_opened(fw, options.observer_user);
    if (!make_picture(p)) {
        mw31::message_printf("mw31_film: kann Film-DC nicht oeffnen / cannot open animation  DC");
        close_player(p);
        return 1;
    }

    if (fw.outputs->dxf_film_name) fw.outputs->dxf_film_name("");
    const EraseRectMapper mapper = erase_rect_mapper(fw.view);
    const int rc = options.source ? read_line_film(*options.source, &p.store, mapper)
                                  : read_line_film_file(options.film_name, &p.store, mapper);
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
