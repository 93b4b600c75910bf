// Mouse-cursor shapes by name, applied to every window that registered for them.
#pragma once

#include <string>

#include "mw31/window.h"

namespace mw31 {

// "size", "cross", "wait"; anything else is the arrow.
CursorShape cursor_shape_for(const std::string& name);
// Windows register while they exist so that a cursor change reaches them.
void register_cursor_window(Window* window);
void unregister_cursor_window(Window* window);
// Sets the shape on every registered window, then services the message queue.
void set_mouse_cursor(const std::string& name);
// The same for one window only.
void set_mouse_cursor(Window& window, const std::string& name);

}  // namespace mw31
