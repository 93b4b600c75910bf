// Translation of Qt key events into the classic virtual-key numbers and character codes.
#pragma once

#include <QString>
#include <vector>

namespace mw31 {

// 0 for keys without a virtual-key number.
int virtual_key_from_qt(int qt_key, bool keypad);
// The character messages a key press produces: the typed text, or the control code that
// Ctrl+letter, Return, Backspace, Tab and Escape give when the platform sent no text.
std::vector<int> characters_from_qt(int qt_key, const QString& text, bool ctrl);

}  // namespace mw31
