// The frames of a line film as read from the file: all records in one array with the end of
// each frame, plus the head values that drawing needs.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "film_model/record_allocator.h"
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

// No default values: room for records is made without writing it first (see RecordVector);
// FilmRecord{} still gives zeros.
struct FilmRecord {
    int32_t kind, a, b;
    friend bool operator==(const FilmRecord&, const FilmRecord&) = default;
};

// Records are appended in place by the readers (see RecordAllocator).
using RecordVector = std::vector<FilmRecord, RecordAllocator<FilmRecord>>;

// The records of one frame, viewed in place.
using FrameRecords = std::span<const FilmRecord>;

constexpr int kMaxFrames = 10000;
constexpr int kMaxRecordsPerFrame = 10000000;
constexpr int kDefaultVirtualWidth = 1280;
constexpr int kDefaultVirtualHeight = 1024;
constexpr double kDefaultAngleDivisor = 100000.0;

struct FrameStore {
    // One array for the whole film: a frame per vector would cost an allocation and a copy per
    // frame, and fresh pages for each of them.
    RecordVector records;            // every frame's records, one frame after the other
    std::vector<size_t> frame_ends;  // frame i is records[frame_ends[i - 1] (0 for i = 0),
                                     // frame_ends[i])
    int virtual_width = kDefaultVirtualWidth;     // W
    int virtual_height = kDefaultVirtualHeight;   // H
    double angle_divisor = kDefaultAngleDivisor;  // D: raw arc angles / D = degrees
    mw31::Rect erase_rect{};                      // screen coordinates, mapped when read

    int frame_count() const { return int(frame_ends.size()); }

    // The records of frame i (0 <= i < frame_count()).
    FrameRecords frame(int i) const {
        const size_t begin = i == 0 ? 0 : frame_ends[size_t(i) - 1];
        return FrameRecords(records.data() + begin, frame_ends[size_t(i)] - begin);
    }

    // Appends a frame (for films built in memory).
    void add_frame(const std::vector<FilmRecord>& frame_records) {
        records.insert(records.end(), frame_records.begin(), frame_records.end());
        frame_ends.push_back(records.size());
    }

    // Drops every frame and gives their memory back; the head values stay.
    void release_frames() {
        RecordVector().swap(records);
        std::vector<size_t>().swap(frame_ends);
    }
};

}  // namespace film
