// --record: one pass of a film recorded into a video without a window, the frames the film
// window would record, each painted as --output paints it.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "film_model/frame_store.h"
#include "film_model/usercoor_film.h"
#include "main/batch_request.h"
#include "video/avi_writer.h"

namespace kurvlab {

// The AVI codec of a --codec name (raw, rle8, raw24); false for any other name.
bool record_codec_from_name(const std::string& name, video::AviCodec* codec);

// The frames of a line film that one recorded pass shows: from frame 1 by `step`, frames of
// five records or fewer left out.
std::vector<int> line_film_pass_frames(const film::FrameStore& store, int step);
// The same for a user-coordinates film, which plays in the line-film loop.
std::vector<int> usercoor_pass_frames(const film::UsercoorFilm& film, int step);
// The pictures (frame, in-between picture) of one recorded pass of an ANMNEU film of
// `frame_count` frames: from frame 0, every in-between picture of the phi factor, by `step`
// when the factor is 1.
std::vector<std::pair<int, int>> anmneu_pass_pictures(int frame_count, int step, int phi_factor);

// 0 when the video was written; 1 after a message.
int record_line_film(const std::string& film_name, const BatchRequest& batch);
int record_anmneu_film(const std::string& film_name, const BatchRequest& batch);
// A user-coordinates film already read (it may come from memory); film_name names it.
int record_usercoor_film(const film::UsercoorFilm& film, const std::string& film_name,
                         const BatchRequest& batch);

}  // namespace kurvlab
