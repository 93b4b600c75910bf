// The motion analysis files a film window writes, served by film_out's writers.
#pragma once

#include "film/film_outputs.h"

namespace kurvlab {

// Fills the trace CSV and SVG and the followed measurement's CSV entries of the outputs.
void add_motion_outputs(film::FilmOutputs* outputs);

}  // namespace kurvlab
