// Cursor shapes by name and the windows they apply to.
#include "mw31/cursor.h"

#include <algorithm>
#include <vector>

#include "mw31/message_queue.h"

namespace mw31 {

namespace {
std::vector<Window*>& registered() {
    static std::vector<Window*> windows;
    return windows;
}
}  // namespace

CursorShape cursor_shape_for(const std::string& name) {
    if (name == "size") return CursorShape::Size;
    if (name == "cross") return CursorShape::Cross;
    if (name == "wait") return CursorShape::Wait;
    return CursorShape::Arrow;
}

void register_cursor_window(Window* window) {
    auto& w = registered();
    if (window && std::find(w.begin(), w.end(), window) == w.end()) w.push_back(window);
}

void unregister_cursor_window(Window* window) {
    auto& w = registered();
    w.erase(std::remove(w.begin(), w.end(), window), w.end());
}

void set_mouse_cursor(const std::string& name) {
    const CursorShape shape = cursor_shape_for(name);
    for (Window* window : registered()) window->set_cursor(shape);
    service_messages();
}

void set_mouse_cursor(Window& window, const std::string& name) {
    window.set_cursor(cursor_shape_for(name));
    service_messages();
}

}  // namespace mw31
