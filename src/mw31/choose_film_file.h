// The open-file dialog for films: one chosen film is returned as it is; several are written
// to a film list ("gesflm.txt" beside them) that plays them merged.
#pragma once

#include <string>

namespace mw31 {

// 0 with the chosen name (or the film list's name) in *result; 1 when cancelled or when the
// film list cannot be written. `filter` is "description|pattern|...|".
int choose_film_file(const std::string& start_directory, std::string* result,
                     const std::string& filter);

}  // namespace mw31
