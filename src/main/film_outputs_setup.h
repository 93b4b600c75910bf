// The outputs a film window gets: each output of film_out fills its own entries here, so that
// the players and the window never name an output.
#pragma once

#include <string>

#include "film/film_outputs.h"

namespace kurvlab {

// The outputs for a film window playing `film_name`.
film::FilmOutputs film_window_outputs(const std::string& film_name);

}  // namespace kurvlab
