// Pixels and world coordinates of the film window's world modes, and the one set of view
// operations on the world window that ANMNEU and user-coordinates films share.
#pragma once

#include "film/film_window.h"
#include "film_model/film_view.h"
#include "film_model/world_window.h"
#include "mw31/canvas.h"

namespace film {

// The world point under pixel (x, y) of the client area: the raster mapping (virtual size
// 1300000 x 1000000) in ANMNEU mode, the world window stretched onto the drawing area in
// user-coordinates mode. Without a world mode the film's own units (y downwards) of a film
// `virtual_width` units wide.
void screen_to_world(const FilmView& view, WorldMode mode, const WorldWindow& world,
                     int virtual_width, int x, int y, double* wx, double* wy);

// Zoom to a rectangle dragged in client coordinates: the new window is centred on it with its
// extents, the smaller one widened to the aspect of the current window. False (unchanged)
// when it is narrower or lower than kMinZoomRectangle pixels or cannot be mapped.
bool world_zoom_to_rectangle(WorldWindow* world, const FilmView& view, WorldMode mode,
                             const mw31::Rect& dragged);

// A wheel turn at (x, y): about the world point there by 1.2 per message, the shown area
// growing for a forward turn. False when the point lies outside the drawing area or nothing
// changed.
bool world_wheel_zoom(WorldWindow* world, const FilmView& view, WorldMode mode, int x, int y,
                      int wheel);

// The view operations of a world film's window, acting on *window in the mapping of
// fw.world_mode (read at each use): Init restores *initial and fits the pixel view, a dragged
// rectangle and the wheel zoom there, `<` doubles the window about its centre. Also sets
// fw.world_window. window, initial and fw must outlive the window's playing; *initial is read
// when Init runs, so a player may fill it after this call.
WorldZoom world_window_zoom(FilmWindow& fw, WorldWindow* window, const WorldWindow& initial);

}  // namespace film
