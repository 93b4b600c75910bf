// Test access to the Qt backend in plain C++: real Qt events sent into a window, and what its
// tool bar shows. Tests use this instead of including Qt themselves.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "mw31/window.h"

namespace mw31::qt_test {

// A key press as the platform delivers it. `key_name` is a Qt key name ("G", "Left", "F5",
// "Return", "Shift"); `text` is the text the platform attaches to the event.
bool send_key(Window& window, const std::string& key_name, bool shift, bool ctrl,
              const std::string& text, bool keypad = false);
// Presses and releases the command's tool-bar button with the mouse.
bool click_button(Window& window, int command);
// The close box: asks the window to close. True when it is still shown afterwards.
bool press_close_box(Window& window);
bool is_shown(const Window& window);
// Makes the window the active one, as a click into it would, and lets Qt deliver that.
bool activate(Window& window);
// The window holds the keyboard focus (is the application's active window).
bool is_active(const Window& window);
// Mouse events on the client area, in client coordinates.
bool send_mouse(Window& window, MessageKind kind, MouseButton button, int x, int y);
bool send_wheel(Window& window, int delta, int x, int y);

struct ButtonLook {
    bool exists = false;
    bool has_icon = false;
    std::string text;  // what the button shows when it has no icon
    std::string tooltip;
    int position = -1;  // index among the bar's buttons, left to right
};
ButtonLook button_look(const Window& window, int command);
// The client widget's size as Qt has it.
Rect client_widget_rect(const Window& window);
// The cursor shape the client widget shows.
CursorShape client_cursor(const Window& window);
// What the client widget paints, rows top to bottom, 3 bytes (R, G, B) per pixel.
std::vector<uint8_t> painted_client(const Window& window);

// Replies to the backend's own modal dialogs, each given to the next dialog that opens.
struct DialogReply {
    bool accept = true;              // false: Cancel / No
    std::vector<std::string> files;  // for file dialogs, full paths
    std::string text;                // for the text question; the item of an item question
};
void reply_to_next_dialog(const DialogReply& reply);
// What those dialogs showed, oldest first.
struct DialogSeen {
    std::string kind;  // "message", "open", "save", "text", "choice"
    std::string title;
    std::string text;                  // box text or prompt
    std::string icon;                  // "stop", "information", "question", "none"
    std::vector<std::string> buttons;  // "yes", "no", "ok"; a text question's button texts
    std::vector<std::string> filters;  // file dialogs' name filters
    bool multiple = false;             // open dialog takes several files
    std::string preset;                // what a text question's field showed
    std::vector<std::string> history;  // file dialogs' "look in" history, as folders
    std::vector<std::string> places;   // file dialogs' side bar, as local folders
};
std::vector<DialogSeen> dialogs_seen();
void forget_dialogs();

}  // namespace mw31::qt_test
