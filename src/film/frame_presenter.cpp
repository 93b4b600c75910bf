// The frame presenter: one sequence of fit, paint, status, copy and record for every player.
#include "film/frame_presenter.h"

#include <utility>

#include "film/measuring_window.h"
#include "film/motion_window.h"
#include "film/recorded_pass.h"
#include "film_model/paint_basics.h"
#include "mw31/format.h"
#include "mw31/message_queue.h"
#include "mw31/process.h"
#include "mw31/status_panel.h"

namespace film {

namespace {

constexpr int kTargetControlAfterFrames = 50;

// With a factor above 1 the recording gets a larger picture of its own, painted with the view
// scaled up.
void hand_to_recording(FilmWindow& fw, const PictureExtras& extras) {
    FrameScreen& screen = fw.screen;
    if (!fw.outputs.avi_add_picture) return;
    mw31::Picture* picture = screen.picture.get();
    if (screen.record_factor > 1.0) {
        const FilmView big = scaled_view(fw.view, screen.record_factor);
        if (!screen.record_picture)
            screen.record_picture = mw31::create_picture(big.area.width(), big.area.height());
        if (!screen.record_picture) return;
        clear_picture(*screen.record_picture, fw.state.invert);
        paint_composed(fw, screen.record_picture->canvas(), big);
        picture = screen.record_picture.get();
    }
    // The window has its copy already; the stamp goes into the video only.
    if (fw.stamp_recording)
        picture->canvas().text_out(5, 15,
                                   extras.stamp ? extras.stamp() : frame_stamp(fw.state.index));
    fw.outputs.avi_add_picture(*picture);
}

}  // namespace

bool make_screen_picture(FilmWindow& fw) {
    FrameScreen& screen = fw.screen;
    screen.picture = make_area_picture(fw.view, fw.state.invert);
    screen.record_picture.reset();
    screen.cleared_inverted = fw.state.invert;
    return screen.picture != nullptr;
}

void paint_composed(FilmWindow& fw, mw31::Canvas& canvas, const FilmView& view) {
    const PaintStyle style = paint_style(fw);
    fw.screen.painter->paint_background(canvas, view, style);
    paint_onion(fw, canvas, view);
    paint_under_frame(fw, canvas, view);
    fw.screen.painter->paint(canvas, view, style);
    paint_over_frame(fw, canvas, view);
    paint_motion_over(fw, canvas, view);
}

void present_frame(FilmWindow& fw, const PictureExtras& extras) {
    PlaybackState& s = fw.state;
    FrameScreen& screen = fw.screen;
    mw31::Window& window = *fw.window;
    const mw31::Rect client = window.client_rect();
    if (update_drawing_area(&fw.view, client) || !screen.picture) {
        if (!make_screen_picture(fw)) return;
        window.canvas().fill_rect(client, background_brush(s.invert));
    }
    mw31::Picture& picture = *screen.picture;
    mw31::Canvas& canvas = picture.canvas();
    // The picture was cleared after the last frame; the display may have been inverted since.
    if (screen.cleared_inverted != s.invert) clear_picture(picture, s.invert);
    paint_composed(fw, canvas, fw.view);

    double n = 0;
    if ((!extras.counts_cycles || extras.counts_cycles()) &&
        count_cycle(&s, mw31::tick_count(), &n)) {
        screen.cycles_per_minute = n;
        if (s.target_cycles > 1.0 && s.cycle_count > kTargetControlAfterFrames)
            control_target_cycles(fw, n);
    }
    // The arrow shows the direction in force, also for a frame that measured no new rate (a
    // single step just after a direction change).
    if (screen.cycles_per_minute >= 0)
        screen.status = cycles_status_text(screen.cycles_per_minute, s.backward);
    if (s.recording != kRecordingOn) {
        canvas.text_out(5, 15, screen.status);
        const int after = screen.status.empty() ? 5 : 5 + canvas.text_width(screen.status) + 16;
        canvas.text_out(after, 15, position_text(s, extras.cycle_angle));
        if (const std::string* caption = extras.caption ? extras.caption() : nullptr)
            mw31::draw_status_panel(canvas, picture.width(), picture.height(), *caption);
    }

    clear_margins(window.canvas(), client, fw.view.area, s.invert);
    if (s.drag != kDragging) {
        window.copy_picture(picture, fw.view.area.left, fw.view.area.top);
        picture_copied(fw);
        motion_frame_shown(fw);
    }
    if (s.recording == kRecordingOn && s.index != screen.unrecorded_frame)
        hand_to_recording(fw, extras);
    if (extras.observer) extras.observer(picture);
    clear_picture(picture, s.invert);
    screen.cleared_inverted = s.invert;
}

void present_reading_progress(FilmWindow& fw, int frames_read) {
    if (!fw.window) return;
    mw31::Canvas& canvas = fw.window->canvas();
    canvas.fill_rect(fw.window->client_rect(), background_brush(fw.state.invert));
    canvas.text_out(
        5, 15,
        mw31::format_text("Film wird gelesen / reading the film: %d Bilder / frames", frames_read));
}

ReaderHooks reading_hooks(FilmWindow& fw, std::function<int()> frames_read) {
    constexpr long long kProgressEveryMs = 200;
    ReaderHooks hooks;
    hooks.progress = [&fw, frames_read = std::move(frames_read),
                      shown = mw31::tick_count()]() mutable {
        const long long now = mw31::tick_count();
        if (now - shown >= kProgressEveryMs) {
            shown = now;
            present_reading_progress(fw, frames_read());
        }
        mw31::service_messages();
    };
    return hooks;
}

void release_screen(FilmWindow& fw) {
    fw.screen.picture.reset();
    fw.screen.record_picture.reset();
}

}  // namespace film
