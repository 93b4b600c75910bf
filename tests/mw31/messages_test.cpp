// Message boxes of the terminal layer: where the text goes with and without a terminal,
// and the answer of the yes/no question.
#include "mw31/messages.h"

#include <gtest/gtest.h>

#include "mw31/terminal.h"
#include "terminal_fake_backend.h"

namespace mw31 {
namespace {

TEST(MessageOutput, BoxWithTheProgramTitleWhenATerminalExists) {
    kvtest::FakeBackendScope scope;
    ASSERT_EQ(create_terminal(), 0);
    Message key;
    key.window = scope.backend->last_window;
    key.kind = MessageKind::Char;
    key.key = 'k';
    post_message(key);
    ::testing::internal::CaptureStderr();
    queue_dialog_answer(CannedAnswer{});
    message_output("mw31_film: kaputt / broken\n");
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), "");
    ASSERT_EQ(shown_dialogs().size(), 1u);
    EXPECT_EQ(shown_dialogs()[0].kind, "message");
    EXPECT_EQ(shown_dialogs()[0].title, "kurvlab Version 1862");
    EXPECT_EQ(shown_dialogs()[0].text, "mw31_film: kaputt / broken\n");
    EXPECT_EQ(terminal_state()->input.count, 1) << "the queue is serviced after the box";
}

TEST(MessageOutput, StandardErrorWithoutATerminal) {
    kvtest::FakeBackendScope scope;
    ::testing::internal::CaptureStderr();
    message_output("no terminal yet");
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), "no terminal yet\n");
    EXPECT_TRUE(shown_dialogs().empty());
}

TEST(AskNo, TrueUnlessTheAnswerIsYes) {
    kvtest::FakeBackendScope scope;
    ASSERT_EQ(create_terminal(), 0);
    queue_dialog_answer(CannedAnswer{BoxAnswer::Yes, {}, {}});
    EXPECT_FALSE(ask_no(0, "Weiter?"));
    queue_dialog_answer(CannedAnswer{BoxAnswer::No, {}, {}});
    EXPECT_TRUE(ask_no(0, "Weiter?"));
    ::testing::internal::CaptureStderr();
    EXPECT_TRUE(ask_no(0, "Weiter?"));  // no screen and no answer: never a silent yes
    ::testing::internal::GetCapturedStderr();
    ASSERT_EQ(shown_dialogs().size(), 3u);
    EXPECT_EQ(shown_dialogs()[2].title, kProgramTitle);
}

}  // namespace
}  // namespace mw31
