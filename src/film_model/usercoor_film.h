// A user-coordinates film as read from its text: records of three doubles in world units, all
// frames in one array with the end of each, the texts the frames show, and the head values.
#pragma once

#include <cstddef>
#include <span>
#include <string>
#include <vector>

#include "film_model/frame_store.h"
#include "film_model/record_allocator.h"
#include "film_model/world_window.h"

namespace film {

// Record kinds; a pair's second record is never interpreted by its own kind field.
enum UsercoorKind : int {
    kUcColour = 1,
    kUcMoveTo = 4,
    kUcLineTo = 5,
    kUcXorLineTo = 6,
    kUcText = 7,        // {7, text number, x}, followed by {kUcTextRest, y, 0}
    kUcFilledRect = 8,  // followed by a move-shaped record with the opposite corner
    kUcArc = 9,         // {9, cx, cy}, followed by {radius, a1, a2} in degrees
    kUcXorArc5 = 13,    // the five-value arcs, paired as kUcArc
    kUcArc5 = 14,
    kUcTextRest = -1,
};

struct UsercoorRecord {
    double kind, a, b;
    friend bool operator==(const UsercoorRecord&, const UsercoorRecord&) = default;
};

using UsercoorRecords = std::vector<UsercoorRecord, RecordAllocator<UsercoorRecord>>;
using UsercoorFrame = std::span<const UsercoorRecord>;

constexpr int kUsercoorMaxTexts = 10000;
constexpr size_t kUsercoorMaxTextLength = 255;

struct UsercoorFilm {
    UsercoorRecords records;         // every frame's records, one frame after the other
    std::vector<size_t> frame_ends;  // frame i ends at records[frame_ends[i]]
    std::vector<std::string> texts;  // numbered in reading order
    // Fitted to the aspect 1.3 as ANMNEU films are; a film without an `a` record keeps a
    // 1.3 x 1 window about the origin (has_window tells).
    WorldWindow window = fit_world_window(0, 0, 0, 0);
    WorldWindow initial = window;  // for Init
    bool has_window = false;
    int virtual_width = kDefaultVirtualWidth;  // W and H from `r`
    int virtual_height = kDefaultVirtualHeight;
    double angle_divisor = kDefaultAngleDivisor;  // from `q`; arcs here are in degrees already

    int frame_count() const { return int(frame_ends.size()); }

    // The records of frame i (0 <= i < frame_count()).
    UsercoorFrame frame(int i) const {
        const size_t begin = i == 0 ? 0 : frame_ends[size_t(i) - 1];
        return UsercoorFrame(records.data() + begin, frame_ends[size_t(i)] - begin);
    }

    // The text a text record names, or an empty one for a number that names none.
    const std::string& text(double number) const {
        static const std::string none;
        return number >= 0 && number < double(texts.size()) ? texts[size_t(number)] : none;
    }
};

}  // namespace film
