// What `--info` and `--output PICTURE --frame N` ask for instead of a film window.
#pragma once

#include <string>

namespace kurvlab {

struct BatchRequest {
    bool info = false;       // print what the reader found, open no window
    std::string output_png;  // draw one frame into this picture and end
    int frame = 1;
    int width = 800, height = 600;
    int phi_factor = 1;  // in-between pictures of ANMNEU films
    int substep = 0;

    bool active() const { return info || !output_png.empty(); }
};

}  // namespace kurvlab
