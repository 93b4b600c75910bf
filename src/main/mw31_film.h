// The film player's entry: finds out what kind of film a file holds and hands it on.
#pragma once

#include <string>
#include <vector>

#include "main/batch_request.h"

namespace kurvlab {

// args: "kurvlab", the film, then options (see film_options.h). 0 after a film was played,
// 1 after an error that was already reported, else what the player returned.
int mw31_film(std::vector<std::string> args, const BatchRequest& batch = {});

// The file that the Save command copies: the film as last examined by the dispatch.
const std::string& film_source_name();

}  // namespace kurvlab
