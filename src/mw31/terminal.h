// The text terminal: a character-grid window emulating a console, to which the standard
// output and the program's messages go. At most one exists (number 0).
#pragma once

#include <string>

namespace mw31 {

constexpr int kTerminalRows = 25;
constexpr int kTerminalColumns = 80;
constexpr int kTerminalMaxColumns = 134;
constexpr int kTerminalInputRing = 4096;
constexpr int kTerminalKeyTableSize = 1024;

// 0, or -1 when the window cannot be made or a terminal exists already.
int create_terminal(int rows = kTerminalRows, int columns = kTerminalColumns);
void destroy_terminal();
// Makes the terminal current; -1 with a message when one was pushed already.
int push_mw31_terminal(int terminal);
// The current terminal's number, or -1.
int current_terminal();

// These act on the current terminal and do nothing without one.
void terminal_put_char(int c);
void terminal_put_string(const std::string& text);
// Blocks until a key code is queued; 13 at once without a terminal.
int terminal_read_key();
void terminal_unread_key(int code);
void terminal_clear();
void terminal_home();
void terminal_bell();

// Dispatches messages until a key or mouse event clears the terminal's input wait.
void wait_for_input(int terminal);

}  // namespace mw31
