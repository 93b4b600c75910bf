// --record: one pass of a film recorded into a video without a window, the frames the film
// window would record, each painted as --output paints it.
#pragma once

#include <string>

#include "film_model/usercoor_film.h"
#include "main/batch_request.h"
#include "video/avi_writer.h"

namespace kurvlab {

// The AVI codec of a --codec name (raw, rle8, raw24, msvc); false for any other name.
bool record_codec_from_name(const std::string& name, video::AviCodec* codec);

// 0 when the video was written; 1 after a message.
int record_line_film(const std::string& film_name, const BatchRequest& batch);
int record_anmneu_film(const std::string& film_name, const BatchRequest& batch);
// A user-coordinates film already read (it may come from memory); film_name names it.
int record_usercoor_film(const film::UsercoorFilm& film, const std::string& film_name,
                         const BatchRequest& batch);

}  // namespace kurvlab
