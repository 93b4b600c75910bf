// Standard streams with a terminal: output and key input go through it.
#include "mw31/std_streams.h"

#include <gtest/gtest.h>

#include "mw31/format.h"
#include "mw31/terminal_grid.h"
#include "terminal_fake_backend.h"

namespace {

TEST(StdStreams, OutputAndInputUseTheTerminal) {
    kvtest::FakeBackendScope scope;
    testing::internal::CaptureStdout();
    mw31::terminal_printf("before");  // collected while there is no terminal
    ASSERT_EQ(mw31::create_terminal(), 0);
    ASSERT_EQ(mw31::current_terminal(), 0);
    mw31::terminal_printf("x=%.1lf\n", 2.5);
    mw31::file_printf(stdout, "%s", "second");
    mw31::stdout_put_char('!');
    mw31::stdout_flush();
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "before")
        << "earlier text is handed on first, the rest goes to the terminal";
    EXPECT_EQ(mw31::stdout_pending(), "");
    const mw31::TerminalState* t = mw31::terminal_state();
    ASSERT_NE(t, nullptr);
    EXPECT_EQ(mw31::grid_row_text(t->grid, 0).substr(0, 5), "x=2.5");
    EXPECT_EQ(mw31::grid_row_text(t->grid, 1).substr(0, 7), "second!");

    mw31::stdin_unget_char('q');
    EXPECT_EQ(mw31::stdin_get_char(), 'q');
    mw31::stdin_unget_char(0x141);
    EXPECT_EQ(mw31::stdin_get_char(), 0x41) << "the low 8 bits of the key code";
}

}  // namespace
