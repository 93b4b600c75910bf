// The program's outputs, composed for each film window.
#include "main/film_outputs_setup.h"

#include <memory>

#include "film_out/avi_export.h"

namespace kurvlab {

film::FilmOutputs film_window_outputs(const std::string& film_name) {
    (void)film_name;
    film::FilmOutputs outputs;
    // One recording per window; the window gives back its own place after a quick one.
    auto recording = std::make_shared<film_out::AviExport>();
    outputs.avi_start = [recording] { return film_out::avi_start(recording.get()); };
    outputs.avi_add_picture = [recording](const mw31::Picture& picture) {
        film_out::avi_add_picture(recording.get(), picture);
    };
    outputs.avi_finish = [recording] { film_out::avi_finish(recording.get()); };
    return outputs;
}

}  // namespace kurvlab
