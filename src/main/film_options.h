// The options after the film name: -n passes, -p pause, -s conversion buffer, -x recording
// factor, -c convert, -f convert to a file.
#pragma once

#include <string>
#include <vector>

namespace kurvlab {

struct FilmOptions {
    int passes = 1000000;          // -n
    bool passes_given = false;     // -n was given: play even where nobody can see it
    int pause_ms = 5;              // -p
    int memory_size = 0;           // -s; 0: the conversion buffer takes its default size
    double record_factor = 1.0;    // -x; never below 1.0
    bool convert = false;          // -c
    bool convert_to_file = false;  // -f
    bool stamp = false;            // --stamp: recordings carry the frame in their corner
};

// Entry 0 is the program name, entry 1 the film; options are read from entry 2 on, a later
// occurrence overriding an earlier one, unknown arguments ignored.
double parse_record_factor(const std::vector<std::string>& args);
FilmOptions parse_film_options(const std::vector<std::string>& args);

}  // namespace kurvlab
