// Test access to the seam's GL windows: real Qt events sent into the window, and what Qt holds
// for it. Tests use this instead of including Qt themselves.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "mw31/gl_window.h"

namespace mw31::gl_test {

// A key press as the platform delivers it (`key_name` a Qt key name, `text` its text).
bool send_key(GlWindow& window, const std::string& key_name, const std::string& text,
              bool ctrl = false);
// Mouse events in client coordinates; `button` is held during a move.
bool send_mouse(GlWindow& window, MessageKind kind, MouseButton button, int x, int y);
bool send_wheel(GlWindow& window, int delta, int x, int y, bool ctrl = false);
// What the window manager's close box sends.
bool press_close_box(GlWindow& window);
bool is_shown(const GlWindow& window);
std::string title(const GlWindow& window);
// The client area as the X server shows it: rows top to bottom, R G B; empty on failure.
std::vector<uint8_t> grab(const GlWindow& window);

}  // namespace mw31::gl_test
