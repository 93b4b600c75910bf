// What the batch requests of every film kind share: the messages a read showed, and the
// picture written for --output.
#pragma once

#include <cstddef>
#include <string>

#include "mw31/picture.h"

namespace kurvlab {

// Prints "message: ..." for every message box shown since the first-th.
void print_messages_since(size_t first);
// Writes the picture as PNG; 1 after a message when there is none or it cannot be written.
int save_batch_picture(const mw31::Picture* picture, const std::string& path);
// Says that there is no display to play the film on and how else to see it; returns 1.
int no_display_to_play(const std::string& name);

}  // namespace kurvlab
