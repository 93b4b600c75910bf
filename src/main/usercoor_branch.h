// User-coordinates films, and ANMNEU films converted to them (-c): played by the
// user-coordinates player, or described / drawn for a batch request.
#pragma once

#include <string>

#include "film_model/byte_source.h"
#include "main/batch_request.h"
#include "main/film_options.h"

namespace kurvlab {

// The film comes from `source` when given (the in-memory conversion), else from the file
// film_name. source_name is the file Save copies and the name messages give.
int play_usercoor_branch(const std::string& film_name, const std::string& source_name,
                         const FilmOptions& options, const BatchRequest& batch,
                         film::ByteSource* source = nullptr);

// -c: the ANMNEU film converted (into memory, with -f into a private temporary file that is
// removed afterwards) and handed to the user-coordinates branch.
int play_converted_anmneu(const std::string& film_name, const std::string& source_name,
                          const FilmOptions& options, const BatchRequest& batch);

}  // namespace kurvlab
