// Window behaviour: events in, drawing out. Nothing here calls a window procedure directly;
// every event is queued, so procedures run only from the program's own loops.
#include "mw31/qt/qt_window.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QKeyEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QTimer>
#include <QToolButton>
#include <QUrl>
#include <QVBoxLayout>
#include <QWheelEvent>
#include <algorithm>

#include "mw31/message_queue.h"
#include "mw31/qt/qt_icons.h"
#include "mw31/qt/qt_keys.h"
#include "mw31/qt/qt_picture.h"
#include "mw31/qt/qt_text.h"

namespace mw31 {

namespace {

std::vector<QtWindow*>& registry() {
    static std::vector<QtWindow*> windows;
    return windows;
}

MouseButton button_of(Qt::MouseButton b) {
    switch (b) {
        case Qt::LeftButton:
            return MouseButton::Left;
        case Qt::RightButton:
            return MouseButton::Right;
        case Qt::MiddleButton:
            return MouseButton::Middle;
        default:
            return MouseButton::None;
    }
}

int button_bits(Qt::MouseButtons held) {
    int bits = 0;
    if (held & Qt::LeftButton) bits |= int(MouseButton::Left);
    if (held & Qt::RightButton) bits |= int(MouseButton::Right);
    if (held & Qt::MiddleButton) bits |= int(MouseButton::Middle);
    return bits;
}

const Rgb kSurfaceBackground{255, 255, 255};

}  // namespace

const std::vector<QtWindow*>& live_windows() {
    return registry();
}

// ---- translation

// A mouse message in client coordinates; moves carry no button of their own.
Message mouse_message(MessageKind kind, const QMouseEvent* event) {
    Message m;
    m.kind = kind;
    if (kind != MessageKind::MouseMove) m.button = button_of(event->button());
    m.buttons = button_bits(event->buttons());
    const QPoint at = event->position().toPoint();
    m.x = at.x();
    m.y = at.y();
    m.shift = event->modifiers() & Qt::ShiftModifier;
    m.ctrl = event->modifiers() & Qt::ControlModifier;
    return m;
}

bool wheel_message(const QWheelEvent* event, Message* out) {
    const int delta = event->angleDelta().y();
    if (delta == 0) return false;
    Message m;
    m.kind = MessageKind::Wheel;
    m.wheel = delta;
    const QPoint at = event->position().toPoint();
    m.x = at.x();
    m.y = at.y();
    m.buttons = button_bits(event->buttons());
    m.shift = event->modifiers() & Qt::ShiftModifier;
    m.ctrl = event->modifiers() & Qt::ControlModifier;
    *out = m;
    return true;
}

std::vector<Message> key_messages(const QKeyEvent* event) {
    std::vector<Message> out;
    const bool shift = event->modifiers() & Qt::ShiftModifier;
    const bool ctrl = event->modifiers() & Qt::ControlModifier;
    const bool keypad = event->modifiers() & Qt::KeypadModifier;
    if (const int key = virtual_key_from_qt(event->key(), keypad)) {
        Message m;
        m.kind = MessageKind::KeyDown;
        m.key = key;
        m.shift = shift;
        m.ctrl = ctrl;
        out.push_back(m);
    }
    for (const int c : characters_from_qt(event->key(), event->text(), ctrl)) {
        Message m;
        m.kind = MessageKind::Char;
        m.key = c;
        m.shift = shift;
        m.ctrl = ctrl;
        out.push_back(m);
    }
    return out;
}

std::vector<std::string> dropped_files(const QMimeData* data) {
    std::vector<std::string> files;
    if (!data || !data->hasUrls()) return files;
    for (const QUrl& url : data->urls()) {
        if (!url.isLocalFile()) continue;
        const QFileInfo info(url.toLocalFile());
        // A folder is no film; a name that is gone by now is not either.
        if (info.isFile()) files.push_back(path_from_qstring(info.absoluteFilePath()));
    }
    return files;
}

void WindowTimers::set(int id, int period_ms) {
    auto& timer = timers_[id];
    if (!timer) {
        timer = std::make_unique<QTimer>();
        QObject::connect(timer.get(), &QTimer::timeout, [this, id] {
            Message m;
            m.kind = MessageKind::Timer;
            m.command = id;
            post_(m);
        });
    }
    timer->start(std::max(1, period_ms));  // 0 would fire on every pass of the loop
}

// ---- client area

ClientWidget::ClientWidget(QtWindow* owner, int width, int height)
    : owner_(owner), surface_(width, height), hint_(width, height) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAttribute(Qt::WA_NoSystemBackground);
    setMouseTracking(true);
    setFocusPolicy(Qt::StrongFocus);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    setMinimumSize(1, 1);
}

