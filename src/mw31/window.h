// Top-level windows with an event procedure, a client surface and a bar of command buttons.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "mw31/canvas.h"
#include "mw31/picture.h"
#include "mw31/program_title.h"

namespace mw31 {

class Window;

// Key codes of key-down messages are the classic virtual-key numbers, so tables written
// against them (the terminal's key table) keep their values.
namespace vk {
constexpr int Back = 8, Tab = 9, Clear = 12, Return = 13, Shift = 16, Control = 17, Escape = 27,
              Space = 32, Prior = 33, Next = 34, End = 35, Home = 36, Left = 37, Up = 38,
              Right = 39, Down = 40, Insert = 45, Delete = 46, Help = 47, Numpad0 = 96, F1 = 112;
// '0'..'9' are 48..57 and 'A'..'Z' are 65..90; Numpad0..9 are 96..105; F1..F24 are 112..135.
}  // namespace vk

enum class MessageKind {
    Command,    // a tool-bar button: command
    KeyDown,    // key (virtual key), shift, ctrl
    Char,       // key holds the character code
    MouseDown,  // button, x, y (client coordinates)
    MouseUp,    // button, x, y
    MouseMove,  // x, y, buttons held in `buttons`
    Wheel,      // wheel (multiples of 120, positive away from the user), x, y
    Size,       // x, y hold the new client width and height
    Close,      // the close box
    Timer,      // command holds the timer number
    Quit,       // the application is asked to end; window is null
    Dropped,    // files dropped onto a window that takes drops: full paths in `files`
};

enum class MouseButton { None = 0, Left = 1, Right = 2, Middle = 4 };

struct Message {
    Window* window = nullptr;
    MessageKind kind = MessageKind::Command;
    int command = 0;
    int key = 0;
    bool shift = false;
    bool ctrl = false;
    MouseButton button = MouseButton::None;
    int buttons = 0;  // MouseButton bits held during a move
    int x = 0, y = 0;
    int wheel = 0;
    std::vector<std::string> files;
};

using WindowProc = void (*)(Window& window, const Message& message, void* user);

enum class CursorShape { Arrow, Cross, Wait, Size };
enum class ShowMode { Hidden, Normal, Maximized, FullScreen };

struct WindowSpec {
    std::string title = kProgramTitle;
    int client_width = 800;
    int client_height = 600;
    std::string icon;  // resource name, e.g. "kvfilm"
    WindowProc proc = nullptr;
    void* user = nullptr;
    bool accepts_drops = false;  // local files dropped onto it arrive as a Dropped message
};

class Window {
  public:
    WindowProc proc = nullptr;
    void* user = nullptr;

    // Drops the messages still queued for this window.
    virtual ~Window();

    virtual void set_title(const std::string& title) = 0;
    // (0, 0, width, height) of the area below the tool bar.
    virtual Rect client_rect() const = 0;
    // The outer frame in screen coordinates.
    virtual Rect window_rect() const = 0;
    virtual void move_resize(const Rect& outer) = 0;
    virtual void show(ShowMode mode) = 0;
    // How the window is shown now (the user may have maximised or restored it since).
    virtual ShowMode shown_as() const { return ShowMode::Normal; }
    virtual void raise() = 0;
    virtual void set_cursor(CursorShape shape) = 0;

    // The client area's own surface; what is drawn appears at the next event pump.
    virtual Canvas& canvas() = 0;
    virtual void copy_picture(const Picture& picture, int x, int y) = 0;

    // Buttons are addressed by command number; the bitmap name selects our icon and the
    // caption is the tooltip, and the button's text when there is no icon of that name.
    virtual void toolbar_add(int command, const std::string& bitmap,
                             const std::string& caption) = 0;
    virtual void toolbar_remove(int command) = 0;
    virtual void toolbar_set(int command, const std::string& bitmap,
                             const std::string& caption) = 0;
    virtual bool toolbar_has(int command) const = 0;
    virtual std::string toolbar_bitmap(int command) const = 0;
    virtual void toolbar_show(bool shown) = 0;
    virtual bool toolbar_shown() const = 0;

    // A Timer message with the number every period_ms until killed.
    virtual void set_timer(int id, int period_ms) = 0;
    virtual void kill_timer(int id) = 0;
};

// Null when the window cannot be made (no backend, or the platform refused).
std::unique_ptr<Window> create_window(const WindowSpec& window_spec);

}  // namespace mw31
