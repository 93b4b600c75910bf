// Plays a line film in the film window: reads it into the frame store and runs the playback
// loop (draw, copy, pump, sleep, wait, advance) until the passes are done or the user ends.
#pragma once

#include <string>

#include "film/film_window.h"
#include "film_model/byte_source.h"
#include "film_model/frame_store.h"
#include "film_model/line_film_painter.h"
#include "mw31/picture.h"

namespace film {

struct LineFilmOptions : PlayerOptions {
    ByteSource* source = nullptr;  // read from these bytes instead of the file named
    // Called after each drawn frame with the picture as it was copied to the window.
    void (*frame_observer)(FilmWindow& fw, const mw31::Picture& picture, void* user) = nullptr;
};

// 0 after playing; 1 when the window or its pictures cannot be made, the film cannot be
// read, or it holds no frame that could be shown (each reported to the user).
int play_line_film(const LineFilmOptions& options);

// The first frame a line film shows, or -1 when none would ever be drawn (frames below the
// first index and frames of five records or fewer are not shown).
int first_shown_frame(const FrameStore& store, int first_index);

}  // namespace film
