// Line films: played in the film window, or described / drawn for a batch request.
#pragma once

#include <string>

#include "main/batch_request.h"
#include "main/film_options.h"

namespace kurvlab {

int play_line_film_branch(const std::string& film_name, const FilmOptions& options,
                          const BatchRequest& batch);

}  // namespace kurvlab
