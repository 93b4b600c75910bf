// The text terminal: a character-grid window emulating a console, to which the standard
// output and the program's messages go. At most one exists (number 0).
#pragma once

#include <memory>
#include <string>

#include "mw31/terminal_grid.h"
#include "mw31/terminal_keys.h"
#include "mw31/window.h"

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
// A key another of our windows hands to the terminal (the 3D window's p): queued as if typed
// in the terminal, ending a wait for input.
void terminal_type_key(int code);
void terminal_clear();
void terminal_home();
void terminal_bell();

// Dispatches messages until a key or mouse event clears the terminal's input wait.
void wait_for_input(int terminal);

inline constexpr const char* kTooManyTerminals =
    "push_mw31_terminal: zu viele Terminals / too many sessions\n";
inline constexpr const char* kCannotAbortNow =
    "Filmprogramm kann im Moment nicht abgebrochen werden / Animation cannot be aborted right "
    "now";
inline constexpr const char* kReallyQuit =
    "Filmprogramm wirklich abbrechen / Really quit the animation?";

// Cell colours: text on background, and the background of the cursor cell.
inline constexpr Rgb kTerminalText{200, 200, 200};
inline constexpr Rgb kTerminalBackground{0, 0, 0};
inline constexpr Rgb kTerminalCursor{0, 255, 0};

// Everything one terminal keeps; the window part only draws it and feeds it input.
struct TerminalState {
    std::unique_ptr<Window> window;
    int index = 0;
    TerminalGrid grid;
    KeyTable keys;
    InputRing input;
    Utf8Decoder decoder;
    int char_width = 1, char_height = 1;  // fitted to the client area
    bool cursor_enabled = true;
    bool cursor_shown = false;
    bool waiting_for_input = false;
    bool echoing = false;         // set once input was read: line ends then service the queue
    bool echo_to_stderr = false;  // KURVLAB_TERMINAL_ECHO=1
    MouseCell last_move_cell{-1, -1};
    int bells = 0;  // also counted, so that tests can see them
};

// The existing terminal (current or not), or null.
TerminalState* terminal_state();
// The window procedure of the terminal, also callable directly with a message.
void terminal_window_proc(Window& window, const Message& message, void* user);
// Refits the cells to the client area and repaints everything.
void terminal_repaint();

}  // namespace mw31
