// The program's standard streams: output goes to the text terminal when one exists, and is
// otherwise collected and handed to the process's standard output line by line.
#pragma once

#include <string>

namespace mw31 {

// Text collected for the standard output is flushed at this many characters at the latest.
constexpr int kStdoutCollectLimit = 4095;

void stdout_put_char(int c);
void stdout_put_string(const std::string& text);
// Hands collected text to the process's standard output; nothing while a terminal exists.
void stdout_flush();
// Characters collected and not yet handed on (for tests).
const std::string& stdout_pending();

// A key code from the current terminal (low 8 bits), else a byte of the process's standard
// input (EOF at its end).
int stdin_get_char();
// Pushes the character back into the terminal's key queue, or onto the standard input.
void stdin_unget_char(int c);

}  // namespace mw31
