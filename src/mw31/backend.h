// What the platform under the seam provides. One backend is installed at start-up (the Qt
// backend in the program and in gui tests); the seam's free functions go through it.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "mw31/dialogs.h"
#include "mw31/gl_window.h"
#include "mw31/picture.h"
#include "mw31/printer.h"
#include "mw31/window.h"

namespace mw31 {

class Backend {
  public:
    virtual ~Backend() = default;

    // False without a screen (offscreen platform or no platform at all): message boxes then
    // go to standard error and never block.
    virtual bool has_display() const = 0;

    virtual std::unique_ptr<Window> create_window(const WindowSpec& window_spec) = 0;
    virtual std::unique_ptr<Picture> create_picture(int width, int height) = 0;
    // Windows drawn with OpenGL; none where the platform has no display or no GL.
    virtual std::unique_ptr<GlWindow> create_gl_window(const GlWindowSpec&, std::string* error) {
        *error = "no OpenGL windows on this platform";
        return nullptr;
    }
    virtual ButtonImage button_image(const std::string&) { return {}; }

    // Translates pending platform events into posted messages; with wait set, first blocks
    // until at least one event arrived (or timeout_ms passed, when positive).
    virtual void process_events(bool wait, int timeout_ms) = 0;

    virtual BoxAnswer message_box(const std::string& title, const std::string& text,
                                  BoxButtons buttons, BoxIcon icon) = 0;
    virtual std::vector<std::string> open_file_dialog(const OpenFileRequest& request) = 0;
    virtual std::string save_file_dialog(const SaveFileRequest& request) = 0;
    virtual bool ask_text(const std::string& title, const std::string& prompt,
                          std::string* text) = 0;
    // A text question whose buttons are named by the request.
    virtual bool ask_text_request(const TextRequest& request, std::string* text) {
        return ask_text(request.title, request.prompt, text);
    }
    // One of the items (*chosen: preset in, choice out); false when cancelled.
    virtual bool choose_item(const std::string& title, const std::string& prompt,
                             const std::vector<std::string>& items, int* chosen) {
        (void)title, (void)prompt, (void)items, (void)chosen;
        return true;
    }

    // Profile settings: section and key as in an INI file.
    virtual std::string profile_get(const std::string& section, const std::string& key,
                                    const std::string& fallback) = 0;
    virtual void profile_set(const std::string& section, const std::string& key,
                             const std::string& value) = 0;

    // Rings the platform's bell; nothing where there is none.
    virtual void bell() {}

    // The platform's print dialog (null when cancelled), and a printer writing a PDF file
    // (null, with *error set, when it cannot be made). None where there is no printing.
    virtual std::unique_ptr<Printer> print_dialog(const PrintDialogRequest&) { return nullptr; }
    virtual std::unique_ptr<Printer> pdf_printer(const PdfTarget&, std::string* error) {
        *error = "no printing on this platform";
        return nullptr;
    }
};

void set_backend(std::unique_ptr<Backend> backend);
Backend* backend();  // null before start-up

}  // namespace mw31
