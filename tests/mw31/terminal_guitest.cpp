// The terminal on the real platform layer: key and mouse events as the platform delivers
// them, cells painted into the window, and the close box.
#include <gtest/gtest.h>

#include "mw31/app_state.h"
#include "mw31/dialogs.h"
#include "mw31/message_queue.h"
#include "mw31/terminal.h"
#include "support/qt_test_events.h"

namespace mw31 {
namespace {

class TerminalOnPlatform : public ::testing::Test {
  protected:
    void SetUp() override {
        reset();
        ASSERT_EQ(create_terminal(), 0);
        window = terminal_state()->window.get();
    }
    void TearDown() override { reset(); }
    static void reset() {
        destroy_terminal();
        clear_dialog_hooks();
        set_quit_requested(false);
        set_not_interruptible(false);
        service_messages();
        Message m;
        while (queued_message_count() > 0) peek_message(&m, true);
    }
    // True if any pixel of the cell has the colour.
    bool cell_has(int row, int column, Rgb colour) {
        const TerminalState* t = terminal_state();
        const int x0 = 5 + column * t->char_width, y0 = 1 + row * t->char_height;
        for (int y = y0; y < y0 + t->char_height; ++y)
            for (int x = x0; x < x0 + t->char_width; ++x)
                if (window->canvas().get_pixel(x, y) == colour) return true;
        return false;
    }
    Window* window = nullptr;
};

TEST_F(TerminalOnPlatform, PlatformKeysBecomeKeyCodes) {
    ASSERT_TRUE(qt_test::send_key(*window, "Up", true, false, ""));
    ASSERT_TRUE(qt_test::send_key(*window, "C", false, true, "\x03"));
    ASSERT_TRUE(qt_test::send_key(*window, "F12", false, false, ""));
    ASSERT_TRUE(qt_test::send_key(*window, "Return", false, false, "\r"));
    ASSERT_TRUE(qt_test::send_key(*window, "A", false, false, "a"));
    ASSERT_TRUE(qt_test::send_key(*window, "A", true, false, "A"));
    EXPECT_EQ(terminal_read_key(), -258);
    EXPECT_EQ(terminal_read_key(), 3);
    EXPECT_EQ(terminal_read_key(), 312);
    EXPECT_EQ(terminal_read_key(), 10);
    EXPECT_EQ(terminal_read_key(), 'a');
    EXPECT_EQ(terminal_read_key(), 'A');
    service_messages();
    EXPECT_EQ(terminal_state()->input.count, 0) << "a key was queued twice";
}

TEST_F(TerminalOnPlatform, AKeyHandedOverByAnotherWindowEndsAWaitAndIsRead) {
    terminal_state()->waiting_for_input = true;
    terminal_type_key('p');
    EXPECT_FALSE(terminal_state()->waiting_for_input);
    EXPECT_EQ(terminal_read_key(), 'p');
    EXPECT_EQ(terminal_state()->input.count, 0);
}

TEST_F(TerminalOnPlatform, MouseCodesNameTheCell) {
    const TerminalState* t = terminal_state();
    const int cw = t->char_width, ch = t->char_height;
    qt_test::send_mouse(*window, MessageKind::MouseMove, MouseButton::None, 5 + 2 * cw, 1 + ch);
    qt_test::send_mouse(*window, MessageKind::MouseMove, MouseButton::None, 5 + 6 * cw, 1 + 3 * ch);
    qt_test::send_mouse(*window, MessageKind::MouseDown, MouseButton::Left, 5 + 6 * cw, 1 + 3 * ch);
    service_messages();
    EXPECT_EQ(terminal_read_key(), 0x100000 + 7 * 256 + 4);
    EXPECT_EQ(terminal_read_key(), 0x10000 + 7 * 256 + 4);
}

TEST_F(TerminalOnPlatform, CellsArePaintedInTheirColours) {
    terminal_put_string("#\n");
    EXPECT_TRUE(cell_has(0, 0, kTerminalText));
    EXPECT_FALSE(cell_has(0, 1, kTerminalText));
    EXPECT_FALSE(cell_has(1, 0, kTerminalCursor));
    terminal_state()->cursor_shown = true;
    terminal_repaint();
    EXPECT_TRUE(cell_has(1, 0, kTerminalCursor));
    EXPECT_TRUE(cell_has(0, 0, kTerminalText)) << "repainting keeps the text";
    terminal_state()->cursor_shown = false;
}

TEST_F(TerminalOnPlatform, CloseBoxAsksBeforeQuitting) {
    set_not_interruptible(true);
    queue_dialog_answer(CannedAnswer{});
    qt_test::press_close_box(*window);
    service_messages();
    EXPECT_NE(terminal_state(), nullptr);
    set_not_interruptible(false);
    queue_dialog_answer(CannedAnswer{BoxAnswer::Yes, {}, {}});
    qt_test::press_close_box(*window);
    service_messages();
    EXPECT_TRUE(quit_requested());
    EXPECT_EQ(terminal_state(), nullptr);
    ASSERT_EQ(shown_dialogs().size(), 2u);
    EXPECT_EQ(shown_dialogs()[1].text,
              "Filmprogramm wirklich abbrechen / Really quit the animation?");
}

}  // namespace
}  // namespace mw31
