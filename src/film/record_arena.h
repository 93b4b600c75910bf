// Room for a film's records: reserved ahead in one block, so that a reader writes them in place
// and the block is never copied while it grows.
#pragma once

#include <cstddef>
#include <vector>

#include "film/frame_store.h"

namespace film {

// Makes room for at least `extra` records beyond those held. Reserved but untouched memory
// costs nothing resident, so readers may reserve for the worst case. False when the memory
// could not be had (the records held stay as they were).
bool reserve_records(RecordVector* records, size_t extra);

}  // namespace film
