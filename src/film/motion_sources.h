// What each kind of film offers the window's motion analysis: ANMNEU films tie a point to the
// part under it, line and user-coordinates films to the nearest record's end; every kind
// paints any of its frames for the onion skin.
#pragma once

#include "film/motion_state.h"
#include "film_model/anmneu_film.h"
#include "film_model/frame_store.h"
#include "film_model/usercoor_film.h"

namespace film {

// The films are the players' own and must outlive the window's use of the source.
MotionSource anmneu_motion_source(const AnmneuFilm& film);
// Traces run over the frames from `first` on that the player shows.
MotionSource line_film_motion_source(const FrameStore& store, int first);
MotionSource usercoor_motion_source(const UsercoorFilm& film, int first);

}  // namespace film
