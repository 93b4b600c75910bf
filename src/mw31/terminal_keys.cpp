// The terminal's key table, mouse cell codes and input ring.
#include "mw31/terminal_keys.h"

#include "mw31/terminal.h"
#include "mw31/window.h"

namespace mw31 {

namespace {
void add(KeyTable& table, int platform_key, int code) {
    if (int(table.entries.size()) < kTerminalKeyTableSize)
        table.entries.push_back(KeyTableEntry{platform_key, code});
}
int ring_slot(const InputRing& ring, int offset) {
    return (ring.read + offset) % kTerminalInputRing;
}
}  // namespace

int key_table_index(int virtual_key, bool shift, bool ctrl) {
    return (shift ? -virtual_key : virtual_key) + (ctrl ? kKeyCtrlOffset : 0);
}

void fill_key_table(KeyTable& t) {
    t.entries.clear();
    add(t, vk::Tab, 9);
    add(t, -vk::Tab, 256);
    add(t, vk::Back, 8);
    add(t, vk::Escape, 27);
    add(t, vk::Space, 32);
    add(t, vk::Return, 10);
    add(t, vk::Help, kKeyHelpCode);
    add(t, vk::Delete, 127);
    const int arrows[] = {vk::Up, vk::Down, vk::Left, vk::Right};
    for (int i = 0; i < 4; ++i) {
        add(t, arrows[i], 258 + i);
        add(t, -arrows[i], -(258 + i));
    }
    const int editing[] = {vk::Insert, vk::Home, vk::Clear};
    for (int i = 0; i < 3; ++i) {
        add(t, editing[i], 262 + i);
        add(t, -editing[i], -(262 + i));
    }
    add(t, vk::Prior, 278);
    add(t, -vk::Prior, -278);
    add(t, vk::Next, 279);
    add(t, -vk::Next, -279);
    for (int i = 0; i < 20; ++i) {
        add(t, vk::F1 + i, 301 + i);
        add(t, -(vk::F1 + i), -(301 + i));
    }
    for (int i = 0; i < 10; ++i) add(t, -(vk::Numpad0 + i), 280 + i);
    for (int i = 0; i < 26; ++i) add(t, kKeyCtrlOffset + 'A' + i, 1 + i);
}

bool key_table_lookup(const KeyTable& table, int virtual_key, bool shift, bool ctrl, int* code) {
    const int wanted = key_table_index(virtual_key, shift, ctrl);
    for (const KeyTableEntry& e : table.entries) {
        if (e.platform_key == wanted) {
            *code = e.code;
            return true;
        }
    }
    return false;
}

bool char_is_queued(int character) {
    return character > ' ' && character != 127;
}

MouseCell mouse_cell(int x, int y, int char_width, int char_height) {
    // Points left of or above the first cell count as the first cell, not a negative one.
    MouseCell cell;
    if (char_width > 0 && x > 5) cell.column = (x - 5) / char_width;
    if (char_height > 0 && y > 1) cell.row = (y - 1) / char_height;
    return cell;
}

static int cell_part(MouseCell cell) {
    return ((cell.column % 255) + 1) * 256 + (cell.row % 255) + 1;
}

int mouse_click_code(MouseCell cell) {
    return kMouseClickBase + cell_part(cell);
}

int mouse_move_code(MouseCell cell) {
    return kMouseMoveBase + cell_part(cell);
}

bool is_mouse_move_code(int code) {
    return code >= kMouseMoveBase && code < kMouseMoveBase + 0x10000;
}

void ring_init(InputRing& ring) {
    ring.codes.assign(kTerminalInputRing, 0);
    ring.read = 0;
    ring.count = 0;
}

bool ring_push(InputRing& ring, int code) {
    if (ring.codes.empty()) ring_init(ring);
    if (ring.count >= kTerminalInputRing) return false;
    ring.codes[ring_slot(ring, ring.count)] = code;
    ++ring.count;
    return true;
}

bool ring_pop(InputRing& ring, int* code) {
    if (ring.count <= 0) return false;
    *code = ring.codes[ring.read];
    ring.read = (ring.read + 1) % kTerminalInputRing;
    --ring.count;
    return true;
}

void ring_unread(InputRing& ring, int code) {
    if (ring.codes.empty()) ring_init(ring);
    if (ring.count >= kTerminalInputRing) return;
    ring.read = (ring.read + kTerminalInputRing - 1) % kTerminalInputRing;
    ring.codes[ring.read] = code;
    ++ring.count;
}

void ring_remove_latest_move(InputRing& ring) {
    for (int i = ring.count - 1; i >= 0; --i) {
        if (!is_mouse_move_code(ring.codes[ring_slot(ring, i)])) continue;
        for (int j = i; j + 1 < ring.count; ++j)
            ring.codes[ring_slot(ring, j)] = ring.codes[ring_slot(ring, j + 1)];
        --ring.count;
        return;
    }
}

bool ring_push_move(InputRing& ring, int code) {
    ring_remove_latest_move(ring);
    return ring_push(ring, code);
}

}  // namespace mw31
