// The Qt side of GL windows: a QWindow with its own OpenGL context (compatibility profile,
// double buffered, depth buffer); events become queued messages as for the other windows.
#pragma once

#include <QOpenGLContext>
#include <QWindow>
#include <memory>

#include "mw31/gl_window.h"
#include "mw31/qt/qt_canvas.h"
#include "mw31/qt/qt_window.h"

namespace mw31 {

class QtGlWindow;

class GlSurfaceWindow final : public QWindow {
  public:
    explicit GlSurfaceWindow(QtGlWindow* owner) : owner_(owner) {}

  protected:
    bool event(QEvent* event) override;
    void exposeEvent(QExposeEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;

  private:
    QtGlWindow* owner_;
};

class QtGlWindow final : public GlWindow {
  public:
    explicit QtGlWindow(const GlWindowSpec& window_spec);
    ~QtGlWindow() override;
    // False when the platform gave no suitable context (*error says why).
    bool start(std::string* error);

    void set_title(const std::string& title) override;
    Rect client_rect() const override;
    Rect window_rect() const override;
    void move_resize(const Rect& outer) override;
    void show(ShowMode mode) override;
    void raise() override;
    void set_cursor(CursorShape shape) override;
    Canvas& canvas() override { return unused_canvas_; }
    void set_timer(int id, int period_ms) override { timers_.set(id, period_ms); }
    void kill_timer(int id) override { timers_.kill(id); }

    bool make_current() override;
    void swap_buffers() override;
    bool ctrl_held() const override;
    std::string renderer() const override { return renderer_; }
    void keep_swapped_pictures(bool on) override;
    std::vector<uint8_t> take_swapped_picture(int* width, int* height) override;

    void post(Message message);
    GlSurfaceWindow* surface() const { return surface_.get(); }

  private:
    std::unique_ptr<GlSurfaceWindow> surface_;
    std::unique_ptr<QOpenGLContext> context_;
    ImageCanvas unused_canvas_{1, 1};
    WindowTimers timers_{[this](const Message& m) { post(m); }};
    Rect outer_;
    std::string renderer_;
    bool keep_swapped_ = false;
    std::vector<uint8_t> swapped_;
    int swapped_width_ = 0, swapped_height_ = 0;
};

std::unique_ptr<GlWindow> qt_create_gl_window(const GlWindowSpec& window_spec, std::string* error);
// Our button icon on a button face, as RGB rows.
ButtonImage qt_button_image(const std::string& name);

}  // namespace mw31
