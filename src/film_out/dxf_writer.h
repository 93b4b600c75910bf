// Writing ASCII DXF drawings: the fixed head (line types, the layer "TARVO"), LINE and ARC
// entities, and the tail; all numbers through the program's formatting engine.
#pragma once

#include <string>
#include <string_view>

#include "mw31/atomic_file.h"

namespace film_out {

inline constexpr const char* kDxfLayer = "TARVO";
inline constexpr const char* kDxfLineType = "DURCHGEZOGEN";
inline constexpr int kDxfColour = 0;

// A DXF file being written. The text is collected and goes to a temporary file beside the
// target, which takes the target's name only when the tail has been written.
class DxfFile {
  public:
    // False, with error() set, when the temporary cannot be made beside the target.
    bool open(const std::string& target);
    bool is_open() const { return file_.active(); }
    void put(std::string_view text);
    // Writes what is left and renames the file to its target; false (target untouched) when
    // any write failed.
    bool finish();
    // Drops the file; the target stays as it was.
    void abandon();
    const std::string& error() const { return error_; }
    size_t bytes() const { return bytes_; }

  private:
    void flush();

    mw31::AtomicFile file_;
    std::string buffer_;
    std::string error_;
    size_t bytes_ = 0;
};

// The head as dxf_write_head writes it: from the first SECTION to the opening of ENTITIES.
const std::string& dxf_head_text();

// The head; nothing without an open file.
void dxf_write_head(DxfFile* file);
// One LINE entity; 1 without an open file. Entities with a coordinate that is not a finite
// number are left out (a CAD program would refuse the whole file).
int dxf_write_line(DxfFile* file, double x1, double y1, double x2, double y2);
// One ARC entity, angles in degrees, exchanged when start > end; 1 without an open file.
int dxf_write_arc(DxfFile* file, double cx, double cy, double start, double end, double r);
// Ends ENTITIES, writes EOF and closes the file; 1 without an open file or when the file
// could not be written completely.
int dxf_write_tail(DxfFile* file);

}  // namespace film_out
