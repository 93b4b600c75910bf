// Motion analysis as the film window runs it: t and a click start a trace, T clears them, o
// steps the onion skin, f lets the measured points follow the motion with a chart, w writes
// the traces; and what each picture gets of it.
#pragma once

#include "film/film_window.h"
#include "film/motion_state.h"
#include "film/overlays.h"
#include "mw31/canvas.h"

namespace film {

// The motion keys (kKeyTrace ... kKeyWriteMotion of playback_state.h).
void motion_command(FilmWindow& fw, int command);

// A button press at client pixel (x, y); true when an armed trace took it.
bool motion_press(FilmWindow& fw, int x, int y);

// The faded frames, drawn after the background and before the grid and the frame; the
// window's picture and a recording's larger one each keep their own.
void paint_onion(FilmWindow& fw, mw31::Canvas& canvas, const FilmView& view);
// The traces with the current frame's point, and the followed measurement, over the frame.
void paint_motion_over(FilmWindow& fw, mw31::Canvas& canvas, const FilmView& view);
// The window shows a new picture: the chart marks its frame.
void motion_frame_shown(FilmWindow& fw);

// Draws one trace's path onto a picture of the view in the colour and pen width, with a
// square at the point of `frame` (none when the trace has no point there).
void draw_trace(mw31::Canvas& canvas, const WorldPicture& map, const MotionTrace& trace,
                mw31::Rgb colour, int pen_width, int frame);

// Makes the onion skin's faded pixels for a picture of the view: the frames of the step
// painted on the background, each colour faded towards it. False when nothing could be made.
bool make_onion_skin(OnionSkin* onion, const MotionSource& source, const FilmView& view,
                     const PaintStyle& style, const std::vector<int>& frames);
// Sets the kept pixels onto the canvas.
void draw_onion_skin(mw31::Canvas& canvas, const OnionSkin& onion);

}  // namespace film
