// Top-level windows of the Qt backend: a frame with a tool bar of command buttons above a
// client widget whose surface is an ImageCanvas; Qt events become queued messages.
#pragma once

#include <QTimer>
#include <QToolBar>
#include <QWidget>
#include <functional>
#include <map>
#include <memory>
#include <vector>

#include "mw31/qt/qt_canvas.h"
#include "mw31/window.h"

class QAction;
class QDragEnterEvent;
class QDragMoveEvent;
class QDropEvent;
class QKeyEvent;
class QMimeData;
class QMouseEvent;
class QVBoxLayout;
class QWheelEvent;

namespace mw31 {

class QtWindow;

// Qt events as the seam's messages (the window field left empty); every window kind uses them.
Message mouse_message(MessageKind kind, const QMouseEvent* event);
// False for a wheel event without a vertical delta.
bool wheel_message(const QWheelEvent* event, Message* out);
std::vector<Message> key_messages(const QKeyEvent* event);
// The local files (not folders) among dropped data, as full paths; empty when there are none.
std::vector<std::string> dropped_files(const QMimeData* data);

// Timers by number that post a Timer message through `post`.
class WindowTimers {
  public:
    explicit WindowTimers(std::function<void(const Message&)> post) : post_(std::move(post)) {}
    void set(int id, int period_ms);
    void kill(int id) { timers_.erase(id); }
    void clear() { timers_.clear(); }

  private:
    std::function<void(const Message&)> post_;
    std::map<int, std::unique_ptr<QTimer>> timers_;
};

class ClientWidget final : public QWidget {
  public:
    ClientWidget(QtWindow* owner, int width, int height);
    ImageCanvas& surface() { return surface_; }
    QSize sizeHint() const override { return hint_; }

  protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    bool focusNextPrevChild(bool) override { return false; }

  private:
    QtWindow* owner_;
    ImageCanvas surface_;
    QSize hint_;
};

class FrameWidget final : public QWidget {
  public:
    explicit FrameWidget(QtWindow* owner) : owner_(owner) {}

  protected:
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    bool focusNextPrevChild(bool) override { return false; }

  private:
    QtWindow* owner_;
};

class QtWindow final : public Window {
  public:
    explicit QtWindow(const WindowSpec& window_spec);
    ~QtWindow() override;

    void set_title(const std::string& title) override;
    Rect client_rect() const override;
    Rect window_rect() const override;
    void move_resize(const Rect& outer) override;
    void show(ShowMode mode) override;
    ShowMode shown_as() const override;
    void raise() override;
    void set_cursor(CursorShape shape) override;

    Canvas& canvas() override { return client_->surface(); }
    void copy_picture(const Picture& picture, int x, int y) override;

    void toolbar_add(int command, const std::string& bitmap, const std::string& caption) override;
    void toolbar_remove(int command) override;
    void toolbar_set(int command, const std::string& bitmap, const std::string& caption) override;
    bool toolbar_has(int command) const override;
    std::string toolbar_bitmap(int command) const override;
    void toolbar_show(bool shown) override;
    bool toolbar_shown() const override { return bar_shown_; }

    void set_timer(int id, int period_ms) override;
    void kill_timer(int id) override;

    // Schedules a repaint when something was drawn on the surface since the last one.
    void flush();
    void post(Message message);

    FrameWidget* frame() const { return frame_.get(); }
    ClientWidget* client() const { return client_; }
    // The button of a command, null when there is none.
    QAction* action_for(int command) const;
    QToolBar* bar() const { return bar_; }

  private:
    struct Button {
        int command;
        std::string bitmap;
        QAction* action;
    };
    void dress(QAction* action, const std::string& bitmap, const std::string& caption);

    std::unique_ptr<FrameWidget> frame_;
    QToolBar* bar_ = nullptr;
    ClientWidget* client_ = nullptr;
    int bar_height_ = 0;
    bool bar_shown_ = true;
    std::vector<Button> buttons_;
    WindowTimers timers_{[this](const Message& m) { post(m); }};
};

// Every window alive, for the event pump's repaint pass.
const std::vector<QtWindow*>& live_windows();

}  // namespace mw31
