// ANMNEU films: played by the ANMNEU player, or described / drawn for a batch request.
#pragma once

#include <string>

#include "main/batch_request.h"
#include "main/film_options.h"

namespace kurvlab {

// source_name is the file Save copies: the film as last examined by the dispatch.
int play_anmneu_branch(const std::string& film_name, const std::string& source_name,
                       const FilmOptions& options, const BatchRequest& batch);

}  // namespace kurvlab
