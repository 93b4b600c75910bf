// The program's fixed temporary file names, in the user's temporary directory.
#pragma once

#include <string>

namespace mw31 {

// $TMPDIR when set and not empty, else /tmp; without a trailing "/".
std::string temp_directory();
std::string temp_info_name();        // .../kurvlab.txt: info text of the film being played
std::string temp_work_name();        // .../kurvlab.tmp
std::string temp_merge_help_name();  // .../vflminfo.txt: help text of the merge

}  // namespace mw31
