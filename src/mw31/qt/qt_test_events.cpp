// Sends real Qt events into backend windows, for the gui tests.
#include "mw31/qt/qt_test_events.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QKeySequence>
#include <QMouseEvent>
#include <QPixmap>
#include <QToolButton>
#include <QWheelEvent>

#include "mw31/qt/qt_text.h"
#include "mw31/qt/qt_window.h"

namespace mw31::qt_test {

namespace {
QtWindow* qt_window(const Window& w) {
    return dynamic_cast<QtWindow*>(const_cast<Window*>(&w));
}
}  // namespace

bool send_key(Window& window, const std::string& key_name, bool shift, bool ctrl,
              const std::string& text, bool keypad) {
    QtWindow* w = qt_window(window);
    if (!w) return false;
    const QKeySequence seq = QKeySequence::fromString(to_qstring(key_name));
    if (seq.isEmpty()) return false;
    Qt::KeyboardModifiers mods;
    if (shift) mods |= Qt::ShiftModifier;
    if (ctrl) mods |= Qt::ControlModifier;
    if (keypad) mods |= Qt::KeypadModifier;
    QKeyEvent press(QEvent::KeyPress, seq[0].key(), mods, to_qstring(text));
    // Into the client, which has the focus; the frame sees it as it travels up.
    QApplication::sendEvent(w->client(), &press);
    return true;
}

bool click_button(Window& window, int command) {
    QtWindow* w = qt_window(window);
    if (!w) return false;
    QAction* action = w->action_for(command);
    if (!action) return false;
    auto* button = qobject_cast<QToolButton*>(w->bar()->widgetForAction(action));
    if (!button) return false;
    const QPointF centre = QRectF(button->rect()).center();
    QMouseEvent press(QEvent::MouseButtonPress, centre, button->mapToGlobal(centre), Qt::LeftButton,
                      Qt::LeftButton, Qt::NoModifier);
    QMouseEvent release(QEvent::MouseButtonRelease, centre, button->mapToGlobal(centre),
                        Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(button, &press);
    QApplication::sendEvent(button, &release);
    return true;
}

bool press_close_box(Window& window) {
    QtWindow* w = qt_window(window);
    if (!w) return false;
    w->frame()->close();  // what the window manager's close request ends in
    return w->frame()->isVisible();
}

bool is_shown(const Window& window) {
    QtWindow* w = qt_window(window);
    return w && w->frame()->isVisible();
}

bool send_mouse(Window& window, MessageKind kind, MouseButton button, int x, int y) {
    QtWindow* w = qt_window(window);
    if (!w) return false;
    Qt::MouseButton b = Qt::NoButton;
    if (button == MouseButton::Left) b = Qt::LeftButton;
    if (button == MouseButton::Right) b = Qt::RightButton;
    if (button == MouseButton::Middle) b = Qt::MiddleButton;
    QEvent::Type type = QEvent::MouseMove;
    Qt::MouseButtons held = Qt::NoButton;
    if (kind == MessageKind::MouseDown)
        type = QEvent::MouseButtonPress, held = b;
    else if (kind == MessageKind::MouseUp)
        type = QEvent::MouseButtonRelease;
    else if (kind == MessageKind::MouseMove)
        held = b, b = Qt::NoButton;
    else
        return false;
    const QPointF at(x, y);
    QMouseEvent event(type, at, w->client()->mapToGlobal(at), b, held, Qt::NoModifier);
    QApplication::sendEvent(w->client(), &event);
    return true;
}

bool send_wheel(Window& window, int delta, int x, int y) {
    QtWindow* w = qt_window(window);
    if (!w) return false;
    const QPointF at(x, y);
    QWheelEvent event(at, w->client()->mapToGlobal(at), QPoint(), QPoint(0, delta), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(w->client(), &event);
    return true;
}

ButtonLook button_look(const Window& window, int command) {
    ButtonLook look;
    QtWindow* w = qt_window(window);
    if (!w) return look;
    QAction* action = w->action_for(command);
    if (!action) return look;
    look.exists = true;
    look.has_icon = !action->icon().isNull();
    look.tooltip = from_qstring(action->toolTip());
    if (!look.has_icon) look.text = from_qstring(action->iconText());
    const QList<QAction*> actions = w->bar()->actions();
    look.position = int(actions.indexOf(action));
    return look;
}

Rect client_widget_rect(const Window& window) {
    QtWindow* w = qt_window(window);
    if (!w) return {};
    return Rect{0, 0, w->client()->width(), w->client()->height()};
}

}  // namespace mw31::qt_test

namespace mw31::qt_test {

std::vector<uint8_t> painted_client(const Window& window) {
    QtWindow* w = qt_window(window);
    if (!w) return {};
    // Rendered through the widget's own paint event.
    const QImage img = w->client()->grab().toImage().convertToFormat(QImage::Format_RGB888);
    std::vector<uint8_t> rows;
    for (int y = 0; y < img.height(); ++y) {
        const uchar* line = img.constScanLine(y);
        rows.insert(rows.end(), line, line + img.width() * 3);
    }
    return rows;
}

}  // namespace mw31::qt_test
