// The outputs a film window gets: each output of film_out fills its own entries here, so that
// the players and the window never name an output.
#pragma once

#include <string>

#include "film/film_outputs.h"
#include "film/film_window.h"
#include "main/film_options.h"

namespace kurvlab {

// The outputs for a film window playing `film_name`.
film::FilmOutputs film_window_outputs(const std::string& film_name);

// What every 2D player is told by the command line, with the outputs for its window.
void set_player_options(film::PlayerOptions* play, const std::string& film_name,
                        const std::string& source_name, const FilmOptions& options);

}  // namespace kurvlab
