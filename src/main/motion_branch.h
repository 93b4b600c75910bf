// --trace, --track and --sweep: motion analysis of a 2D film without a window. ANMNEU and
// merged films follow the parts; line and user-coordinates films follow record ends.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "film_model/anmneu_film.h"
#include "film_model/frame_store.h"
#include "film_model/motion_trace.h"
#include "film_model/usercoor_film.h"
#include "main/batch_request.h"
#include "mw31/picture.h"

namespace kurvlab {

// The colour traces are drawn in over a sweep; mechanisms seldom draw their parts in it.
inline constexpr const char* kTraceColourName = "orange";

// A film read for motion analysis, with the frames a pass shows.
struct MotionFilm {
    enum Kind { kAnmneu, kLineFilm, kUsercoor };
    Kind kind = kAnmneu;
    std::string file;  // what was read (a merged or unwrapped copy of the user's film)
    film::AnmneuFilm anmneu;
    film::FrameStore store;
    film::UsercoorFilm usercoor;
    film::MotionFrames frames;
};

// The picked point's anchor in `frame` of the film, and its trace over the film's frames.
film::MotionTrace trace_motion_point(const MotionFilm& film, int frame, double x, double y);

// Every frame of the pass drawn over each other on a picture of this size, as --output draws
// one frame, with the traces of ANMNEU films over them; null when the picture cannot be made.
std::unique_ptr<mw31::Picture> sweep_picture(const MotionFilm& film, int width, int height,
                                             const std::vector<film::MotionTrace>& traces);

// Reads the film (a merge definition is merged first) and writes what the request asks for.
// 0 when everything was written; 1 after a message.
int run_motion_request(const std::string& film_name, const BatchRequest& batch);

}  // namespace kurvlab
