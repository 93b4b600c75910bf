// The program's outputs, composed for each film window.
#include "main/film_outputs_setup.h"

namespace kurvlab {

film::FilmOutputs film_window_outputs(const std::string& film_name) {
    (void)film_name;
    film::FilmOutputs outputs;
    return outputs;
}

}  // namespace kurvlab