void ClientWidget::paintEvent(QPaintEvent* event) {
    QPainter p(this);
    const QRect r = event->rect();
    p.setCompositionMode(QPainter::CompositionMode_Source);
    p.fillRect(r, Qt::white);
    p.drawImage(r.topLeft(), surface_.image(), r);
}

void ClientWidget::resizeEvent(QResizeEvent*) {
    surface_.resize(width(), height(), kSurfaceBackground);
    Message m;
    m.kind = MessageKind::Size;
    m.x = width();
    m.y = height();
    owner_->post(m);
}

void ClientWidget::mousePressEvent(QMouseEvent* event) {
    owner_->post(mouse_message(MessageKind::MouseDown, event));
}

void ClientWidget::mouseReleaseEvent(QMouseEvent* event) {
    owner_->post(mouse_message(MessageKind::MouseUp, event));
}

void ClientWidget::mouseMoveEvent(QMouseEvent* event) {
    owner_->post(mouse_message(MessageKind::MouseMove, event));
}

void ClientWidget::wheelEvent(QWheelEvent* event) {
    Message m;
    if (wheel_message(event, &m)) owner_->post(m);
}

// ---- frame

void FrameWidget::closeEvent(QCloseEvent* event) {
    // The close box only asks; the window procedure decides whether the window goes.
    event->ignore();
    Message m;
    m.kind = MessageKind::Close;
    owner_->post(m);
}

void FrameWidget::keyPressEvent(QKeyEvent* event) {
    for (const Message& m : key_messages(event)) owner_->post(m);
    event->accept();
}

// Only what a film could be is taken: the pointer shows at once whether a drop would count.
void FrameWidget::dragEnterEvent(QDragEnterEvent* event) {
    if (!dropped_files(event->mimeData()).empty()) event->acceptProposedAction();
}

void FrameWidget::dragMoveEvent(QDragMoveEvent* event) {
    if (!dropped_files(event->mimeData()).empty()) event->acceptProposedAction();
}

void FrameWidget::dropEvent(QDropEvent* event) {
    Message m;
    m.kind = MessageKind::Dropped;
    m.files = dropped_files(event->mimeData());
    if (m.files.empty()) return;
    event->acceptProposedAction();
    owner_->post(m);
}

// ---- window

QtWindow::QtWindow(const WindowSpec& window_spec) {
    proc = window_spec.proc;
    user = window_spec.user;
    frame_ = std::make_unique<FrameWidget>(this);
    frame_->setWindowTitle(to_qstring(window_spec.title));
    frame_->setAcceptDrops(window_spec.accepts_drops);
    const QIcon icon = icon_for(window_spec.icon);
    if (!icon.isNull()) frame_->setWindowIcon(icon);

    auto* layout = new QVBoxLayout(frame_.get());
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    bar_ = new QToolBar(frame_.get());
    bar_->setMovable(false);
    bar_->setFloatable(false);
    bar_->setIconSize(QSize(32, 24));
    bar_->setToolButtonStyle(Qt::ToolButtonIconOnly);
    // The bar keeps one height whether it holds buttons or not, so the client area is the
    // size asked for from the start, as with a menu bar.
    auto* probe = bar_->addAction(icon_for("anm_go"), QStringLiteral("M"));
    bar_height_ = bar_->sizeHint().height();
    bar_->removeAction(probe);
    delete probe;
    bar_->setFixedHeight(bar_height_);
    layout->addWidget(bar_);

    const int w = std::max(1, window_spec.client_width), h = std::max(1, window_spec.client_height);
    client_ = new ClientWidget(this, w, h);
    layout->addWidget(client_, 1);
    frame_->resize(w, h + bar_height_);
    client_->setFocus();
    registry().push_back(this);
}

QtWindow::~QtWindow() {
    auto& r = registry();
    r.erase(std::remove(r.begin(), r.end(), this), r.end());
    timers_.clear();
    frame_.reset();
}

void QtWindow::post(Message message) {
    message.window = this;
    post_message(message);
}

void QtWindow::flush() {
    if (!client_->surface().dirty) return;
    client_->surface().dirty = false;
    client_->update();
}

void QtWindow::set_title(const std::string& title) {
    frame_->setWindowTitle(to_qstring(title));
}

Rect QtWindow::client_rect() const {
    if (frame_->isVisible()) return Rect{0, 0, client_->width(), client_->height()};
    // Not laid out yet: what the layout will give the client.
    const int h = frame_->height() - (bar_shown_ ? bar_height_ : 0);
    return Rect{0, 0, frame_->width(), std::max(1, h)};
}

Rect QtWindow::window_rect() const {
    const QRect g = frame_->frameGeometry();
    return Rect{g.x(), g.y(), g.x() + g.width(), g.y() + g.height()};
}

