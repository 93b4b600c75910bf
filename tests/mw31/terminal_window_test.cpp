// The terminal window on a backend without a screen: creation and its refusals, input
// through window messages, reading keys, drawing of cells and cursor, and the close question.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>

#include "mw31/app_state.h"
#include "mw31/messages.h"
#include "mw31/terminal.h"
#include "terminal_fake_backend.h"

namespace mw31 {
namespace {

class TerminalWindow : public ::testing::Test {
  protected:
    kvtest::FakeBackendScope scope;
    kvtest::FakeWindow* window() { return scope.backend->last_window; }
    RecordingCanvas& canvas() { return window()->recording; }
    void post(MessageKind kind, int key = 0, bool shift = false, bool ctrl = false) {
        Message m;
        m.window = window();
        m.kind = kind;
        m.key = key;
        m.shift = shift;
        m.ctrl = ctrl;
        post_message(m);
    }
    void post_mouse(MessageKind kind, int x, int y, MouseButton button = MouseButton::Left) {
        Message m;
        m.window = window();
        m.kind = kind;
        m.x = x;
        m.y = y;
        m.button = button;
        post_message(m);
    }
    std::vector<DrawOp> texts() {
        std::vector<DrawOp> out;
        for (const DrawOp& op : canvas().ops)
            if (op.kind == DrawOp::TextOut) out.push_back(op);
        return out;
    }
};

TEST_F(TerminalWindow, CreatedHiddenWithTitleAndFittedCells) {
    ASSERT_EQ(create_terminal(), 0);
    EXPECT_EQ(current_terminal(), 0);
    EXPECT_EQ(window()->title, "kurvlab Version 1862");
    EXPECT_EQ(window()->shown, ShowMode::Hidden);
    const TerminalState* t = terminal_state();
    ASSERT_NE(t, nullptr);
    EXPECT_EQ(t->grid.rows, 25);
    EXPECT_EQ(t->grid.columns, 80);
    // Cells fill the client area less the margins of 10 and 2 pixels.
    const Rect client = window()->client;
    EXPECT_EQ(t->char_width, (client.width() - 10) / 80);
    EXPECT_EQ(t->char_height, (client.height() - 2) / 25);
}

TEST_F(TerminalWindow, SecondTerminalAndSecondPushAreRefused) {
    ASSERT_EQ(create_terminal(), 0);
    queue_dialog_answer(CannedAnswer{});
    queue_dialog_answer(CannedAnswer{});
    EXPECT_EQ(create_terminal(), -1);
    ASSERT_EQ(shown_dialogs().size(), 1u);
    EXPECT_EQ(shown_dialogs()[0].text,
              "push_mw31_terminal: zu viele Terminals / too many sessions\n");
    EXPECT_EQ(shown_dialogs()[0].title, kProgramTitle);
    EXPECT_EQ(push_mw31_terminal(0), -1);
    EXPECT_EQ(shown_dialogs().size(), 2u);
    EXPECT_EQ(current_terminal(), 0);
    // Once it is gone, a new one can be made.
    destroy_terminal();
    EXPECT_EQ(current_terminal(), -1);
    EXPECT_EQ(create_terminal(10, 40), 0);
    EXPECT_EQ(terminal_state()->grid.columns, 40);
}

TEST_F(TerminalWindow, NoWindowLeavesNothingBehind) {
    scope.backend->refuse_windows = true;
    EXPECT_EQ(create_terminal(), -1);
    EXPECT_EQ(terminal_state(), nullptr);
    EXPECT_EQ(current_terminal(), -1);
    scope.backend->refuse_windows = false;
    EXPECT_EQ(create_terminal(), 0);  // the push stack was not used up
}

TEST_F(TerminalWindow, KeysAndCharactersArriveAsCodes) {
    ASSERT_EQ(create_terminal(), 0);
    post(MessageKind::KeyDown, vk::Up, true);
    post(MessageKind::KeyDown, 'C', false, true);
    post(MessageKind::Char, 3);  // the character of Ctrl+C is not queued a second time
    post(MessageKind::KeyDown, vk::F1 + 11);
    post(MessageKind::KeyDown, 'Q');  // letters come as characters, not as keys
    post(MessageKind::Char, ' ');
    post(MessageKind::Char, 'q');
    EXPECT_EQ(terminal_read_key(), -258);
    EXPECT_EQ(terminal_read_key(), 3);
    EXPECT_EQ(terminal_read_key(), 312);
    EXPECT_EQ(terminal_read_key(), 'q');
    terminal_unread_key('q');
    EXPECT_EQ(terminal_read_key(), 'q');
    EXPECT_GT(window()->raised, 0);
}

TEST_F(TerminalWindow, ReadingEndsWhenTheApplicationIsAskedToEnd) {
    ASSERT_EQ(create_terminal(), 0);
    // Nothing queued: the backend reports the end instead of blocking.
    EXPECT_EQ(terminal_read_key(), 13);
    Message m;
    ASSERT_TRUE(peek_message(&m, false));
    EXPECT_EQ(m.kind, MessageKind::Quit) << "the quit message is kept for the loops outside";
    destroy_terminal();
    EXPECT_EQ(terminal_read_key(), 13);
}

TEST_F(TerminalWindow, OnlyTheLatestMouseMoveWaits) {
    ASSERT_EQ(create_terminal(), 0);
    const TerminalState* t = terminal_state();
    const int cw = t->char_width, ch = t->char_height;
    post_mouse(MessageKind::MouseMove, 5 + 2 * cw, 1 + 3 * ch);
    post_mouse(MessageKind::MouseMove, 5 + 7 * cw + 1, 1 + 4 * ch + 1);
    post_mouse(MessageKind::MouseMove, 5 + 7 * cw + 2, 1 + 4 * ch + 2);  // same cell: nothing
    post_mouse(MessageKind::MouseDown, 5 + cw, 1, MouseButton::Right);   // only left clicks count
    post_mouse(MessageKind::MouseDown, 5 + cw, 1);
    service_messages();  // all moves arrive before anything is read
    EXPECT_EQ(terminal_read_key(), 0x100000 + 8 * 256 + 5);
    EXPECT_EQ(terminal_read_key(), 0x10000 + 2 * 256 + 1);
    EXPECT_EQ(terminal_state()->input.count, 0);
}

TEST_F(TerminalWindow, CellsAreDrawnWhereTheMouseFindsThem) {
    ASSERT_EQ(create_terminal(), 0);
    const TerminalState* t = terminal_state();
    canvas().ops.clear();
    terminal_put_string("Hi");
    const auto drawn = texts();
    ASSERT_EQ(drawn.size(), 2u);
    EXPECT_EQ(drawn[0].text, "H");
    EXPECT_EQ(drawn[0].x, 5);
    EXPECT_EQ(drawn[0].y, 1);
    EXPECT_EQ(drawn[1].x, 5 + t->char_width);
    EXPECT_EQ(canvas().text_colour(), kTerminalText);
    EXPECT_EQ(canvas().text_background(), kTerminalBackground);
    EXPECT_EQ(mouse_cell(drawn[1].x, drawn[1].y, t->char_width, t->char_height), (MouseCell{1, 0}));

    // A new client size refits the cells and repaints everything.
    window()->client = Rect{0, 0, 12 * 80 + 10, 20 * 25 + 2};
    canvas().ops.clear();
    post(MessageKind::Size);
    service_messages();
    EXPECT_EQ(terminal_state()->char_width, 12);
    EXPECT_EQ(terminal_state()->char_height, 20);
    ASSERT_EQ(texts().size(), 2u);
    EXPECT_EQ(texts()[1].x, 5 + 12);
}

TEST_F(TerminalWindow, ScrollingRepaintsTheRowsOneHigher) {
    ASSERT_EQ(create_terminal(2, 20), 0);
    terminal_put_string("top\nlow");
    canvas().ops.clear();
    terminal_put_char('\n');
    EXPECT_EQ(grid_row_text(terminal_state()->grid, 0), "low");
    ASSERT_FALSE(canvas().ops.empty());
    EXPECT_EQ(canvas().ops[0].kind, DrawOp::FillRect);  // the whole area is blanked first
    EXPECT_EQ(canvas().ops[0].brush.colour, kTerminalBackground);
    const auto drawn = texts();
    ASSERT_EQ(drawn.size(), 3u);
    EXPECT_EQ(drawn[0].text, "l");
    EXPECT_EQ(drawn[0].y, 1);
}

TEST_F(TerminalWindow, CursorCellIsGreenOnlyWhileAKeyIsAwaited) {
    ASSERT_EQ(create_terminal(), 0);
    terminal_put_string("ab");
    const TerminalState* t = terminal_state();
    const Rect cursor_cell{5 + 2 * t->char_width, 1, 5 + 3 * t->char_width, 1 + t->char_height};
    canvas().ops.clear();
    post(MessageKind::Char, 'x');
    EXPECT_EQ(terminal_read_key(), 'x');
    std::vector<Rgb> fills;
    for (const DrawOp& op : canvas().ops)
        if (op.kind == DrawOp::FillRect && op.rect == cursor_cell) fills.push_back(op.brush.colour);
    EXPECT_EQ(fills, (std::vector<Rgb>{kTerminalCursor, kTerminalBackground}));
    EXPECT_FALSE(terminal_state()->cursor_shown);
}

TEST_F(TerminalWindow, LineEndsServiceTheQueueOnceInputWasRead) {
    ASSERT_EQ(create_terminal(), 0);
    post(MessageKind::Char, 'a');
    terminal_put_string("before\n");
    EXPECT_EQ(terminal_state()->input.count, 0) << "no input read yet: queue left alone";
    EXPECT_EQ(terminal_read_key(), 'a');
    post(MessageKind::Char, 'b');
    terminal_put_string("after\n");
    EXPECT_EQ(terminal_state()->input.count, 1);
}

TEST_F(TerminalWindow, ClosingIsRefusedWhileNotInterruptible) {
    ASSERT_EQ(create_terminal(), 0);
    set_not_interruptible(true);
    queue_dialog_answer(CannedAnswer{BoxAnswer::Yes, {}, {}});  // an OK box: not a yes to quit
    post(MessageKind::Close);
    service_messages();
    ASSERT_EQ(shown_dialogs().size(), 1u);
    EXPECT_EQ(shown_dialogs()[0].text,
              "Filmprogramm kann im Moment nicht abgebrochen werden / Animation cannot be "
              "aborted right now");
    EXPECT_NE(terminal_state(), nullptr);
    EXPECT_FALSE(quit_requested());
    EXPECT_EQ(queued_message_count(), 0u);
}

TEST_F(TerminalWindow, ClosingAsksAndOnlyYesQuits) {
    ASSERT_EQ(create_terminal(), 0);
    queue_dialog_answer(CannedAnswer{BoxAnswer::No, {}, {}});
    post(MessageKind::Close);
    service_messages();
    ASSERT_EQ(shown_dialogs().size(), 1u);
    EXPECT_EQ(shown_dialogs()[0].text,
              "Filmprogramm wirklich abbrechen / Really quit the animation?");
    EXPECT_EQ(current_terminal(), 0);
    EXPECT_FALSE(quit_requested());

    queue_dialog_answer(CannedAnswer{BoxAnswer::Yes, {}, {}});
    post(MessageKind::Close);
    Message m;
    ASSERT_TRUE(peek_message(&m, true));
    dispatch_message(m);
    EXPECT_TRUE(quit_requested());
    EXPECT_EQ(terminal_state(), nullptr);
    EXPECT_EQ(current_terminal(), -1);
    ASSERT_TRUE(peek_message(&m, true));
    EXPECT_EQ(m.kind, MessageKind::Quit);
    terminal_put_string("nobody listens\n");  // harmless without a terminal
}

TEST_F(TerminalWindow, ClosingWhileWaitingForAKeyEndsTheRead) {
    ASSERT_EQ(create_terminal(), 0);
    queue_dialog_answer(CannedAnswer{BoxAnswer::Yes, {}, {}});
    post(MessageKind::Close);
    EXPECT_EQ(terminal_read_key(), 13);
    EXPECT_TRUE(quit_requested());
}

TEST_F(TerminalWindow, EchoToStandardErrorOnlyWhenAsked) {
    ::setenv("KURVLAB_TERMINAL_ECHO", "1", 1);
    ASSERT_EQ(create_terminal(), 0);
    ::unsetenv("KURVLAB_TERMINAL_ECHO");
    ::testing::internal::CaptureStderr();
    terminal_put_string(
        "F\xC3\xBC"
        "r\n");
    terminal_put_char('!');
    EXPECT_EQ(::testing::internal::GetCapturedStderr(),
              "F\xC3\xBC"
              "r\n!");
    EXPECT_EQ(grid_row_text(terminal_state()->grid, 0),
              "F\xC3\xBC"
              "r");
    destroy_terminal();

    ASSERT_EQ(create_terminal(), 0);
    ::testing::internal::CaptureStderr();
    terminal_put_string("quiet\n");
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), "");
}

TEST_F(TerminalWindow, ClearRedrawsOnlyWhenSomethingChanged) {
    ASSERT_EQ(create_terminal(), 0);
    canvas().ops.clear();
    terminal_clear();
    EXPECT_TRUE(canvas().ops.empty());
    terminal_put_string("x");
    terminal_home();
    terminal_clear();
    EXPECT_EQ(grid_row_text(terminal_state()->grid, 0), "");
    EXPECT_EQ(terminal_state()->grid.cursor_column, 0);
    terminal_put_char(7);
    terminal_bell();
    EXPECT_EQ(terminal_state()->bells, 2);
}

}  // namespace
}  // namespace mw31
