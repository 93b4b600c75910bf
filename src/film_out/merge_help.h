// The help text of the film window's merge button: how a merge definition is written.
#pragma once

#include <string>

namespace film_out {

// The example film paths the help text names.
constexpr const char* kMergeHelpExampleDirectory = "/home/user/filme";

// Writes the help text to name, replacing it whole. 0, or 1 when it cannot be written.
int merge_help_write(const std::string& name);

// The text itself, 48 lines each with its line end.
std::string merge_help_text();

}  // namespace film_out
