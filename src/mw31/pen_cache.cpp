// The pen cache with its rotating replacement.
#include "mw31/pen_cache.h"

namespace mw31 {

Pen pen_from_cache(PenCache& cache, PenStyle style, int width, Rgb colour) {
    for (const PenCacheEntry& e : cache.entries) {
        if (e.style == style && e.width == width && e.colour == colour) return e.pen;
    }
    const PenCacheEntry entry{style, width, colour, Pen{style, width, colour}};
    if (int(cache.entries.size()) < kPenCacheSize) {
        cache.entries.push_back(entry);
    } else {
        cache.entries[cache.next_replace] = entry;
        cache.next_replace = (cache.next_replace + 1) % kPenCacheSize;
    }
    return entry.pen;
}

PenCache& pen_cache() {
    static PenCache cache;
    return cache;
}

Pen pen_from_cache(PenStyle style, int width, Rgb colour) {
    return pen_from_cache(pen_cache(), style, width, colour);
}

}  // namespace mw31
