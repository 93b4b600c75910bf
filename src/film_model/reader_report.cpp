// The readers' default report: the terminal's message box.
#include "film_model/reader_report.h"

#include "mw31/messages.h"

namespace film {

void report_to_user(const std::string& message) {
    mw31::message_output(message);
}

}  // namespace film
