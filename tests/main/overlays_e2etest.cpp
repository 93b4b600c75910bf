// --output --grid --measure on the four-bar example: the grid's grey and the measurement's
// line appear in the picture, and a bad --measure is refused.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "support/program_run.h"

namespace {

namespace fs = std::filesystem;
using kvtest::run;

struct Rgb24 {
    int width = 0, height = 0;
    std::string bytes;
    bool at(int x, int y, uint8_t r, uint8_t g, uint8_t b) const {
        const size_t i = 3 * (size_t(y) * size_t(width) + size_t(x));
        return uint8_t(bytes[i]) == r && uint8_t(bytes[i + 1]) == g && uint8_t(bytes[i + 2]) == b;
    }
    int count(uint8_t r, uint8_t g, uint8_t b) const {
        int n = 0;
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x) n += at(x, y, r, g, b);
        return n;
    }
};

// The PNG decoded by ffmpeg, another program than the one that wrote it.
Rgb24 decode(const fs::path& png, int width, int height) {
    const fs::path raw = png.string() + ".rgb";
    kvtest::run_shell("ffmpeg -v error -y -i '" + png.string() + "' -f rawvideo -pix_fmt rgb24 '" +
                      raw.string() + "'");
    return Rgb24{width, height, kvtest::slurp(raw.string())};
}

class OverlayProgram : public ::testing::Test {
  protected:
    fs::path dir;
    void SetUp() override {
        dir = fs::temp_directory_path() / ("kv_overlays_e2e_" + std::to_string(getpid()));
        fs::remove_all(dir);
        fs::create_directories(dir);
    }
    void TearDown() override { fs::remove_all(dir); }
};

TEST_F(OverlayProgram, GridAndMeasurementAppearInTheOutputPicture) {
    if (kvtest::run_shell("ffmpeg -version").exit_code != 0) GTEST_SKIP() << "no ffmpeg";
    const std::string film = kvtest::kExamples + "/fourbar_anmneu.anm";
    const fs::path plain = dir / "plain.png", decorated = dir / "decorated.png";
    const auto p = run(film + " --output " + plain.string() + " --frame 10");
    ASSERT_EQ(p.exit_code, 0) << p.out;
    const auto d =
        run(film + " --output " + decorated.string() + " --frame 10 --grid --measure 0,0,100,50");
    ASSERT_EQ(d.exit_code, 0) << d.out;
    const Rgb24 a = decode(plain, 800, 600), b = decode(decorated, 800, 600);
    ASSERT_EQ(a.bytes.size(), 800u * 600 * 3);
    ASSERT_EQ(b.bytes.size(), a.bytes.size());

    // Grid lines every 10 units (about 30 pixels) across the whole picture.
    EXPECT_EQ(a.count(128, 128, 128), 0);
    EXPECT_GT(b.count(128, 128, 128), 20000);

    // The joining line from (0, 0) at pixel (216, 375) to (100, 50) at (504, 230) (the drawing
    // area is 750 wide) is drawn in colour 2: red only in the decorated picture.
    auto red_near = [](const Rgb24& img, int x, int y) {
        for (int dy = -1; dy <= 1; ++dy)
            for (int dx = -1; dx <= 1; ++dx)
                if (img.at(x + dx, y + dy, 255, 0, 0)) return true;
        return false;
    };
    for (const auto& [x, y] :
         std::vector<std::pair<int, int>>{{300, 333}, {360, 302}, {450, 257}}) {
        EXPECT_FALSE(red_near(a, x, y)) << x << "," << y;
        EXPECT_TRUE(red_near(b, x, y)) << x << "," << y;
    }

    const auto bad = run(film + " --output " + (dir / "bad.png").string() + " --measure 0,0,100");
    EXPECT_NE(bad.exit_code, 0);
    EXPECT_NE(bad.out.find("--measure needs X1,Y1,X2,Y2"), std::string::npos) << bad.out;
    EXPECT_FALSE(fs::exists(dir / "bad.png"));
}

}  // namespace
