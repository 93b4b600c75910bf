// Small shared services: cursor shapes by name, program flags.
#include <gtest/gtest.h>

#include "mw31/app_state.h"
#include "mw31/cursor.h"
#include "terminal_fake_backend.h"

namespace mw31 {
namespace {

TEST(MouseCursor, NamesSelectShapesOnRegisteredWindows) {
    EXPECT_EQ(cursor_shape_for("size"), CursorShape::Size);
    EXPECT_EQ(cursor_shape_for("cross"), CursorShape::Cross);
    EXPECT_EQ(cursor_shape_for("Wait"), CursorShape::Arrow);

    kvtest::FakeBackendScope scope;
    WindowSpec window_spec;
    kvtest::FakeWindow a(window_spec), b(window_spec);
    register_cursor_window(&a);
    register_cursor_window(&b);
    register_cursor_window(&b);
    set_mouse_cursor("cross");
    EXPECT_EQ(a.cursor, CursorShape::Cross);
    EXPECT_EQ(b.cursor, CursorShape::Cross);
    unregister_cursor_window(&b);
    set_mouse_cursor("wait");
    EXPECT_EQ(a.cursor, CursorShape::Wait);
    EXPECT_EQ(b.cursor, CursorShape::Cross);
    set_mouse_cursor(b, "size");
    EXPECT_EQ(b.cursor, CursorShape::Size);
    unregister_cursor_window(&a);
}

TEST(ProgramFlags, NotInterruptibleReturnsThePreviousMark) {
    EXPECT_FALSE(set_not_interruptible(true));
    EXPECT_TRUE(not_interruptible());
    EXPECT_TRUE(set_not_interruptible(false));
    EXPECT_FALSE(not_interruptible());
}

}  // namespace
}  // namespace mw31
