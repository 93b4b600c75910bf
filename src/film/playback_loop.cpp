// Between-frame steps of the 2D playback loops: pumps, waits, requests and recording.
#include "film/playback_loop.h"

#include <algorithm>

#include "film/film_keys.h"
#include "mw31/message_queue.h"
#include "mw31/process.h"

namespace film {

namespace {

void redraw_if_requested(FilmWindow& fw, const FrameRedraw& redraw) {
    if (fw.state.drag != kDragRedraw) return;
    fw.state.drag = kDragIdle;
    if (redraw) redraw();
}

// Waits for the user between single steps. A typed character or a right-button press only
// ends the wait; a key-down is processed and then ends it, unless it opened a window of its
// own (a cancelled open dialog, the help) and the film should stay where it is.
void wait_single_step(FilmWindow& fw, const FrameRedraw& redraw) {
    PlaybackState& s = fw.state;
    restart_cycles(&s, mw31::tick_count());
    for (;;) {
        serve_film_requests(fw);
        if (s.end || !single_step_on(s)) return;
        redraw_if_requested(fw, redraw);
        update_film_menu(fw);
        const mw31::Message m = mw31::get_message();
        if (m.kind == mw31::MessageKind::Char) return;
        if (m.kind == mw31::MessageKind::MouseDown && m.button == mw31::MouseButton::Right) return;
        dispatch_film_message(fw, m);
        if (m.kind == mw31::MessageKind::KeyDown) {
            serve_film_requests(fw);
            if (key_steps_in_single_step(m.key, m.ctrl)) return;
            // Its own control character (Ctrl+O's) came with it and would end the wait.
            mw31::Message next;
            if (m.ctrl && m.key >= 'A' && m.key <= 'Z' && mw31::peek_message(&next, false) &&
                next.kind == mw31::MessageKind::Char && next.key == m.key - 'A' + 1)
                mw31::peek_message(&next, true);
        }
    }
}

// Everything that waits, requests served; a redraw request is dropped because the next frame
// is drawn at once anyway, unless the film is held (an Invert just before the hold).
void process_waiting(FilmWindow& fw) {
    mw31::Message m;
    while (!fw.state.end && mw31::peek_message(&m, true)) {
        dispatch_film_message(fw, m);
        serve_film_requests(fw);
    }
    serve_film_requests(fw);
    if (fw.state.drag == kDragRedraw && !fw.state.hold) fw.state.drag = kDragIdle;
}

// Held, or a zoom rectangle being dragged: one message at a time. A redraw asked for before
// the wait is done before waiting, not only after the next message.
void wait_while_held(FilmWindow& fw, const FrameRedraw& redraw) {
    PlaybackState& s = fw.state;
    if (s.hold) redraw_if_requested(fw, redraw);
    while (!s.end && (s.hold || s.drag == kDragging)) {
        update_film_menu(fw);
        dispatch_film_message(fw, mw31::get_message());
        serve_film_requests(fw);
        redraw_if_requested(fw, redraw);
    }
}

// After a quick recording the window gets back its place, size, tool bar and step.
void return_from_quick_recording(FilmWindow& fw) {
    if (!fw.quick_return.pending) return;
    fw.quick_return.pending = false;
    if (fw.window) fw.window->move_resize(fw.quick_return.outer);
    if (fw.quick_return.step > 0) fw.state.step = fw.quick_return.step;
    if (fw.window) update_film_menu(fw);
    pump_film_messages(fw);
}

// The pause in short slices with the messages served between them, so that a key counts at
// once even at the slowest speed; the pause as a whole stays as long.
void pause_serving_messages(FilmWindow& fw, int pause_ms) {
    constexpr long long kSliceMs = 20;
    const long long until = mw31::tick_count() + pause_ms;
    for (;;) {
        const long long left = until - mw31::tick_count();
        if (left <= 0 || fw.state.end) return;
        mw31::sleep_ms(int(std::min(left, kSliceMs)));
        pump_film_messages(fw);
    }
}

}  // namespace

void pump_film_messages(FilmWindow& fw) {
    mw31::Message m;
    while (mw31::peek_message(&m, true)) dispatch_film_message(fw, m);
}

void serve_film_requests(FilmWindow& fw) {
    PlaybackState& s = fw.state;
    if (s.print_request) {
        s.print_request = false;
        if (fw.outputs.print_frame && fw.screen.painter)
            fw.outputs.print_frame(
                FrameOutput{*fw.screen.painter, fw.view, paint_style(fw), s.index});
        s.single_step &= ~kSingleStepPrint;
        s.drag = kDragRedraw;
    }
    if (s.dxf_request) {
        s.dxf_request = false;
        if (fw.outputs.dxf_frame && fw.screen.painter)
            fw.outputs.dxf_frame(FrameOutput{*fw.screen.painter, fw.view, paint_style(fw), s.index,
                                             &fw.motion.traces});
    }
}

AfterFrame after_frame(FilmWindow& fw, bool take_pause, const FrameRedraw& redraw) {
    PlaybackState& s = fw.state;
    pump_film_messages(fw);
    // The pause as it stands after the pump, which may have run Slower or Faster.
    if (take_pause && s.pause_ms > 0) pause_serving_messages(fw, s.pause_ms);
    update_film_menu(fw);
    if (single_step_on(s)) {
        if (!fw.single_step_before) {
            // Just switched on: show this frame once more, then wait on it.
            fw.single_step_before = true;
            return AfterFrame::DrawAgain;
        }
        wait_single_step(fw, redraw);
    } else {
        fw.single_step_before = false;
    }
    if (s.end) return AfterFrame::End;
    process_waiting(fw);
    if (s.end) return AfterFrame::End;
    wait_while_held(fw, redraw);
    return s.end ? AfterFrame::End : AfterFrame::Advance;
}

void start_requested_recording(FilmWindow& fw) {
    if (fw.state.recording != kRecordingRequested) return;
    const bool ok = fw.outputs.avi_start && fw.outputs.avi_start() == 0;
    recording_started(&fw.state, ok);
    if (ok) update_film_menu(fw);  // the bar goes before the first recorded frame
    // A recorder that refused (its options cancelled, say) gives a quick recording's
    // window back at once.
    if (!ok && fw.outputs.avi_start) return_from_quick_recording(fw);
}

void play_film_passes(FilmWindow& fw, const PassSteps& steps) {
    constexpr int kRaiseEveryPasses = 5;
    PlaybackState& s = fw.state;
    for (int pass = 0; pass < s.pass_limit && !s.end; ++pass) {
        if (pass % kRaiseEveryPasses == kRaiseEveryPasses - 1) fw.window->raise();
        bool drew = false;
        while (!s.end && in_playable_range(s)) {
            if (steps.skip && steps.skip()) {
                steps.advance();
                continue;
            }
            drew = true;
            steps.draw();
            const AfterFrame next = after_frame(fw, steps.takes_pause(), steps.draw);
            if (next == AfterFrame::End) break;
            if (next == AfterFrame::DrawAgain) continue;
            if (s.jumped)
                s.jumped = false;  // the frame jumped to is the next one shown
            else
                steps.advance();
            if (s.recording != kRecordingRequested) continue;
            start_requested_recording(fw);
            if (s.recording == kRecordingOn && steps.recording_from) steps.recording_from();
        }
        finish_running_recording(fw);
        if (s.end) break;
        if (!drew) {
            // The step jumps over every frame that would be drawn: stay responsive so that
            // the user can change the step or end, instead of spinning through the passes.
            pump_film_messages(fw);
            mw31::sleep_ms(s.pause_ms > 0 ? s.pause_ms : 1);
        }
        steps.wrap();
        s.passes += 1;
    }
    finish_running_recording(fw);
}

void finish_running_recording(FilmWindow& fw) {
    fw.screen.record_picture.reset();
    fw.screen.unrecorded_frame = -1;
    if (fw.state.recording != kRecordingOn) return;
    if (fw.outputs.avi_finish) fw.outputs.avi_finish();
    fw.state.recording = kRecordingOff;
    return_from_quick_recording(fw);
}

}  // namespace film
