// The steps every 2D player's playback loop runs between two frames: the message pump, the
// single-step and hold waits, serving print and DXF requests, and starting or finishing a
// recording. The players draw; these decide what happens next.
#pragma once

#include <functional>

#include "film/film_window.h"

namespace film {

// Draws the current frame once more (after a zoom, a printout, or while waiting).
using FrameRedraw = std::function<void()>;

// Dispatches every waiting message.
void pump_film_messages(FilmWindow& fw);
// Print and DXF requests for the current frame; a printout ends its single-step wait and asks
// for a redraw.
void serve_film_requests(FilmWindow& fw);

enum class AfterFrame { Advance, DrawAgain, End };

// Steps 9 to 12 after a drawn frame: pump, the pause (unless told not to), menu update; the
// single-step wait (a frame on which single step was just switched on is drawn once more first);
// the waiting messages; the hold. Says whether to advance, draw the same frame again, or end.
AfterFrame after_frame(FilmWindow& fw, bool take_pause, const FrameRedraw& redraw);

// Part of the advance: a requested recording starts (or is dropped when it cannot).
void start_requested_recording(FilmWindow& fw);
// What a player plugs into the pass loop both players share.
struct PassSteps {
    std::function<void()> draw;         // the current picture into the window
    std::function<bool()> takes_pause;  // after this picture
    std::function<void()> advance;      // one picture on
    std::function<void()> wrap;         // at the end of a pass
    std::function<bool()> skip;         // the current frame is passed over; empty: none is
    // A recording just started: where it begins, and which closing frame it leaves out.
    std::function<void()> recording_from;
};

// The passes: draw, the steps between frames, advance and start a requested recording, until
// the pass limit or the end; a recording is finished with its pass.
void play_film_passes(FilmWindow& fw, const PassSteps& steps);

// At the end of a pass: a running recording is finished (and the larger picture of a
// recording with a factor goes).
void finish_running_recording(FilmWindow& fw);

}  // namespace film
