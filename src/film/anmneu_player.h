// Plays an ANMNEU film in the film window: every frame (and with the phi factor every
// in-between picture) drawn from the symbols' contours at their placements, in the playback
// loop shared by the 2D players.
#pragma once

#include <memory>
#include <string>

#include "film/film_window.h"
#include "film_model/anmneu_film.h"
#include "film_model/anmneu_painter.h"
#include "film_model/colour_table.h"
#include "mw31/picture.h"

namespace film {

// The film may be a CAD export wrapping an ANMNEU film; the window's menu is replaced by the
// ANMNEU tool bar.
struct AnmneuOptions : PlayerOptions {
    // Called after each drawn picture with the picture as it was copied to the window and the
    // sub-step it shows (the frame is fw.state.index).
    void (*frame_observer)(FilmWindow& fw, const mw31::Picture& picture, int substep,
                           void* user) = nullptr;
};

// 0 after playing; 1 when the file is not an ANMNEU film or cannot be read, holds no frame,
// or the window or its picture cannot be made (each reported to the user). On leaving,
// "kurvlab.tmp" and "kurvlab.txt" in the temporary directory and an unwrapped copy are
// deleted.
int anmneu_film(const AnmneuOptions& options);

// The film and sub-step of the ANMNEU film playing in this window, for the outputs (print,
// DXF) served from its loop; null / 0 when the window plays something else.
const AnmneuFilm* anmneu_film_of(const FilmWindow& fw);
int anmneu_substep_of(const FilmWindow& fw);

}  // namespace film
