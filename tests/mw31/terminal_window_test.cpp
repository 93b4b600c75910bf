// The terminal window on a backend without a screen: creation and its refusals, reading
// keys, drawing of cells and cursor, and the close question.
#include <gtest/gtest.h>

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
    void post(MessageKind kind, int key = 0) {
        Message m;
        m.window = window();
        m.kind = kind;
        m.key = key;
        post_message(m);
    }
    std::vector<DrawOp> ops_of(DrawOp::Kind kind) {
        std::vector<DrawOp> out;
        for (const DrawOp& op : canvas().ops)
            if (op.kind == kind) out.push_back(op);
        return out;
    }
};

TEST_F(TerminalWindow, CreatedHiddenWithTitleAndFittedCells) {
    ASSERT_EQ(create_terminal(), 0);
    EXPECT_EQ(current_terminal(), 0);
    EXPECT_EQ(window()->title, "kurvlab Version 1862");
    EXPECT_EQ(window()->shown, ShowMode::Hidden);
    const TerminalState* t = terminal_state();
    EXPECT_EQ(t->char_width, (window()->client.width() - 10) / 80);
    EXPECT_EQ(t->char_height, (window()->client.height() - 2) / 25);
}

TEST_F(TerminalWindow, SecondTerminalSecondPushAndMissingWindowAreRefused) {
    scope.backend->refuse_windows = true;
    EXPECT_EQ(create_terminal(), -1);
    EXPECT_EQ(terminal_state(), nullptr);
    EXPECT_EQ(current_terminal(), -1);
    scope.backend->refuse_windows = false;
    ASSERT_EQ(create_terminal(), 0) << "a failed creation must not use up the push";

    queue_dialog_answer(CannedAnswer{});
    queue_dialog_answer(CannedAnswer{});
    EXPECT_EQ(create_terminal(), -1);
    EXPECT_EQ(push_mw31_terminal(0), -1);
    ASSERT_EQ(shown_dialogs().size(), 2u);
    EXPECT_EQ(shown_dialogs()[0].text,
              "push_mw31_terminal: zu viele Terminals / too many sessions\n");
    EXPECT_EQ(shown_dialogs()[0].title, kProgramTitle);
    EXPECT_EQ(current_terminal(), 0);

    destroy_terminal();
    EXPECT_EQ(current_terminal(), -1);
    EXPECT_EQ(create_terminal(10, 40), 0);
}

TEST_F(TerminalWindow, ReadingStopsWhenTheApplicationEnds) {
    ASSERT_EQ(create_terminal(), 0);
    post(MessageKind::Char, 'x');
    terminal_unread_key('y');
    EXPECT_EQ(terminal_read_key(), 'y');
    EXPECT_EQ(terminal_read_key(), 'x');
    // Nothing queued: the fake platform reports the end instead of blocking.
    EXPECT_EQ(terminal_read_key(), 13);
    Message m;
    ASSERT_TRUE(peek_message(&m, true));
    EXPECT_EQ(m.kind, MessageKind::Quit) << "the quit message is kept for the loops outside";
    // The terminal closed while a key is awaited.
    queue_dialog_answer(CannedAnswer{BoxAnswer::Yes, {}, {}});
    post(MessageKind::Close);
    EXPECT_EQ(terminal_read_key(), 13);
    EXPECT_EQ(terminal_state(), nullptr);
    EXPECT_EQ(terminal_read_key(), 13);
}

TEST_F(TerminalWindow, CellsAreDrawnWhereTheMouseFindsThemAndRefitOnResize) {
    ASSERT_EQ(create_terminal(), 0);
    const TerminalState* t = terminal_state();
    canvas().ops.clear();
    terminal_put_string("Hi");
    auto drawn = ops_of(DrawOp::TextOut);
    ASSERT_EQ(drawn.size(), 2u);
    EXPECT_EQ(drawn[0].text, "H");
    EXPECT_EQ(drawn[0].x, 5);
    EXPECT_EQ(drawn[0].y, 1);
    EXPECT_EQ(canvas().text_colour(), kTerminalText);
    EXPECT_EQ(mouse_cell(drawn[1].x, drawn[1].y, t->char_width, t->char_height), (MouseCell{1, 0}));

    window()->client = Rect{0, 0, 12 * 80 + 10, 20 * 25 + 2};
    canvas().ops.clear();
    post(MessageKind::Size);
    service_messages();
    EXPECT_EQ(t->char_width, 12);
    EXPECT_EQ(t->char_height, 20);
    drawn = ops_of(DrawOp::TextOut);
    ASSERT_EQ(drawn.size(), 2u);
    EXPECT_EQ(drawn[1].x, 5 + 12);
}

