// The Qt application and the backend object that the seam's free functions call.
#include "mw31/qt/qt_backend.h"

#include <QApplication>
#include <QEventLoop>
#include <QTimer>
#include <cstdlib>
#include <string>

#include "mw31/qt/qt_dialogs.h"
#include "mw31/qt/qt_gl_window.h"
#include "mw31/qt/qt_icons.h"
#include "mw31/qt/qt_picture.h"
#include "mw31/qt/qt_printer.h"
#include "mw31/qt/qt_settings.h"
#include "mw31/qt/qt_window.h"

namespace mw31 {

namespace {

bool env_set(const char* name) {
    const char* v = std::getenv(name);
    return v && *v;
}

// Without a display the program must still run for batch use: pick the offscreen platform
// ourselves, and let a display that cannot be reached fall back to it.
void choose_platform() {
    if (const char* chosen = std::getenv("QT_QPA_PLATFORM"); chosen && *chosen) {
        // The user's platform first; offscreen when it cannot start, instead of an abort.
        const std::string platforms(chosen);
        if (platforms.find("offscreen") == std::string::npos)
            setenv("QT_QPA_PLATFORM", (platforms + ";offscreen").c_str(), 1);
        return;
    }
    if (env_set("WAYLAND_DISPLAY"))
        setenv("QT_QPA_PLATFORM", "wayland;xcb;offscreen", 1);
    else if (env_set("DISPLAY"))
        setenv("QT_QPA_PLATFORM", "xcb;offscreen", 1);
    else
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
}

QtMessageHandler previous_handler = nullptr;

// Notices that say nothing to a user of a batch run or a test: the offscreen platform
// cannot size windows, and a session without a runtime directory.
void quieter_messages(QtMsgType type, const QMessageLogContext& context, const QString& text) {
    if (text.contains(QLatin1String("does not support propagateSizeHints"))) return;
    // Batch runs without a session have no runtime directory; Qt copes and so do we.
    if (text.contains(QLatin1String("XDG_RUNTIME_DIR not set"))) return;
    if (previous_handler) previous_handler(type, context, text);
}

class QtBackend final : public Backend {
  public:
    QtBackend(int& argc, char** argv) {
        choose_platform();
        if (!previous_handler) {
            previous_handler = qInstallMessageHandler(quieter_messages);
            owns_handler_ = true;
        }
        if (!QApplication::instance()) {
            app_ = std::make_unique<QApplication>(argc, argv);
        }
        // Batch runs and tests end by themselves, not when a last window closes.
        QApplication::setQuitOnLastWindowClosed(false);
        const QString platform = QGuiApplication::platformName();
        display_ = platform != QLatin1String("offscreen") && platform != QLatin1String("minimal");
        wake_ = std::make_unique<QTimer>();
        wake_->setSingleShot(true);
    }

    ~QtBackend() override {
        clear_icon_cache();
        wake_.reset();
        // Windows that outlive us still own widgets; their application must outlive them.
        if (!live_windows().empty()) (void)app_.release();
        app_.reset();
        if (owns_handler_) {
            qInstallMessageHandler(previous_handler);
            previous_handler = nullptr;
        }
    }

    bool has_display() const override { return display_; }

    std::unique_ptr<Window> create_window(const WindowSpec& window_spec) override {
        return std::make_unique<QtWindow>(window_spec);
    }

    std::unique_ptr<GlWindow> create_gl_window(const GlWindowSpec& window_spec,
                                               std::string* error) override {
        if (!display_) {
            *error = "no display";
            return nullptr;
        }
        return qt_create_gl_window(window_spec, error);
    }
    ButtonImage button_image(const std::string& name) override { return qt_button_image(name); }

    std::unique_ptr<Picture> create_picture(int width, int height) override {
        if (width <= 0 || height <= 0) return nullptr;
        auto picture = std::make_unique<QtPicture>(width, height);
        if (!picture->valid()) return nullptr;  // Qt could not get the memory
        return picture;
    }

    void process_events(bool wait, int timeout_ms) override {
        for (QtWindow* w : live_windows()) w->flush();
        if (wait) {
            // A timer event ends the wait at the latest when the timeout is over.
            if (timeout_ms > 0) wake_->start(timeout_ms);
            QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
            wake_->stop();
        }
        QCoreApplication::processEvents(QEventLoop::AllEvents);
    }

    BoxAnswer message_box(const std::string& title, const std::string& text, BoxButtons buttons,
                          BoxIcon icon) override {
        return qt_message_box(title, text, buttons, icon);
    }
    std::vector<std::string> open_file_dialog(const OpenFileRequest& request) override {
        return qt_open_file_dialog(request);
    }
    std::string save_file_dialog(const SaveFileRequest& request) override {
        return qt_save_file_dialog(request);
    }
    bool ask_text(const std::string& title, const std::string& prompt, std::string* text) override {
        return qt_ask_text(title, prompt, text);
    }
    bool ask_text_request(const TextRequest& request, std::string* text) override {
        return qt_ask_text_request(request, text);
    }
    bool choose_item(const std::string& title, const std::string& prompt,
                     const std::vector<std::string>& items, int* chosen) override {
        return qt_choose_item(title, prompt, items, chosen);
    }

    std::string profile_get(const std::string& section, const std::string& key,
                            const std::string& fallback) override {
        return qt_profile_get(section, key, fallback);
    }
    void profile_set(const std::string& section, const std::string& key,
                     const std::string& value) override {
        qt_profile_set(section, key, value);
    }

    void bell() override {
        if (display_) QApplication::beep();
    }

    std::unique_ptr<Printer> print_dialog(const PrintDialogRequest& request) override {
        return qt_print_dialog(request);
    }
    std::unique_ptr<Printer> pdf_printer(const PdfTarget& target, std::string* error) override {
        return qt_pdf_printer(target, error);
    }

  private:
    std::unique_ptr<QApplication> app_;
    bool display_ = false;
    bool owns_handler_ = false;
    std::unique_ptr<QTimer> wake_;
};

}  // namespace

std::unique_ptr<Backend> make_qt_backend(int& argc, char** argv) {
    return std::make_unique<QtBackend>(argc, argv);
}

}  // namespace mw31
