// Measuring, grid, crosshair and target cycles as the film window runs them: commands, the
// armed button press, mouse moves, the measuring buttons of the menu bar, what each picture
// gets under and over its frame, and the target-cycle dialog and control.
#pragma once

#include "film/film_window.h"
#include "film/overlays.h"
#include "mw31/canvas.h"

namespace film {

// Commands 15, 16, 17 and End: the measuring state, the cursor, and a redraw that shows it.
void measuring_command(FilmWindow& fw, int command);

// A button press at client pixel (x, y) in the drawing area; true when an armed measurement
// took it (then no zoom rectangle starts).
bool measuring_press(FilmWindow& fw, int x, int y);

// Every mouse move in the client area: the dashed crosshair of line films follows at once;
// a held world film is drawn again so that its crosshair follows.
void measuring_mouse_move(FilmWindow& fw, int x, int y);

// Takes the dashed crosshair out of the window (before a zoom rectangle is drawn there).
void erase_line_crosshair(FilmWindow& fw);

// At a menu-bar update: buttons 15, 16 and 17 as the measuring stage asks, points dropped
// whenever the stage is 0.
void measuring_menu(FilmWindow& fw);

// The mapping of the window's world mode onto a picture of `view`.
WorldPicture window_world_picture(const FilmWindow& fw, const FilmView& view);
// The mouse over a picture of `view`, with the world point under it.
MouseAt window_mouse(const FilmWindow& fw, const FilmView& view);

// The grid, drawn under the frame while it is on.
void paint_under_frame(FilmWindow& fw, mw31::Canvas& canvas, const FilmView& view);
// Crosshair, coordinates and measurement over the frame (world modes).
void paint_over_frame(FilmWindow& fw, mw31::Canvas& canvas, const FilmView& view);
// The window shows a new picture: the dashed crosshair of line films is drawn on it again.
void picture_copied(FilmWindow& fw);

// The target-cycle dialog: OK takes the typed number as the target, Abbruch switches the
// control off; either way the cycle measurement starts again at step 1.
void ask_target_cycles(FilmWindow& fw);
// Called with each measured rate while a target is set.
void control_target_cycles(FilmWindow& fw, double cycles_per_minute);

}  // namespace film
