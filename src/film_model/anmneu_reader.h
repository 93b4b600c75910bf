// Reader of ANMNEU films: head, info text, symbol definitions (contour language) and frames.
#pragma once

#include <functional>
#include <string>

#include "film_model/anmneu_film.h"
#include "film_model/reader_report.h"

namespace film {

// Reads the film into *film (its previous contents are dropped). Returns the frame count F
// (0 or more), or -1 after a message when the file cannot be read as an ANMNEU film. The info
// text goes to "kurvlab.txt" in the temporary directory. Messages go to `report`.
// user_name is the film the user named when `name` is a copy made from it (a CAD export taken
// apart): messages and film->name name it, and relative contour includes are looked for beside
// it. Empty: `name` itself, or the film a CAD unwrap made `name` from (cad_unwrap_origin).
// `progress` is told now and then how many frames were read (a player keeps its window
// responsive there).
int read_anmneu_film(const std::string& name, AnmneuFilm* film,
                     const ReportFn& report = report_to_user, const std::string& user_name = {},
                     const std::function<void(int frames_read)>& progress = {});

// A frame's placement line: up to five numbers separated by blanks (x, y, phi, sx, sy);
// missing or non-finite ones keep their defaults.
SymbolPlacement parse_symbol_placement(const std::string& line);

}  // namespace film
