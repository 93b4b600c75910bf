// The installed platform backend and the seam functions that simply forward to it.
#include "mw31/backend.h"

#include "mw31/message_queue.h"

namespace mw31 {

namespace {
std::unique_ptr<Backend>& installed() {
    static std::unique_ptr<Backend> b;
    return b;
}
}  // namespace

void set_backend(std::unique_ptr<Backend> b) {
    installed() = std::move(b);
}
Backend* backend() {
    return installed().get();
}

std::unique_ptr<Window> create_window(const WindowSpec& window_spec) {
    return backend() ? backend()->create_window(window_spec) : nullptr;
}

std::unique_ptr<Picture> create_picture(int width, int height) {
    if (!backend() || width <= 0 || height <= 0) return nullptr;
    return backend()->create_picture(width, height);
}

Window::~Window() {
    drop_messages_for(this);
}

}  // namespace mw31
