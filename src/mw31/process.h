// Starting external programs (the text editor above all), sleeping and the tick count.
#pragma once

#include <string>
#include <vector>

namespace mw31 {

constexpr int kProcessPollMs = 500;
constexpr int kProcessMaxPolls = 10000;

// Starts the command line as a detached process; with wait set, polls every 500 ms (at most
// 10000 times) until it ends, servicing the message queue between polls. "notepad" and
// "notepad.exe" start the user's text editor on the rest of the line (see
// program_arguments). 0, or 1 when the program cannot be started.
int run_program(const std::string& command_line, bool wait);

// Opens the text file in the user's editor (as run_program does for "notepad FILE"); where no
// editor can be started, a box says so and shows the start of the text, so that asking for a
// text never does nothing.
void open_in_text_editor(const std::string& file_name);

// The argument vector run_program starts for a command line: its words (split as a command
// line), or for "notepad FILE" the editor from $KURVLAB_EDITOR, $VISUAL or $EDITOR (a
// terminal editor inside x-terminal-emulator or xterm when one is on the PATH) and else
// xdg-open, followed by FILE with "\" turned into "/". Empty when there is nothing to start.
std::vector<std::string> program_arguments(const std::string& command_line);

// The search of the PATH that program_arguments uses; "" when not found.
std::string find_on_path(const std::string& program);

void sleep_ms(int milliseconds);
// Milliseconds from a steady clock (time since the system start).
long long tick_count();

}  // namespace mw31
