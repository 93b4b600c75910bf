// Message boxes owned by the terminal, with the program's title.
#pragma once

#include <string>

#include "mw31/program_title.h"

namespace mw31 {

// Shows the text (stop icon) and services the message queue; nothing without a terminal.
void message_output(const std::string& text);
// True unless the user answers Yes.
bool ask_no(int terminal, const std::string& text);

}  // namespace mw31
