// Pens shared by all drawing code: asking twice for the same pen gives the kept one, and
// the cache never holds more than 256 pens, replacing entries in rotation.
#pragma once

#include <vector>

#include "mw31/canvas.h"

namespace mw31 {

constexpr int kPenCacheSize = 256;

struct PenCacheEntry {
    PenStyle style = PenStyle::Solid;
    int width = 1;
    Rgb colour{};
    Pen pen{};
};

struct PenCache {
    std::vector<PenCacheEntry> entries;
    int next_replace = 0;  // the entry a new pen replaces once the cache is full
};

Pen pen_from_cache(PenCache& cache, PenStyle style, int width, Rgb colour);
// The program-wide cache.
Pen pen_from_cache(PenStyle style, int width, Rgb colour);
PenCache& pen_cache();

}  // namespace mw31
