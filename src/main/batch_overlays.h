// The grid and a measurement for pictures of world films made without a window (--output with
// --grid and --measure), drawn by the same code as the film window's.
#pragma once

#include "film/film_window.h"
#include "film_model/frame_painter.h"
#include "film_model/world_window.h"
#include "main/batch_request.h"

namespace kurvlab {

// Under the frame the grid (--grid), over it the measurement between the two points of
// --measure with its length and angle; entries the request does not ask for stay empty. The
// world window is copied: the picture shows the film in it.
film::PictureDecor batch_overlays(const BatchRequest& batch, film::WorldMode mode,
                                  const film::WorldWindow& window);

}  // namespace kurvlab
