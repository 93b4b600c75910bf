// ANM3D animations from the command line: --info and --output without any window, and playing
// them in the 3D window.
#pragma once

#include <string>

#include "main/batch_request.h"
#include "main/film_options.h"

namespace kurvlab {

int play_scene_branch(const std::string& film_name, const FilmOptions& options,
                      const BatchRequest& batch);

}  // namespace kurvlab
