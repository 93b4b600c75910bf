// The program's outputs, composed for each film window.
#include "main/film_outputs_setup.h"

#include <memory>

#include "film_model/anmneu_painter.h"
#include "film_model/line_film_reader.h"
#include "film_model/usercoor_painter.h"
#include "film_out/avi_export.h"
#include "film_out/dxf_export.h"
#include "film_out/merge_help.h"
#include "film_out/print_frame.h"
#include "main/motion_outputs.h"

namespace kurvlab {

namespace {

// A line film's virtual size, which print and DXF need and the frame output does not carry:
// read from the film at the first use.
struct LineFilmSize {
    bool known = false;
    int width = film::kDefaultVirtualWidth, height = film::kDefaultVirtualHeight;
};
const LineFilmSize& line_film_size(const std::string& film_name, LineFilmSize* size) {
    film::FrameStore store;
    if (!size->known && film::read_line_film_file(film_name, &store, nullptr) == 0)
        *size = LineFilmSize{true, store.virtual_width, store.virtual_height};
    return *size;
}

const film::AnmneuFramePainter* anmneu_painter(const film::FrameOutput& out) {
    return dynamic_cast<const film::AnmneuFramePainter*>(&out.painter);
}

const film::UsercoorFramePainter* usercoor_painter(const film::FrameOutput& out) {
    return dynamic_cast<const film::UsercoorFramePainter*>(&out.painter);
}

}  // namespace

film::FilmOutputs film_window_outputs(const std::string& film_name) {
    film::FilmOutputs outputs;
    // One recording per window; the window gives back its own place after a quick one.
    auto recording = std::make_shared<film_out::AviExport>();
    outputs.avi_start = [recording] { return film_out::avi_start(recording.get()); };
    outputs.avi_add_picture = [recording](const mw31::Picture& picture) {
        film_out::avi_add_picture(recording.get(), picture);
    };
    outputs.avi_finish = [recording] { film_out::avi_finish(recording.get()); };

    auto size = std::make_shared<LineFilmSize>();
    outputs.print_frame = [film_name, size](const film::FrameOutput& out) {
        if (const film::AnmneuFramePainter* anmneu = anmneu_painter(out))
            film_out::anmneu_plot_filmstellung(anmneu->film(), out.frame, out.view, out.style);
        else if (const film::UsercoorFramePainter* usercoor = usercoor_painter(out))
            film_out::usercoor_plot_filmstellung(out.painter, usercoor->film().window, out.view,
                                                 out.style);
        else
            film_out::plot_filmstellung(out.painter, out.view, out.style,
                                        line_film_size(film_name, size.get()).width);
    };
    outputs.dxf_frame = [film_name, size](const film::FrameOutput& out) {
        film_out::DxfExportOptions options;
        options.pixel_width = out.view.area.width();  // chords as the window draws them
        if (out.traces) options.traces = *out.traces;
        if (const film::AnmneuFramePainter* anmneu = anmneu_painter(out)) {
            options.world_width = anmneu->film().window.xr - anmneu->film().window.xl;
            film_out::dxf_export_anmneu_frame(film_name, out.frame, options);
        } else if (const film::UsercoorFramePainter* usercoor = usercoor_painter(out)) {
            options.world_width = usercoor->film().window.xr - usercoor->film().window.xl;
            film_out::dxf_export_usercoor_frame(out.painter, options);
        } else {
            film_out::dxf_export_line_film_frame(
                out.painter, line_film_size(film_name, size.get()).height, options);
        }
    };
    outputs.merge_help_write = film_out::merge_help_write;
    add_motion_outputs(&outputs);
    return outputs;
}

void set_player_options(film::PlayerOptions* play, const std::string& film_name,
                        const std::string& source_name, const FilmOptions& options) {
    play->film_name = film_name;
    play->source_name = source_name;
    play->passes = options.passes;
    play->pause_ms = options.pause_ms;
    play->record_factor = options.record_factor;
    play->window.outputs = film_window_outputs(film_name);
    play->window.stamp_recording = options.stamp;
    play->window.film_name = source_name;  // the user's file, also for an unwrapped copy
}

}  // namespace kurvlab
