// Reads a line film (binary or text encoding) from a byte source into the frame store.
#pragma once

#include <functional>
#include <string>

#include "film_model/byte_source.h"
#include "film_model/frame_store.h"
#include "film_model/reader_report.h"
#include "mw31/canvas.h"

namespace film {

// Maps the head's erase rectangle from film to screen coordinates, given the virtual width in
// force when the `A` command is read. A null mapper keeps the film coordinates.
using EraseRectMapper = std::function<mw31::Rect(const mw31::Rect& film_rect, int virtual_width)>;

struct LineFilmLimits {
    int max_frames = kMaxFrames;
    int max_records_per_frame = kMaxRecordsPerFrame;
};

// Reads the whole film from its first byte (the source is rewound) into *store, which is reset
// first. Returns 0, or 1 when nothing could be read; messages have then been reported. Too many
// frames or records are reported and the frames read so far are kept (result 0).
int read_line_film(ByteSource& source, FrameStore* store, const EraseRectMapper& map_erase,
                   const ReaderHooks& hooks = {});
// The same with other limits (tests use small ones).
int read_line_film(ByteSource& source, FrameStore* store, const EraseRectMapper& map_erase,
                   const LineFilmLimits& limits, const ReaderHooks& hooks = {});

// Opens the file and reads it as above; "Kann Datei nicht zum Lesen oeffnen / Cannot open file
// for read:\n<name>" and 1 when it cannot be opened.
int read_line_film_file(const std::string& name, FrameStore* store,
                        const EraseRectMapper& map_erase, const ReaderHooks& hooks = {});

}  // namespace film
