// Key tables: Qt keys to virtual-key numbers (letters and digits share their codes).
#include "mw31/qt/qt_keys.h"

#include <Qt>

#include "mw31/window.h"

namespace mw31 {

int virtual_key_from_qt(int qt_key, bool keypad) {
    if (qt_key >= Qt::Key_0 && qt_key <= Qt::Key_9)
        return keypad ? vk::Numpad0 + (qt_key - Qt::Key_0) : qt_key;
    if (qt_key >= Qt::Key_A && qt_key <= Qt::Key_Z) return qt_key;
    if (qt_key >= Qt::Key_F1 && qt_key <= Qt::Key_F24) return vk::F1 + (qt_key - Qt::Key_F1);
    switch (qt_key) {
        case Qt::Key_Backspace:
            return vk::Back;
        case Qt::Key_Tab:
        case Qt::Key_Backtab:
            return vk::Tab;
        case Qt::Key_Clear:
            return vk::Clear;
        case Qt::Key_Return:
        case Qt::Key_Enter:
            return vk::Return;
        case Qt::Key_Shift:
            return vk::Shift;
        case Qt::Key_Control:
            return vk::Control;
        case Qt::Key_Alt:
            return 18;
        case Qt::Key_Pause:
            return 19;
        case Qt::Key_CapsLock:
            return 20;
        case Qt::Key_Escape:
            return vk::Escape;
        case Qt::Key_Space:
            return vk::Space;
        case Qt::Key_PageUp:
            return vk::Prior;
        case Qt::Key_PageDown:
            return vk::Next;
        case Qt::Key_End:
            return vk::End;
        case Qt::Key_Home:
            return vk::Home;
        case Qt::Key_Left:
            return vk::Left;
        case Qt::Key_Up:
            return vk::Up;
        case Qt::Key_Right:
            return vk::Right;
        case Qt::Key_Down:
            return vk::Down;
        case Qt::Key_Print:
            return 44;
        case Qt::Key_Insert:
            return vk::Insert;
        case Qt::Key_Delete:
            return vk::Delete;
        case Qt::Key_Help:
            return vk::Help;
        case Qt::Key_Asterisk:
            return keypad ? 106 : 0;
        case Qt::Key_Plus:
            return keypad ? 107 : 0xBB;
        case Qt::Key_Minus:
            return keypad ? 109 : 0xBD;
        case Qt::Key_Period:
            return keypad ? 110 : 0xBE;
        case Qt::Key_Slash:
            return keypad ? 111 : 0xBF;
        case Qt::Key_Comma:
            return 0xBC;
        default:
            return 0;
    }
}

std::vector<int> characters_from_qt(int qt_key, const QString& text, bool ctrl) {
    std::vector<int> chars;
    // Ctrl+letter is its control code whatever text the platform attached (Ctrl+G is 7).
    if (ctrl && qt_key >= Qt::Key_A && qt_key <= Qt::Key_Z) {
        chars.push_back(qt_key - Qt::Key_A + 1);
        return chars;
    }
    if (!text.isEmpty()) {
        for (const QChar c : text) chars.push_back(c.unicode());
        return chars;
    }
    switch (qt_key) {
        case Qt::Key_Return:
        case Qt::Key_Enter:
            chars.push_back(13);
            break;
        case Qt::Key_Backspace:
            chars.push_back(8);
            break;
        case Qt::Key_Tab:
            chars.push_back(9);
            break;
        case Qt::Key_Escape:
            chars.push_back(27);
            break;
        default:
            break;
    }
    return chars;
}

}  // namespace mw31
