// A backend without a screen for unit tests of window code: windows draw into a recording
// canvas, and waiting for events with nothing queued asks the application to end, so a
// test can never block.
#pragma once

#include <memory>
#include <string>

#include "mw31/app_state.h"
#include "mw31/backend.h"
#include "mw31/dialogs.h"
#include "mw31/message_queue.h"
#include "mw31/recording_canvas.h"
#include "mw31/terminal.h"

namespace kvtest {

class FakeWindow : public mw31::Window {
  public:
    explicit FakeWindow(const mw31::WindowSpec& window_spec)
        : title(window_spec.title),
          client{0, 0, window_spec.client_width, window_spec.client_height} {
        proc = window_spec.proc;
        user = window_spec.user;
    }
    std::string title;
    mw31::Rect client;
    mw31::ShowMode shown = mw31::ShowMode::Normal;
    int raised = 0;
    mw31::CursorShape cursor = mw31::CursorShape::Arrow;
    mw31::RecordingCanvas recording{800, 600};

    void set_title(const std::string& t) override { title = t; }
    mw31::Rect client_rect() const override { return client; }
    mw31::Rect window_rect() const override { return client; }
    void move_resize(const mw31::Rect& outer) override { client = outer; }
    void show(mw31::ShowMode mode) override { shown = mode; }
    void raise() override { ++raised; }
    void set_cursor(mw31::CursorShape shape) override { cursor = shape; }
    mw31::Canvas& canvas() override { return recording; }
    void copy_picture(const mw31::Picture&, int, int) override {}
    void toolbar_add(int, const std::string&, const std::string&) override {}
    void toolbar_remove(int) override {}
    void toolbar_set(int, const std::string&, const std::string&) override {}
    bool toolbar_has(int) const override { return false; }
    std::string toolbar_bitmap(int) const override { return {}; }
    void toolbar_show(bool) override {}
    bool toolbar_shown() const override { return false; }
    void set_timer(int, int) override {}
    void kill_timer(int) override {}
};

class FakeBackend : public mw31::Backend {
  public:
    bool refuse_windows = false;
    FakeWindow* last_window = nullptr;
    int bells = 0;

    bool has_display() const override { return false; }
    std::unique_ptr<mw31::Window> create_window(const mw31::WindowSpec& window_spec) override {
        if (refuse_windows) return nullptr;
        auto w = std::make_unique<FakeWindow>(window_spec);
        last_window = w.get();
        return w;
    }
    std::unique_ptr<mw31::Picture> create_picture(int, int) override { return nullptr; }
    void process_events(bool wait, int) override {
        if (wait && mw31::queued_message_count() == 0) mw31::post_quit_message();
    }
    mw31::BoxAnswer message_box(const std::string&, const std::string&, mw31::BoxButtons,
                                mw31::BoxIcon) override {
        return mw31::BoxAnswer::Ok;
    }
    std::vector<std::string> open_file_dialog(const mw31::OpenFileRequest&) override { return {}; }
    std::string save_file_dialog(const mw31::SaveFileRequest&) override { return {}; }
    bool ask_text(const std::string&, const std::string&, std::string*) override { return false; }
    std::string profile_get(const std::string&, const std::string&,
                            const std::string& fallback) override {
        return fallback;
    }
    void profile_set(const std::string&, const std::string&, const std::string&) override {}
    void bell() override { ++bells; }
};

// Installs a fake backend and leaves no terminal, flag, dialog answer or message behind.
class FakeBackendScope {
  public:
    FakeBackendScope() {
        auto b = std::make_unique<FakeBackend>();
        backend = b.get();
        reset();
        mw31::set_backend(std::move(b));
    }
    ~FakeBackendScope() {
        reset();
        mw31::set_backend(nullptr);
    }
    FakeBackend* backend;

  private:
    static void reset() {
        mw31::destroy_terminal();
        mw31::clear_dialog_hooks();
        mw31::set_quit_requested(false);
        mw31::set_not_interruptible(false);
        mw31::Message m;
        while (mw31::queued_message_count() > 0) mw31::peek_message(&m, true);
    }
};

}  // namespace kvtest
