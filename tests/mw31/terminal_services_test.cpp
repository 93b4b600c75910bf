// Small shared services: fixed temporary names, cursor shapes by name, program flags.
#include <gtest/gtest.h>

#include <cstdlib>

#include "mw31/app_state.h"
#include "mw31/cursor.h"
#include "mw31/temp_names.h"
#include "terminal_fake_backend.h"

namespace mw31 {
namespace {

class TempDirScope {
  public:
    explicit TempDirScope(const char* value) {
        if (const char* old = std::getenv("TMPDIR")) saved_ = old, had_ = true;
        if (value)
            ::setenv("TMPDIR", value, 1);
        else
            ::unsetenv("TMPDIR");
    }
    ~TempDirScope() {
        if (had_)
            ::setenv("TMPDIR", saved_.c_str(), 1);
        else
            ::unsetenv("TMPDIR");
    }

  private:
    std::string saved_;
    bool had_ = false;
};

TEST(TempNames, InTheTemporaryDirectoryJoinedWithSlash) {
    {
        TempDirScope t("/var/tmp/kv");
        EXPECT_EQ(temp_info_name(), "/var/tmp/kv/kurvlab.txt");
        EXPECT_EQ(temp_work_name(), "/var/tmp/kv/kurvlab.tmp");
        EXPECT_EQ(temp_merge_help_name(), "/var/tmp/kv/vflminfo.txt");
    }
    {
        TempDirScope t("/scratch//");
        EXPECT_EQ(temp_info_name(), "/scratch/kurvlab.txt");
    }
    {
        TempDirScope t(nullptr);
        EXPECT_EQ(temp_work_name(), "/tmp/kurvlab.tmp");
    }
    {
        TempDirScope t("/");
        EXPECT_EQ(temp_info_name(), "/kurvlab.txt");
    }
}

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
