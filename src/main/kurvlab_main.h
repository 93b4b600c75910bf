// The program's own entry: which film to play, and the hand-over to the film player.
#pragma once

#include <string>
#include <vector>

#include "main/batch_request.h"

namespace kurvlab {

// The film filter of the open-file dialog.
extern const char* const kFilmFilter;

// args[0] is the program name; without a film the open-file dialog is shown again and again
// until cancelled. Returns 0 (a batch request returns the player's result).
int kurvlab_main(const std::vector<std::string>& args, const BatchRequest& batch = {});

// The directory part of a path as the dialog loop keeps it: characters are removed from the
// end up to and including the last "/" or "\".
std::string cut_last_component(std::string path);

}  // namespace kurvlab
