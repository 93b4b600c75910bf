// Sends real Qt events into backend windows, for the gui tests.
#include "support/qt_test_events.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QInputDialog>
#include <QKeyEvent>
#include <QKeySequence>
#include <QLineEdit>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPixmap>
#include <QPointer>
#include <QPushButton>
#include <QTimer>
#include <QToolButton>
#include <QUrl>
#include <QWheelEvent>
#include <deque>

#include "mw31/qt/qt_text.h"
#include "mw31/qt/qt_window.h"
#include "support/qt_mouse_event.h"

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

bool activate(Window& window) {
    QtWindow* w = qt_window(window);
    if (!w) return false;
    w->frame()->activateWindow();
    QApplication::processEvents();
    return QApplication::activeWindow() == w->frame();
}

bool is_active(const Window& window) {
    QtWindow* w = qt_window(window);
    return w && QApplication::activeWindow() == w->frame();
}

std::unique_ptr<QMouseEvent> mouse_event(MessageKind kind, MouseButton button, const QPointF& at,
                                         const QPointF& global) {
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
        return nullptr;
    return std::make_unique<QMouseEvent>(type, at, global, b, held, Qt::NoModifier);
}

bool send_mouse(Window& window, MessageKind kind, MouseButton button, int x, int y) {
    QtWindow* w = qt_window(window);
    if (!w) return false;
    const QPointF at(x, y);
    const auto event = mouse_event(kind, button, at, w->client()->mapToGlobal(at));
    if (!event) return false;
    QApplication::sendEvent(w->client(), event.get());
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

CursorShape client_cursor(const Window& window) {
    QtWindow* w = qt_window(window);
    if (!w) return CursorShape::Arrow;
    switch (w->client()->cursor().shape()) {
        case Qt::CrossCursor:
            return CursorShape::Cross;
        case Qt::WaitCursor:
            return CursorShape::Wait;
        case Qt::SizeAllCursor:
            return CursorShape::Size;
        default:
            return CursorShape::Arrow;
    }
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

namespace mw31::qt_test {

namespace {

struct DialogRobot {
    std::deque<DialogReply> replies;
    std::vector<DialogSeen> seen;
    QPointer<QWidget> last;
    QPointer<QTimer> timer;
};

DialogRobot& robot() {
    static DialogRobot r;
    return r;
}

void answer_box(QMessageBox* box, const DialogReply& reply) {
    DialogSeen seen;
    seen.kind = "message";
    seen.title = from_qstring(box->windowTitle());
    seen.text = from_qstring(box->text());
    switch (box->icon()) {
        case QMessageBox::Critical:
            seen.icon = "stop";
            break;
        case QMessageBox::Information:
            seen.icon = "information";
            break;
        case QMessageBox::Question:
            seen.icon = "question";
            break;
        case QMessageBox::Warning:
            seen.icon = "warning";
            break;
        default:
            seen.icon = "none";
            break;
    }
    if (box->button(QMessageBox::Yes)) seen.buttons.push_back("yes");
    if (box->button(QMessageBox::No)) seen.buttons.push_back("no");
    if (box->button(QMessageBox::Ok)) seen.buttons.push_back("ok");
    robot().seen.push_back(seen);
    QAbstractButton* button = nullptr;
    if (box->button(QMessageBox::Yes))
        button = box->button(reply.accept ? QMessageBox::Yes : QMessageBox::No);
    else
        button = box->button(QMessageBox::Ok);
    if (button)
        button->click();
    else
        box->reject();
}

void answer_files(QFileDialog* dialog, const DialogReply& reply) {
    const bool save = dialog->acceptMode() == QFileDialog::AcceptSave;
    DialogSeen seen;
    seen.kind = save ? "save" : "open";
    seen.title = from_qstring(dialog->windowTitle());
    seen.text = path_from_qstring(dialog->directory().absolutePath());
    for (const QString& f : dialog->nameFilters()) seen.filters.push_back(from_qstring(f));
    seen.multiple = dialog->fileMode() == QFileDialog::ExistingFiles;
    for (const QString& f : dialog->history()) seen.history.push_back(path_from_qstring(f));
    for (const QUrl& u : dialog->sidebarUrls())
        if (u.isLocalFile()) seen.places.push_back(path_from_qstring(u.toLocalFile()));
    robot().seen.push_back(seen);
    if (!reply.accept || reply.files.empty()) {
        dialog->reject();
        return;
    }
    const QFileInfo first(path_to_qstring(reply.files[0]));
    dialog->setDirectory(first.absolutePath());
    QStringList names;
    for (const std::string& f : reply.files)
        names << QLatin1Char('"') + QFileInfo(path_to_qstring(f)).fileName() + QLatin1Char('"');
    // Typed into the name field, as a person would, so that several names can be given.
    if (auto* edit = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit")))
        edit->setText(names.size() == 1 ? first.fileName() : names.join(u' '));
    else
        dialog->selectFile(first.fileName());
    static_cast<QDialog*>(dialog)->accept();  // checks the names as the OK button does
}

void answer_text(QInputDialog* dialog, const DialogReply& reply) {
    DialogSeen seen;
    // The item question is the same dialog with a list; the reply's text names the item.
    seen.kind = dialog->comboBoxItems().isEmpty() ? "text" : "choice";
    seen.title = from_qstring(dialog->windowTitle());
    seen.text = from_qstring(dialog->labelText());
    seen.preset = from_qstring(dialog->textValue());
    for (const QPushButton* button : dialog->findChildren<QPushButton*>())
        seen.buttons.push_back(from_qstring(button->text()));
    robot().seen.push_back(seen);
    if (!reply.accept) {
        dialog->reject();
        return;
    }
    dialog->setTextValue(to_qstring(reply.text));
    dialog->accept();
}

void look_for_dialog() {
    DialogRobot& r = robot();
    QWidget* modal = QApplication::activeModalWidget();
    if (!modal || modal == r.last || r.replies.empty()) return;
    r.last = modal;
    const DialogReply reply = r.replies.front();
    r.replies.pop_front();
    // Answered from a timer of its own: an answer may open the next dialog (the overwrite
    // question), and Qt does not let this polling timer fire again while its slot runs.
    QTimer::singleShot(0, modal, [modal, reply] {
        if (auto* box = qobject_cast<QMessageBox*>(modal))
            answer_box(box, reply);
        else if (auto* files = qobject_cast<QFileDialog*>(modal))
            answer_files(files, reply);
        else if (auto* text = qobject_cast<QInputDialog*>(modal))
            answer_text(text, reply);
    });
    if (r.replies.empty() && r.timer) r.timer->stop();
}

}  // namespace

void reply_to_next_dialog(const DialogReply& reply) {
    DialogRobot& r = robot();
    r.replies.push_back(reply);
    if (!r.timer) {
        // Owned by the application, so it goes when the application does.
        r.timer = new QTimer(QCoreApplication::instance());
        QObject::connect(r.timer, &QTimer::timeout, look_for_dialog);
    }
    r.timer->start(5);
}

std::vector<DialogSeen> dialogs_seen() {
    return robot().seen;
}

void forget_dialogs() {
    robot().seen.clear();
    robot().replies.clear();
}

}  // namespace mw31::qt_test