TEST_F(TerminalWindow, ScrollingRepaintsRowsOneHigherAndCursorIsGreenWhileReading) {
    ASSERT_EQ(create_terminal(2, 20), 0);
    const TerminalState* t = terminal_state();
    terminal_put_string("top\nlow");
    canvas().ops.clear();
    terminal_put_char('\n');
    ASSERT_FALSE(canvas().ops.empty());
    EXPECT_EQ(canvas().ops[0].rect, (Rect{0, 0, 800, 600}));  // blanked first
    auto drawn = ops_of(DrawOp::TextOut);
    ASSERT_EQ(drawn.size(), 3u);
    EXPECT_EQ(drawn[0].text, "l");
    EXPECT_EQ(drawn[0].y, 1);

    terminal_put_string("ab");
    const Rect cursor_cell{5 + 2 * t->char_width, 1 + t->char_height, 5 + 3 * t->char_width,
                           1 + 2 * t->char_height};
    canvas().ops.clear();
    post(MessageKind::Char, 'x');
    EXPECT_EQ(terminal_read_key(), 'x');
    std::vector<Rgb> fills;
    for (const DrawOp& op : ops_of(DrawOp::FillRect))
        if (op.rect == cursor_cell) fills.push_back(op.brush.colour);
    EXPECT_EQ(fills, (std::vector<Rgb>{kTerminalCursor, kTerminalBackground}));
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

TEST_F(TerminalWindow, ClosingIsRefusedWhileNotInterruptibleAndAskedOtherwise) {
    ASSERT_EQ(create_terminal(), 0);
    set_not_interruptible(true);
    queue_dialog_answer(CannedAnswer{BoxAnswer::Yes, {}, {}});  // an OK box: not a yes to quit
    post(MessageKind::Close);
    service_messages();
    set_not_interruptible(false);
    queue_dialog_answer(CannedAnswer{BoxAnswer::No, {}, {}});
    post(MessageKind::Close);
    service_messages();
    EXPECT_EQ(current_terminal(), 0);
    EXPECT_FALSE(quit_requested());
    EXPECT_EQ(queued_message_count(), 0u);

    queue_dialog_answer(CannedAnswer{BoxAnswer::Yes, {}, {}});
    post(MessageKind::Close);
    Message m;
    ASSERT_TRUE(peek_message(&m, true));
    dispatch_message(m);
    EXPECT_TRUE(quit_requested());
    EXPECT_EQ(current_terminal(), -1);
    ASSERT_TRUE(peek_message(&m, true));
    EXPECT_EQ(m.kind, MessageKind::Quit);

    ASSERT_EQ(shown_dialogs().size(), 3u);
    EXPECT_EQ(shown_dialogs()[0].text,
              "Filmprogramm kann im Moment nicht abgebrochen werden / Animation cannot be "
              "aborted right now");
    EXPECT_EQ(shown_dialogs()[1].text,
              "Filmprogramm wirklich abbrechen / Really quit the animation?");
    terminal_put_string("nobody listens\n");  // harmless without a terminal
}

TEST_F(TerminalWindow, EchoToStandardErrorOnlyWhenAsked) {
    ::setenv("KURVLAB_TERMINAL_ECHO", "1", 1);
    ASSERT_EQ(create_terminal(), 0);
    ::unsetenv("KURVLAB_TERMINAL_ECHO");
    ::testing::internal::CaptureStderr();
    terminal_put_string("F\xC3\xBCr\n");
    terminal_put_char('!');
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), "F\xC3\xBCr\n!");
    EXPECT_EQ(grid_row_text(terminal_state()->grid, 0), "F\xC3\xBCr");
    destroy_terminal();

    ASSERT_EQ(create_terminal(), 0);
    ::testing::internal::CaptureStderr();
    terminal_put_string("quiet\n");
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), "");
}

TEST_F(TerminalWindow, BellRingsOnThePlatformAndWritesNothing) {
    ASSERT_EQ(create_terminal(), 0);
    terminal_put_string("a\ab");
    terminal_bell();
    EXPECT_EQ(scope.backend->bells, 2);
    EXPECT_EQ(grid_row_text(terminal_state()->grid, 0), "ab");
}

TEST_F(TerminalWindow, ClearRedrawsOnlyWhenSomethingChanged) {
    ASSERT_EQ(create_terminal(), 0);
    canvas().ops.clear();
    terminal_clear();
    EXPECT_TRUE(canvas().ops.empty());
    terminal_put_char(0xC3);  // the start of a sequence that a whole character interrupts
    terminal_put_char(0x263A);
    EXPECT_EQ(grid_cell(terminal_state()->grid, 0, 0), 0xC3);
    EXPECT_EQ(grid_cell(terminal_state()->grid, 0, 1), 0x263A);
    terminal_clear();
    EXPECT_EQ(grid_row_text(terminal_state()->grid, 0), "");
}

}  // namespace
}  // namespace mw31
