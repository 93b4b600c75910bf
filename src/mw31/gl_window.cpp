// The seam's GL windows go through the installed backend.
#include "mw31/gl_window.h"

#include "mw31/backend.h"

namespace mw31 {

std::unique_ptr<GlWindow> create_gl_window(const GlWindowSpec& window_spec, std::string* error) {
    if (!backend()) {
        *error = "no platform";
        return nullptr;
    }
    return backend()->create_gl_window(window_spec, error);
}

ButtonImage button_image(const std::string& name) {
    return backend() ? backend()->button_image(name) : ButtonImage{};
}

}  // namespace mw31
