// The frames of a line film as read from the file: one array of records per frame, plus the
// head values that drawing needs.
#pragma once

#include <cstdint>
#include <vector>

#include "mw31/canvas.h"

namespace film {

// Record kinds; a pair's second record is never interpreted by its own kind field.
enum RecordKind : int32_t {
    kColour = 1,
    kMoveTo = 4,
    kLineTo = 5,
    kXorLineTo = 6,
    kFilledRect = 8,  // followed by a kMoveTo-shaped record with the opposite corner
    kArc = 10,        // followed by {radius, start, end}
    kXorArc = 11,     // as kArc
    kPoint = 12,      // followed by {fifth, third, fourth}; stored, never drawn
};

struct FilmRecord {
    int32_t kind = 0, a = 0, b = 0;
    friend bool operator==(const FilmRecord&, const FilmRecord&) = default;
};

constexpr int kMaxFrames = 10000;
constexpr int kMaxRecordsPerFrame = 10000000;
constexpr int kDefaultVirtualWidth = 1280;
constexpr int kDefaultVirtualHeight = 1024;
constexpr double kDefaultAngleDivisor = 100000.0;

struct FrameStore {
    std::vector<std::vector<FilmRecord>> frames;  // frame index -> records
    int virtual_width = kDefaultVirtualWidth;     // W
    int virtual_height = kDefaultVirtualHeight;   // H
    double angle_divisor = kDefaultAngleDivisor;  // D: raw arc angles / D = degrees
    mw31::Rect erase_rect{};                      // screen coordinates, mapped when read

    int frame_count() const { return int(frames.size()); }
};

}  // namespace film
