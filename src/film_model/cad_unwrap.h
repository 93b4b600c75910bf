// CAD tools export ANMNEU films wrapped in comment lines; this takes the film back out.
#pragma once

#include <string>

#include "film_model/reader_report.h"

namespace film {

// Copies the lines between "# Start ANMNEU-Datei" and "# Ende ANMNEU-Datei" (each less its
// first two characters) from source to target. 0 on success, 1 otherwise.
int cad_unwrap_anmneu(const std::string& source, const std::string& target,
                      const ReportFn& report = report_to_user);

// The film a successful cad_unwrap_anmneu of this process made `copy` from; "" for none.
std::string cad_unwrap_origin(const std::string& copy);

}  // namespace film
