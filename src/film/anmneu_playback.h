// Playback state of ANMNEU films beyond the shared one: the sub-step of the phi factor, its
// advance and wrap, and the view operations on the world window (Init, zoom out, a dragged
// rectangle, the mouse wheel).
#pragma once

#include <vector>

#include "film/playback_state.h"
#include "film_model/anmneu_film.h"
#include "film_model/film_view.h"
#include "film_model/world_window.h"
#include "mw31/canvas.h"

namespace film {

constexpr double kWheelZoomFactor = 1.2;
constexpr int kWheelDelta = 120;

// The tool bar of the ANMNEU player, in its order.
std::vector<int> anmneu_film_menu();

// One picture on: forward the sub-step counts up to the phi factor and then the index moves on
// by the step; backward the other way round. With a phi factor other than 1 the step is 1.
void anmneu_advance(PlaybackState* s, int* substep);

// At the end of a pass: the index back into 0 .. F-1, continuing where the step left it in
// either direction (backward from frame 0 the next frame is F-1).
void anmneu_wrap_index(PlaybackState* s);

// The cycles per minute are measured only at full speed: no single step, phi factor 1.
bool anmneu_measures_cycles(const PlaybackState& s);
// Single stepping takes no pause after the frame.
bool anmneu_takes_pause(const PlaybackState& s);

// The world point under a pixel of the client area (the mapping the crosshair uses).
void anmneu_screen_to_world(const FilmView& view, const WorldWindow& world, int x, int y,
                            double* wx, double* wy);

// Zoom to a rectangle dragged in client coordinates: the new window is centred on it with its
// extents, the smaller one widened to the aspect of the current window. False (unchanged)
// when it is narrower or lower than kMinZoomRectangle pixels or cannot be mapped.
bool anmneu_zoom_to_rectangle(WorldWindow* world, const FilmView& view, const mw31::Rect& dragged);

// A wheel turn at (x, y): about the world point there by 1.2 per notch, the shown area growing
// for a forward turn. False when the point lies outside the drawing area or nothing changed.
bool anmneu_wheel_zoom(WorldWindow* world, const FilmView& view, int x, int y, int wheel);

}  // namespace film
