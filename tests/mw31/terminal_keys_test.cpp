// Key codes from the key table, mouse cell codes and the input ring.
#include "mw31/terminal_keys.h"

#include <gtest/gtest.h>

#include <set>

#include "mw31/terminal.h"

namespace mw31 {
namespace {

int code_of(int key, bool shift = false, bool ctrl = false) {
    KeyTable table;
    fill_key_table(table);
    int code = 0;
    return key_table_lookup(table, key, shift, ctrl, &code) ? code : -99999;
}

TEST(TerminalKeyTable, MapsKeysWithShiftAndCtrl) {
    EXPECT_EQ(code_of(vk::Up, true), -258);
    EXPECT_EQ(code_of('C', false, true), 3);
    EXPECT_EQ(code_of('Z', false, true), 26);
    EXPECT_EQ(code_of(vk::F1 + 11), 312);
    EXPECT_EQ(code_of(vk::F1 + 11, true), -312);
    EXPECT_EQ(code_of(vk::F1 + 19), 320);
    EXPECT_EQ(code_of(vk::Tab, true), 256);
    EXPECT_EQ(code_of(vk::Return), 10);
    EXPECT_EQ(code_of(vk::Help), 0x80000);
    EXPECT_EQ(code_of(vk::Delete), 127);
    EXPECT_EQ(code_of(vk::Clear, true), -264);
    EXPECT_EQ(code_of(vk::Prior, true), -278);
    EXPECT_EQ(code_of(vk::Numpad0 + 5, true), 285);
}

TEST(TerminalKeyTable, KeysOutsideTheTableGiveNothing) {
    EXPECT_EQ(code_of(vk::Numpad0 + 5), -99999);  // plain digits come as characters
    EXPECT_EQ(code_of('A', true), -99999);
    EXPECT_EQ(code_of('C', true, true), -99999);
    EXPECT_EQ(code_of(vk::Escape, true), -99999);
    EXPECT_EQ(code_of(vk::F1 + 20), -99999);  // F21
    KeyTable table;
    fill_key_table(table);
    std::set<int> keys;
    for (const KeyTableEntry& e : table.entries) keys.insert(e.platform_key);
    EXPECT_EQ(keys.size(), table.entries.size()) << "a key appears twice";
    EXPECT_LE(int(table.entries.size()), kTerminalKeyTableSize);
}

TEST(TerminalKeyTable, OnlyCharactersAboveTheBlankAreQueued) {
    EXPECT_TRUE(char_is_queued('!'));
    EXPECT_TRUE(char_is_queued(0xE4));
    EXPECT_FALSE(char_is_queued(' '));
    EXPECT_FALSE(char_is_queued(13));
    EXPECT_FALSE(char_is_queued(127));
}

TEST(TerminalMouse, CellCodesCountFromOneAndWrapAt255) {
    const MouseCell cell = mouse_cell(5 + 3 * 9 + 4, 1 + 4 * 18, 9, 18);
    EXPECT_EQ(cell, (MouseCell{3, 4}));
    EXPECT_EQ(mouse_click_code(cell), 0x10000 + 4 * 256 + 5);
    EXPECT_EQ(mouse_move_code(cell), 0x100000 + 4 * 256 + 5);
    EXPECT_EQ(mouse_click_code(MouseCell{255, 256}), 0x10000 + 1 * 256 + 2);
    // Left of and above the first cell, and degenerate cell sizes, give the first cell.
    EXPECT_EQ(mouse_cell(0, 0, 9, 18), (MouseCell{0, 0}));
    EXPECT_EQ(mouse_cell(500, 500, 0, 0), (MouseCell{0, 0}));
    EXPECT_TRUE(is_mouse_move_code(mouse_move_code(MouseCell{254, 254})));
    EXPECT_FALSE(is_mouse_move_code(mouse_click_code(MouseCell{254, 254})));
    EXPECT_FALSE(is_mouse_move_code(0x80000));
}

TEST(TerminalInputRing, KeepsOrderAndDropsWhenFull) {
    InputRing ring;
    ring_init(ring);
    for (int i = 0; i < kTerminalInputRing; ++i) ASSERT_TRUE(ring_push(ring, i));
    EXPECT_FALSE(ring_push(ring, -1));
    int code = 0;
    ASSERT_TRUE(ring_pop(ring, &code));
    EXPECT_EQ(code, 0);
    EXPECT_TRUE(ring_push(ring, 5000));  // into the slot just freed, at the ring's end
    for (int i = 1; i < kTerminalInputRing; ++i) {
        ASSERT_TRUE(ring_pop(ring, &code));
        ASSERT_EQ(code, i);
    }
    ASSERT_TRUE(ring_pop(ring, &code));
    EXPECT_EQ(code, 5000);
    EXPECT_FALSE(ring_pop(ring, &code));
}

TEST(TerminalInputRing, PushBackIsReadFirstUnlessFull) {
    InputRing ring;
    ring_init(ring);
    ring_push(ring, 'a');
    ring_unread(ring, 'z');  // also across the start of the storage
    int code = 0;
    ring_pop(ring, &code);
    EXPECT_EQ(code, 'z');
    ring_pop(ring, &code);
    EXPECT_EQ(code, 'a');
    for (int i = 0; i < kTerminalInputRing; ++i) ring_push(ring, 1);
    ring_unread(ring, 2);
    EXPECT_EQ(ring.count, kTerminalInputRing);
    ring_pop(ring, &code);
    EXPECT_EQ(code, 1);
}

TEST(TerminalInputRing, OnlyTheLatestMoveWaits) {
    InputRing ring;
    ring_init(ring);
    const int first = mouse_move_code(MouseCell{1, 1});
    const int second = mouse_move_code(MouseCell{2, 1});
    ring_push_move(ring, first);
    ring_push(ring, 'k');
    ring_push_move(ring, second);
    ASSERT_EQ(ring.count, 2);
    int code = 0;
    ring_pop(ring, &code);
    EXPECT_EQ(code, 'k');
    ring_pop(ring, &code);
    EXPECT_EQ(code, second);
    // Clicks are never removed; with no move waiting nothing is.
    ring_push(ring, mouse_click_code(MouseCell{1, 1}));
    ring_remove_latest_move(ring);
    EXPECT_EQ(ring.count, 1);
}

}  // namespace
}  // namespace mw31
