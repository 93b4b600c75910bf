// Keyboard and mouse input of the terminal as key codes: the key table, the mouse cell
// codes and the input ring, all plain data so that they can be checked without a window.
#pragma once

#include <vector>

namespace mw31 {

// Table keys: the virtual key, negated with Shift, plus kKeyCtrlOffset with Ctrl.
constexpr int kKeyCtrlOffset = 0x4000;
constexpr int kKeyHelpCode = 0x80000;
constexpr int kMouseClickBase = 0x10000;
constexpr int kMouseMoveBase = 0x100000;

struct KeyTableEntry {
    int platform_key = 0;
    int code = 0;
};

struct KeyTable {
    std::vector<KeyTableEntry> entries;  // at most kTerminalKeyTableSize
};

void fill_key_table(KeyTable& table);
int key_table_index(int virtual_key, bool shift, bool ctrl);
// True with the key code when the key is in the table.
bool key_table_lookup(const KeyTable& table, int virtual_key, bool shift, bool ctrl, int* code);
// Characters above the blank, except 127, are queued as themselves.
bool char_is_queued(int character);

struct MouseCell {
    int column = 0;
    int row = 0;
    friend bool operator==(const MouseCell&, const MouseCell&) = default;
};
// The cell under a client point, for cells of the given size drawn from (5, 1).
MouseCell mouse_cell(int x, int y, int char_width, int char_height);
int mouse_click_code(MouseCell cell);
int mouse_move_code(MouseCell cell);
bool is_mouse_move_code(int code);

// Ring of key codes waiting to be read.
struct InputRing {
    std::vector<int> codes;  // kTerminalInputRing slots once initialised
    int read = 0;
    int count = 0;
};
void ring_init(InputRing& ring);
// False (and the code is dropped) when the ring is full.
bool ring_push(InputRing& ring, int code);
// False when empty.
bool ring_pop(InputRing& ring, int* code);
// Puts a code back in front of the others; ignored when the ring is full.
void ring_unread(InputRing& ring, int code);
// Removes the most recently queued move code that is still unread, if any.
void ring_remove_latest_move(InputRing& ring);
// Queues a move code, after removing the one still waiting, so only the latest waits.
bool ring_push_move(InputRing& ring, int code);

}  // namespace mw31
