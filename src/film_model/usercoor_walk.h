// The frame walk of user-coordinates films: a frame's records handed to a sink in world units
// (y upwards), and the text a frame leaves as the window's title.
#pragma once

#include <string>

#include "film_model/frame_walk.h"
#include "film_model/usercoor_film.h"

namespace film {

// The records of frame i of the film (nothing for an index outside it). Texts go to
// sink.label at their point; arcs of every kind come with their angles in degrees as the
// film gives them. Pairs cut off at the end and arcs whose angles are not finite are skipped.
void walk_usercoor_frame(const UsercoorFilm& film, int frame, FrameSink& sink);
// The same for records in memory whose text numbers refer to film.texts.
void walk_usercoor_records(const UsercoorFilm& film, UsercoorFrame records, FrameSink& sink);

// What frame i leaves in the window's title: the last text it draws; empty when it draws none.
std::string usercoor_frame_title(const UsercoorFilm& film, int frame);

}  // namespace film
