// GL windows on Qt: the context is made current and swapped when the program says so, as with
// a rendering context on a window's device context, not from inside a paint callback.
#include "mw31/qt/qt_gl_window.h"

#include <QCursor>
#include <QGuiApplication>
#include <QImage>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QOpenGLFunctions>
#include <QPainter>
#include <QSurfaceFormat>
#include <QWheelEvent>
#include <algorithm>

#include "mw31/message_queue.h"
#include "mw31/qt/qt_icons.h"
#include "mw31/qt/qt_text.h"

namespace mw31 {

// ---- events

bool GlSurfaceWindow::event(QEvent* event) {
    if (event->type() == QEvent::Close) {
        // The close box only asks; the window procedure decides whether the window goes.
        event->ignore();
        Message m;
        m.kind = MessageKind::Close;
        owner_->post(m);
        return true;
    }
    return QWindow::event(event);
}

// Uncovered or first shown: the picture has to be drawn again, which the procedure does on a
// size message.
void GlSurfaceWindow::exposeEvent(QExposeEvent*) {
    if (!isExposed()) return;
    Message m;
    m.kind = MessageKind::Size;
    m.x = width();
    m.y = height();
    owner_->post(m);
}

void GlSurfaceWindow::resizeEvent(QResizeEvent*) {
    Message m;
    m.kind = MessageKind::Size;
    m.x = width();
    m.y = height();
    owner_->post(m);
}

void GlSurfaceWindow::keyPressEvent(QKeyEvent* event) {
    for (const Message& m : key_messages(event)) owner_->post(m);
    event->accept();
}

void GlSurfaceWindow::mousePressEvent(QMouseEvent* event) {
    owner_->post(mouse_message(MessageKind::MouseDown, event));
}

void GlSurfaceWindow::mouseReleaseEvent(QMouseEvent* event) {
    owner_->post(mouse_message(MessageKind::MouseUp, event));
}

void GlSurfaceWindow::mouseMoveEvent(QMouseEvent* event) {
    owner_->post(mouse_message(MessageKind::MouseMove, event));
}

void GlSurfaceWindow::wheelEvent(QWheelEvent* event) {
    Message m;
    if (wheel_message(event, &m)) owner_->post(m);
}

// ---- window

QtGlWindow::QtGlWindow(const GlWindowSpec& window_spec) : outer_(window_spec.outer) {
    proc = window_spec.proc;
    user = window_spec.user;
    surface_ = std::make_unique<GlSurfaceWindow>(this);
    surface_->setSurfaceType(QSurface::OpenGLSurface);
    surface_->setTitle(to_qstring(window_spec.title));
    const QIcon icon = icon_for(window_spec.icon);
    if (!icon.isNull()) surface_->setIcon(icon);
}

QtGlWindow::~QtGlWindow() {
    timers_.clear();
    if (context_) context_->doneCurrent();
    context_.reset();
    surface_.reset();
}

bool QtGlWindow::start(std::string* error) {
    QSurfaceFormat format;
    format.setRenderableType(QSurfaceFormat::OpenGL);
    format.setProfile(QSurfaceFormat::CompatibilityProfile);
    format.setSwapBehavior(QSurfaceFormat::DoubleBuffer);
    format.setRedBufferSize(8);
    format.setGreenBufferSize(8);
    format.setBlueBufferSize(8);
    // No alpha: the clear colour's alpha of 0 would let a compositing desktop show through.
    format.setAlphaBufferSize(0);
    format.setDepthBufferSize(24);
    // The play timer sets the pace, not the display's refresh.
    format.setSwapInterval(0);
    surface_->setFormat(format);
    surface_->setGeometry(outer_.left, outer_.top, std::max(1, outer_.width()),
                          std::max(1, outer_.height()));
    surface_->create();
    context_ = std::make_unique<QOpenGLContext>();
    context_->setFormat(format);
    if (!context_->create() || context_->isOpenGLES()) {
        *error = "no desktop OpenGL context";
        return false;
    }
    if (!context_->makeCurrent(surface_.get())) {
        *error = "the OpenGL context cannot be made current";
        return false;
    }
    if (context_->format().depthBufferSize() <= 0) {
        *error = "no depth buffer";
        return false;
    }
    QOpenGLFunctions* f = context_->functions();
    const auto text = [f](GLenum name) {
        const auto* s = reinterpret_cast<const char*>(f->glGetString(name));
        return std::string(s ? s : "");
    };
    renderer_ = text(GL_RENDERER) + " | " + text(GL_VERSION);
    return true;
}

void QtGlWindow::post(Message message) {
    message.window = this;
    post_message(message);
}

void QtGlWindow::set_title(const std::string& title) {
    surface_->setTitle(to_qstring(title));
}

Rect QtGlWindow::client_rect() const {
    return Rect{0, 0, std::max(1, surface_->width()), std::max(1, surface_->height())};
}

Rect QtGlWindow::window_rect() const {
    const QRect g = surface_->frameGeometry();
    return Rect{g.x(), g.y(), g.x() + g.width(), g.y() + g.height()};
}

void QtGlWindow::move_resize(const Rect& outer) {
    const QMargins m = surface_->frameMargins();
    surface_->setFramePosition(QPoint(outer.left, outer.top));
    surface_->resize(std::max(1, outer.width() - m.left() - m.right()),
                     std::max(1, outer.height() - m.top() - m.bottom()));
}

void QtGlWindow::show(ShowMode mode) {
    switch (mode) {
        case ShowMode::Hidden:
            surface_->hide();
            break;
        case ShowMode::Normal:
            surface_->showNormal();
            break;
        case ShowMode::Maximized:
            surface_->showMaximized();
            break;
        case ShowMode::FullScreen:
            surface_->showFullScreen();
            break;
    }
}

void QtGlWindow::raise() {
    surface_->raise();
}

void QtGlWindow::set_cursor(CursorShape shape) {
    Qt::CursorShape q = Qt::ArrowCursor;
    if (shape == CursorShape::Cross) q = Qt::CrossCursor;
    if (shape == CursorShape::Wait) q = Qt::WaitCursor;
    if (shape == CursorShape::Size) q = Qt::SizeAllCursor;
    surface_->setCursor(q);
}

bool QtGlWindow::make_current() {
    return context_ && context_->makeCurrent(surface_.get());
}

void QtGlWindow::swap_buffers() {
    if (keep_swapped_ && context_ && context_->makeCurrent(surface_.get())) {
        // The back buffer (read by default in a double-buffered context) before it is shown.
        const qreal ratio = surface_->devicePixelRatio();
        const int w = std::max(1, int(surface_->width() * ratio + 0.5));
        const int h = std::max(1, int(surface_->height() * ratio + 0.5));
        QOpenGLFunctions* f = context_->functions();
        std::vector<uint8_t> bottom_up(size_t(w) * size_t(h) * 3);
        f->glPixelStorei(GL_PACK_ALIGNMENT, 1);
        f->glReadPixels(0, 0, w, h, GL_RGB, GL_UNSIGNED_BYTE, bottom_up.data());
        swapped_.resize(bottom_up.size());
        const size_t row = size_t(w) * 3;
        for (int y = 0; y < h; ++y)
            std::copy_n(bottom_up.data() + size_t(h - 1 - y) * row, row,
                        swapped_.data() + size_t(y) * row);
        swapped_width_ = w;
        swapped_height_ = h;
    }
    // Swapping an unexposed window is undefined; what was drawn is drawn again on exposure.
    if (context_ && surface_->isExposed()) context_->swapBuffers(surface_.get());
}

void QtGlWindow::keep_swapped_pictures(bool on) {
    keep_swapped_ = on;
    if (!on) std::vector<uint8_t>().swap(swapped_);
}

std::vector<uint8_t> QtGlWindow::take_swapped_picture(int* width, int* height) {
    *width = swapped_width_;
    *height = swapped_height_;
    swapped_width_ = swapped_height_ = 0;
    std::vector<uint8_t> out;
    out.swap(swapped_);
    if (out.empty()) *width = *height = 0;
    return out;
}

bool QtGlWindow::ctrl_held() const {
    return QGuiApplication::queryKeyboardModifiers() & Qt::ControlModifier;
}

std::unique_ptr<GlWindow> qt_create_gl_window(const GlWindowSpec& window_spec, std::string* error) {
    auto window = std::make_unique<QtGlWindow>(window_spec);
    if (!window->start(error)) return nullptr;
    return window;
}

ButtonImage qt_button_image(const std::string& name) {
    const QIcon icon = icon_for(name);
    if (icon.isNull()) return {};
    constexpr int kW = 32, kH = 24;
    QImage image(kW, kH, QImage::Format_RGB888);
    image.fill(QColor(212, 208, 200));  // a button face
    {
        QPainter p(&image);
        icon.paint(&p, QRect(0, 0, kW, kH));
        p.setPen(QColor(128, 128, 128));
        p.drawRect(0, 0, kW - 1, kH - 1);
    }
    ButtonImage out;
    out.width = kW;
    out.height = kH;
    out.rgb_rows.resize(size_t(kW) * kH * 3);
    for (int y = 0; y < kH; ++y)
        std::copy_n(image.constScanLine(y), kW * 3, out.rgb_rows.data() + size_t(y) * kW * 3);
    return out;
}

}  // namespace mw31
