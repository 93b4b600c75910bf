// The program's own double-dash options, taken out before the film's argument list is built.
#pragma once

#include <string>
#include <vector>

#include "main/batch_request.h"

namespace kurvlab {

struct CommandLine {
    std::vector<std::string> film_args;  // "kurvlab", film, options
    BatchRequest batch;
    bool help = false;
    bool version = false;
    std::string error;  // set when a double-dash option is malformed
};

CommandLine parse_command_line(int argc, char** argv);
std::string usage_text();

}  // namespace kurvlab
