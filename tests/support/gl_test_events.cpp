// Sends real Qt events into the seam's GL windows, for the gl tests.
#include "support/gl_test_events.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QImage>
#include <QKeyEvent>
#include <QKeySequence>
#include <QMouseEvent>
#include <QPixmap>
#include <QScreen>
#include <QWheelEvent>
#include <algorithm>

#include "mw31/qt/qt_gl_window.h"
#include "mw31/qt/qt_text.h"
#include "support/qt_mouse_event.h"

namespace mw31::gl_test {

namespace {

QWindow* surface(const GlWindow& w) {
    auto* q = dynamic_cast<QtGlWindow*>(const_cast<GlWindow*>(&w));
    return q ? q->surface() : nullptr;
}

}  // namespace

bool send_key(GlWindow& window, const std::string& key_name, const std::string& text, bool ctrl) {
    QWindow* s = surface(window);
    const QKeySequence seq = QKeySequence::fromString(to_qstring(key_name));
    if (!s || seq.isEmpty()) return false;
    QKeyEvent press(QEvent::KeyPress, seq[0].key(), ctrl ? Qt::ControlModifier : Qt::NoModifier,
                    to_qstring(text));
    QGuiApplication::sendEvent(s, &press);
    return true;
}

bool send_mouse(GlWindow& window, MessageKind kind, MouseButton button, int x, int y) {
    QWindow* s = surface(window);
    if (!s) return false;
    const QPointF at(x, y);
    const auto event = qt_test::mouse_event(kind, button, at, s->mapToGlobal(at));
    if (!event) return false;
    QGuiApplication::sendEvent(s, event.get());
    return true;
}

bool send_wheel(GlWindow& window, int delta, int x, int y, bool ctrl) {
    QWindow* s = surface(window);
    if (!s) return false;
    const QPointF at(x, y);
    QWheelEvent event(at, s->mapToGlobal(at), QPoint(), QPoint(0, delta), Qt::NoButton,
                      ctrl ? Qt::ControlModifier : Qt::NoModifier, Qt::NoScrollPhase, false);
    QGuiApplication::sendEvent(s, &event);
    return true;
}

bool press_close_box(GlWindow& window) {
    QWindow* s = surface(window);
    if (!s) return false;
    QCloseEvent close;
    QGuiApplication::sendEvent(s, &close);
    return true;
}

bool is_shown(const GlWindow& window) {
    QWindow* s = surface(window);
    return s && s->isVisible();
}

std::string title(const GlWindow& window) {
    QWindow* s = surface(window);
    return s ? from_qstring(s->title()) : std::string();
}

std::vector<uint8_t> grab(const GlWindow& window) {
    QWindow* s = surface(window);
    if (!s || !s->screen()) return {};
    const QImage image =
        s->screen()->grabWindow(s->winId()).toImage().convertToFormat(QImage::Format_RGB888);
    std::vector<uint8_t> out(size_t(image.width()) * size_t(image.height()) * 3);
    for (int y = 0; y < image.height(); ++y)
        std::copy_n(image.constScanLine(y), image.width() * 3,
                    out.data() + size_t(y) * size_t(image.width()) * 3);
    return out;
}

}  // namespace mw31::gl_test