void QtWindow::move_resize(const Rect& outer) {
    const QRect frame = frame_->frameGeometry(), inner = frame_->geometry();
    const int ml = inner.left() - frame.left(), mt = inner.top() - frame.top();
    const int mr = frame.right() - inner.right(), mb = frame.bottom() - inner.bottom();
    const int w = std::max(1, outer.width() - ml - mr);
    const int h = std::max(1, outer.height() - mt - mb);
    if (frame_->isMaximized()) frame_->showNormal();
    frame_->setGeometry(outer.left + ml, outer.top + mt, w, h);
}

void QtWindow::show(ShowMode mode) {
    switch (mode) {
        case ShowMode::Hidden:
            frame_->hide();
            break;
        case ShowMode::Normal:
            frame_->showNormal();
            break;
        case ShowMode::Maximized:
            frame_->showMaximized();
            break;
        case ShowMode::FullScreen:
            frame_->showFullScreen();
            break;
    }
}

ShowMode QtWindow::shown_as() const {
    if (!frame_->isVisible()) return ShowMode::Hidden;
    if (frame_->isFullScreen()) return ShowMode::FullScreen;
    if (frame_->isMaximized()) return ShowMode::Maximized;
    return ShowMode::Normal;
}

// To the top only: taking the focus would pull the keyboard away from whatever the user types
// in. While another program has the focus (the info text the film opened in an editor, say),
// the window stays where it is, so that it does not cover that program's window either.
void QtWindow::raise() {
    if (QApplication::activeWindow()) frame_->raise();
}

void QtWindow::set_cursor(CursorShape shape) {
    Qt::CursorShape q = Qt::ArrowCursor;
    switch (shape) {
        case CursorShape::Arrow:
            q = Qt::ArrowCursor;
            break;
        case CursorShape::Cross:
            q = Qt::CrossCursor;
            break;
        case CursorShape::Wait:
            q = Qt::WaitCursor;
            break;
        case CursorShape::Size:
            q = Qt::SizeAllCursor;
            break;
    }
    client_->setCursor(q);
}

void QtWindow::copy_picture(const Picture& picture, int x, int y) {
    // A picture of ours is drawn from its own image, without a copy.
    if (auto* own = dynamic_cast<const QtPicture*>(&picture))
        client_->surface().blit(own->image(), x, y);
    else
        client_->surface().blit(image_of(picture), x, y);
}

// ---- tool bar

QAction* QtWindow::action_for(int command) const {
    for (const Button& b : buttons_)
        if (b.command == command) return b.action;
    return nullptr;
}

void QtWindow::dress(QAction* action, const std::string& bitmap, const std::string& caption) {
    const QString text = to_qstring(caption);
    action->setIcon(icon_for(bitmap));
    action->setText(text);
    action->setIconText(text);
    action->setToolTip(text);
}

void QtWindow::toolbar_add(int command, const std::string& bitmap, const std::string& caption) {
    // One button per command: adding again replaces the old one's looks in place.
    if (action_for(command)) {
        toolbar_set(command, bitmap, caption);
        return;
    }
    auto* action = new QAction(bar_);
    dress(action, bitmap, caption);
    QObject::connect(action, &QAction::triggered, bar_, [this, command] {
        Message m;
        m.kind = MessageKind::Command;
        m.command = command;
        post(m);
    });
    bar_->addAction(action);
    if (auto* button = bar_->widgetForAction(action)) button->setFocusPolicy(Qt::NoFocus);
    buttons_.push_back(Button{command, bitmap, action});
}

void QtWindow::toolbar_remove(int command) {
    for (auto it = buttons_.begin(); it != buttons_.end(); ++it) {
        if (it->command != command) continue;
        bar_->removeAction(it->action);
        delete it->action;
        buttons_.erase(it);
        return;
    }
}

void QtWindow::toolbar_set(int command, const std::string& bitmap, const std::string& caption) {
    for (Button& b : buttons_) {
        if (b.command != command) continue;
        b.bitmap = bitmap;
        dress(b.action, bitmap, caption);
        return;
    }
}

bool QtWindow::toolbar_has(int command) const {
    return action_for(command) != nullptr;
}

std::string QtWindow::toolbar_bitmap(int command) const {
    for (const Button& b : buttons_)
        if (b.command == command) return b.bitmap;
    return {};
}

void QtWindow::toolbar_show(bool shown) {
    bar_shown_ = shown;
    bar_->setVisible(shown);
}

// ---- timers

void QtWindow::set_timer(int id, int period_ms) {
    timers_.set(id, period_ms);
}

void QtWindow::kill_timer(int id) {
    timers_.kill(id);
}

}  // namespace mw31
