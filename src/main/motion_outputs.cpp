// The film window's motion analysis files.
#include "main/motion_outputs.h"

#include "film_out/motion_export.h"

namespace kurvlab {

void add_motion_outputs(film::FilmOutputs* outputs) {
    outputs->trace_csv = film_out::write_trace_csv;
    outputs->trace_svg = film_out::write_trace_svg;
    outputs->track_csv = film_out::write_track_csv;
}

}  // namespace kurvlab
