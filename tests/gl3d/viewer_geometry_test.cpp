// The 3D window's geometry file and the ways the viewer refuses to open without a window.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

#include "gl3d/viewer_window.h"
#include "support/scoped_env.h"

namespace {

std::string temp_path(const std::string& name) {
    return testing::TempDir() + "/" + name;
}

std::string slurp(const std::string& path) {
    std::ifstream in(path);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

void write(const std::string& path, const std::string& text) {
    std::ofstream(path) << text;
}

using kvtest::ScopedEnv;

TEST(WindowGeometry, MissingOrBrokenFileGivesTheDefaultRectangle) {
    const mw31::Rect d{0, 0, 1024, 768};
    EXPECT_EQ(gl3d::read_window_geometry(temp_path("no_such_folder/glgrafic.size")), d);
    const std::string short_file = temp_path("short.size");
    write(short_file, "10\n20\n");
    EXPECT_EQ(gl3d::read_window_geometry(short_file), d);
    const std::string words = temp_path("words.size");
    write(words, "links\nrechts\noben\nunten\n");
    EXPECT_EQ(gl3d::read_window_geometry(words), d);
    // Right left of left: no window could be made from it.
    const std::string inverted = temp_path("inverted.size");
    write(inverted, "500\n100\n0\n300\n");
    EXPECT_EQ(gl3d::read_window_geometry(inverted), d);
}

TEST(WindowGeometry, LinesAreLeftRightTopBottomAndReadBack) {
    const std::string name = temp_path("glgrafic.size");
    ASSERT_TRUE(gl3d::write_window_geometry(name, mw31::Rect{-8, 30, 1200, 830}));
    EXPECT_EQ(slurp(name), "-8\n1200\n30\n830\n");
    EXPECT_EQ(gl3d::read_window_geometry(name), (mw31::Rect{-8, 30, 1200, 830}));
    // The order in the file is not the order of the rectangle's fields.
    write(name, "100\n900\n50\n650\n");
    const mw31::Rect r = gl3d::read_window_geometry(name);
    EXPECT_EQ(r.left, 100);
    EXPECT_EQ(r.top, 50);
    EXPECT_EQ(r.width(), 800);
    EXPECT_EQ(r.height(), 600);
    // A folder that cannot be written leaves nothing half-written behind.
    EXPECT_FALSE(gl3d::write_window_geometry(temp_path("no_such_folder/glgrafic.size"),
                                             mw31::Rect{0, 0, 10, 10}));
}

TEST(WindowGeometry, FileLivesInDatenOrTheConfigurationFolder) {
    {
        ScopedEnv daten("DATEN", "/srv/kelvarinthos/daten");
        EXPECT_EQ(gl3d::geometry_file_name(), "/srv/kelvarinthos/daten/glgrafic.size");
    }
    ScopedEnv daten("DATEN", "");
    ScopedEnv config("XDG_CONFIG_HOME", "/home/someone/.cfg");
    EXPECT_EQ(gl3d::geometry_file_name(), "/home/someone/.cfg/kurvlab/glgrafic.size");
}

TEST(ViewerCreation, SwitchedOffOrWithoutPlatformNoWindowIsMade) {
    gl3d::Scene scene;
    std::string error;
    {
        ScopedEnv off("KVGL_OFF", "1");
        EXPECT_TRUE(gl3d::viewer_switched_off());
        gl3d::Viewer v;
        EXPECT_EQ(gl3d::create_viewer(&v, &scene, {}, &error), 1);
        EXPECT_EQ(error, "KVGL_OFF");
        EXPECT_TRUE(gl3d::viewer_done(v));
    }
    {
        ScopedEnv off("KVGL_OFF", "0");
        EXPECT_FALSE(gl3d::viewer_switched_off());
    }
    ScopedEnv off("KVGL_OFF", nullptr);
    EXPECT_FALSE(gl3d::viewer_switched_off());
    // Unit tests run without a backend: no GL window, and nothing left behind.
    ScopedEnv daten("DATEN", testing::TempDir().c_str());
    gl3d::Viewer v;
    error.clear();
    EXPECT_EQ(gl3d::create_viewer(&v, &scene, {}, &error), 1);
    EXPECT_FALSE(error.empty());
    EXPECT_TRUE(gl3d::viewer_done(v));
    gl3d::close_viewer(&v);
}

}  // namespace
