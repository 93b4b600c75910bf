// --record of a 3D scene without any display: one pass through the offscreen surface, read
// back with ffprobe and ffmpeg; uncompressed pictures equal the --output pictures of the same
// frames (the frames' overlays included), Video 1 pictures come close to them.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "support/program_run.h"
#include "video/avi_probe.h"
#include "video/video_test_support.h"

namespace {

namespace fs = std::filesystem;

const std::string kScene = kvtest::kExamples + "/slidercrank_3d.anm";  // 120 frames

class SceneRecord : public testing::Test {
  protected:
    void SetUp() override {
        if (kvtest::tool_path("ffprobe").empty() || kvtest::tool_path("ffmpeg").empty())
            GTEST_SKIP() << "ffprobe/ffmpeg not installed";
        dir_ = fs::temp_directory_path() /
               ("kv_scene_record_" + std::to_string(getpid()) + "_" +
                testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir_);
        fs::create_directories(dir_ / "tmp");
    }
    void TearDown() override {
        if (!dir_.empty()) fs::remove_all(dir_);
    }
    std::string at(const std::string& name) const { return (dir_ / name).string(); }
    kvtest::ProgramRun run(const std::string& args) const {
        return kvtest::run(args, dir_.string(), (dir_ / "tmp").string());
    }
    std::string decoded_rgb(const std::string& name, const std::string& filter = "") const {
        int status = 0;
        const std::string rgb =
            kvtest::run_command(kvtest::tool_path("ffmpeg") + " -v error -i '" + at(name) + "' " +
                                    filter + " -map 0:v -f rawvideo -pix_fmt rgb24 -",
                                &status);
        EXPECT_EQ(status, 0) << "ffmpeg could not decode " << name;
        return rgb;
    }
    std::string output_rgb(int frame, const std::string& size,
                           const std::string& scene = kScene) const {
        const kvtest::ProgramRun r =
            run(scene + " --output pic.png --frame " + std::to_string(frame) + " --size " + size);
        EXPECT_EQ(r.exit_code, 0) << r.out;
        return decoded_rgb("pic.png");
    }
    fs::path dir_;
};

TEST_F(SceneRecord, UncompressedPassHoldsTheOutputPicturesOfEveryStepsFrame) {
    const kvtest::ProgramRun r =
        run(kScene + " --record v.avi --size 160x120 --codec raw --step 4");
    ASSERT_EQ(r.exit_code, 0) << r.out;
    EXPECT_NE(r.out.find("v.avi: 30 pictures"), std::string::npos) << r.out;
    const std::string probe = kvtest::ffprobe_streams(at("v.avi"));
    auto v = kvtest::probe_stream(probe, 0);
    EXPECT_EQ(v["codec_name"], "rawvideo") << probe;
    EXPECT_EQ(v["width"], "160");
    EXPECT_EQ(v["height"], "120");
    EXPECT_EQ(v["r_frame_rate"], "15/1");
    EXPECT_EQ(v["nb_read_frames"], "30");
    EXPECT_EQ(kvtest::probe_stream(probe, 1)["codec_type"], "subtitle") << probe;

    const std::string all = decoded_rgb("v.avi");
    const size_t bytes = 160 * 120 * 3;
    ASSERT_EQ(all.size(), 30 * bytes);
    // From the last frame by four: frames 3, 7, ... 119.
    for (int picture : {0, 1, 29}) {
        const int frame = 3 + 4 * picture;
        EXPECT_TRUE(all.compare(size_t(picture) * bytes, bytes, output_rgb(frame, "160x120")) == 0)
            << "picture " << picture << " is not frame " << frame;
    }
    EXPECT_FALSE(all.compare(0, bytes, all, bytes, bytes) == 0) << "the pictures do not move";
}

// The gripper's frames carry collision markers, lines, coloured text lines and progress boxes;
// at 400 pixels wide the text lines are drawn too.
TEST_F(SceneRecord, PicturesWithTheFramesOverlaysEqualTheOutputPictures) {
    const std::string gripper = kvtest::kExamples + "/gripper_3d.anm";  // 80 frames
    const kvtest::ProgramRun r =
        run(gripper + " --record g.avi --size 400x300 --codec raw --step 2");
    ASSERT_EQ(r.exit_code, 0) << r.out;
    EXPECT_NE(r.out.find("g.avi: 40 pictures"), std::string::npos) << r.out;
    const std::string all = decoded_rgb("g.avi");
    const size_t bytes = 400 * 300 * 3;
    ASSERT_EQ(all.size(), 40 * bytes);
    // Frames 1, 3, ... 79: frame 33 closes the gripper (two collision markers, the box over
    // its limit), frame 31 shows the box below it, frame 1 only the text lines.
    for (int picture : {0, 15, 16}) {
        const int frame = 1 + 2 * picture;
        EXPECT_TRUE(
            all.compare(size_t(picture) * bytes, bytes, output_rgb(frame, "400x300", gripper)) == 0)
            << "picture " << picture << " is not frame " << frame;
    }
}

TEST_F(SceneRecord, Video1IsTheDefaultAndComesCloseToTheOutputPictures) {
    const kvtest::ProgramRun r = run(kScene + " --record v.avi --size 162x121 --step 40");
    ASSERT_EQ(r.exit_code, 0) << r.out;
    EXPECT_NE(r.out.find("v.avi: 3 pictures"), std::string::npos) << r.out;
    auto v = kvtest::probe_stream(kvtest::ffprobe_streams(at("v.avi")), 0);
    EXPECT_EQ(v["codec_name"], "msvideo1");
    EXPECT_EQ(v["width"], "164");
    EXPECT_EQ(v["height"], "124");
    EXPECT_EQ(v["nb_read_frames"], "3");
    // The stream's extra columns and rows are cut away for the comparison.
    const std::string all = decoded_rgb("v.avi", "-vf crop=162:121:0:0");
    const size_t bytes = 162 * 121 * 3;
    ASSERT_EQ(all.size(), 3 * bytes);
    for (int picture = 0; picture < 3; ++picture) {
        const std::string want = output_rgb(39 + 40 * picture, "162x121");
        ASSERT_EQ(want.size(), bytes);
        long long sum = 0;
        for (size_t k = 0; k < bytes; ++k)
            sum += std::abs(int(uint8_t(want[k])) - int(uint8_t(all[size_t(picture) * bytes + k])));
        EXPECT_LT(double(sum) / double(bytes), 4.0) << "picture " << picture;
    }
}

TEST_F(SceneRecord, AFolderThatCannotBeWrittenEndsWithTheMessage) {
    const kvtest::ProgramRun r = run(kScene + " --record missing/v.avi --size 64x48");
    EXPECT_NE(r.exit_code, 0);
    EXPECT_NE(r.out.find("AVI-Datei konnte nicht erzeugt werden / Could not generate AVI file"),
              std::string::npos)
        << r.out;
    EXPECT_FALSE(fs::exists(at("missing")));
}

}  // namespace
