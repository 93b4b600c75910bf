// --pdf and --dxf: one frame printed into a PDF or exported as a DXF drawing without a window,
// through the same print and export as the film window's Hardcopy and DXF commands.
#pragma once

#include <string>

#include "film_model/usercoor_film.h"
#include "main/batch_request.h"

namespace kurvlab {

// True when the request asks for a PDF or a DXF file.
inline bool wants_print_or_dxf(const BatchRequest& batch) {
    return !batch.output_pdf.empty() || !batch.output_dxf.empty();
}

// 0 when every file asked for was written; 1 after a message otherwise.
int line_film_print_or_dxf(const std::string& film_name, const BatchRequest& batch);
int anmneu_print_or_dxf(const std::string& film_name, const BatchRequest& batch);
// A user-coordinates film already read (it may come from memory); film_name names it.
int usercoor_print_or_dxf(const film::UsercoorFilm& film, const std::string& film_name,
                          const BatchRequest& batch);

}  // namespace kurvlab
