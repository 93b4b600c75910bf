// The open-file dialog for films: one chosen film is returned as it is; several are written
// to a film list ("gesflm.txt" beside them) that plays them merged.
#pragma once

#include <string>
#include <vector>

namespace mw31 {

// The films the program's open dialog offers, wherever it is opened from.
inline constexpr const char* kFilmFileFilter =
    "KV-Animationen (*.ANM)|*.anm|FLM-Animationen (*.FLM)|*.flm|FLM-Vereinigungsdefinitionen "
    "(*.TXT)|*.txt|Standardanimation moviefile|moviefil|Alle Dateien|*.*|";

// 0 with the chosen name (or the film list's name) in *result; 1 when cancelled or when the
// film list cannot be written. `filter` is "description|pattern|...|". What was chosen is
// remembered among the recent films, which the dialog offers next time.
int choose_film_file(const std::string& start_directory, std::string* result,
                     const std::string& filter);

// The film list for several films: "gesflm.txt" in the first film's folder (our temporary
// folder when that one cannot take it), one "film=" line per film. 0 with its name in
// *result; 1 after saying why it could not be written.
int write_film_list(const std::vector<std::string>& films, std::string* result);

}  // namespace mw31
