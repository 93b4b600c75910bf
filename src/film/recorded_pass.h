// The pictures one recorded pass holds, walked with the window's own playback functions, so
// that a recording from the command line and one made in the window agree. A pass whose last
// frame shows its first again (a film that closes its cycle with a repeated frame) leaves that
// frame out, so that the video loops without a repeated picture.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "film_model/anmneu_film.h"
#include "film_model/frame_store.h"
#include "film_model/usercoor_film.h"

namespace film {

// The frames of a line film that one recorded pass shows: from frame 1 by `step`, frames of
// five records or fewer left out.
std::vector<int> line_film_pass_frames(const FrameStore& store, int step);
// The same for a user-coordinates film, which plays in the line-film loop.
std::vector<int> usercoor_pass_frames(const UsercoorFilm& film, int step);
// The pictures (frame, in-between picture) of one recorded pass of an ANMNEU film of
// `frame_count` frames: from frame 0, every in-between picture of the phi factor, by `step`
// when the factor is 1.
std::vector<std::pair<int, int>> anmneu_pass_pictures(int frame_count, int step, int phi_factor);

// The pass's closing frame, or -1 when its last frame differs from its first.
int line_film_closing_frame(const FrameStore& store, const std::vector<int>& frames);
int usercoor_closing_frame(const UsercoorFilm& film, const std::vector<int>& frames);
int anmneu_closing_frame(const AnmneuFilm& film, const std::vector<std::pair<int, int>>& pictures);

// What a stamped recording writes into a picture's corner: the frame number, and for an
// ANMNEU film the picture's cycle angle.
std::string frame_stamp(int frame);
std::string anmneu_frame_stamp(int frame, int substep, int phi_factor, int frame_count);

// Films write their placements with six decimals: equal within that, and a turn by whole
// revolutions is the same position.
bool anmneu_same_position(const AnmneuFilm& film, int a, int b);

}  // namespace film
