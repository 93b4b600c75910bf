// Coding and writing on a thread of their own: the caller draws the next picture while the
// last one is coded and written, so a recording takes about the longer of the two, not both.
#pragma once

#include <memory>

#include "video/video_writer.h"

namespace video {

// Wraps `inner` (made for pictures of width x height). add_picture copies the picture and
// returns at once unless the picture before it is still waiting; a failure of the inner
// writer is returned by the next call (and by finish). Pictures that are not valid or of
// another size are refused at once, and the file stays usable, as by the inner writer.
std::unique_ptr<VideoWriter> pipelined_writer(std::unique_ptr<VideoWriter> inner, int width,
                                              int height);

}  // namespace video
