// Runs the built program's --record on the example films and reads the videos back with
// ffprobe and ffmpeg: codec, size, frame count, and for the lossless codecs every pixel of a
// frame against the --output picture of the same frame.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "support/program_run.h"
#include "video/avi_probe.h"
#include "video/video_test_support.h"

namespace {

namespace fs = std::filesystem;

using kvtest::kExamples;
using kvtest::ProgramRun;
const std::string kLineFilm = kExamples + "/fourbar_binary.anm";  // 72 frames
const std::string kAnmneu = kExamples + "/slidercrank_anmneu.anm";

class RecordProgram : public ::testing::Test {
  protected:
    fs::path dir;
    void SetUp() override {
        if (kvtest::tool_path("ffprobe").empty() || kvtest::tool_path("ffmpeg").empty())
            GTEST_SKIP() << "ffprobe/ffmpeg not installed";
        dir = fs::temp_directory_path() /
              ("kv_record_e2e_" + std::to_string(getpid()) + "_" +
               ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir);
        fs::create_directories(dir / "tmp");
    }
    void TearDown() override {
        if (!dir.empty()) fs::remove_all(dir);
    }
    std::string at(const std::string& name) const { return (dir / name).string(); }
    ProgramRun run(const std::string& args) const {
        return kvtest::run(args, dir.string(), (dir / "tmp").string());
    }
    std::map<std::string, std::string> video_stream(const std::string& name) const {
        return kvtest::probe_stream(kvtest::ffprobe_streams(at(name)), 0);
    }
    // Frames as ffmpeg decodes them, R, G, B bytes, one after the other.
    std::string decoded_rgb(const std::string& name) const {
        int status = 0;
        const std::string rgb =
            kvtest::run_command(kvtest::tool_path("ffmpeg") + " -v error -i '" + at(name) +
                                    "' -map 0:v -f rawvideo -pix_fmt rgb24 -",
                                &status);
        EXPECT_EQ(status, 0) << "ffmpeg could not decode " << name;
        return rgb;
    }
    // The film's --output picture of `frame` at the size, decoded the same way.
    std::string picture_rgb(const std::string& film, const std::string& options) const {
        const ProgramRun r = run(film + " --output pic.png " + options);
        EXPECT_EQ(r.exit_code, 0) << r.out;
        return decoded_rgb("pic.png");
    }
    // Where two frames differ first, for a readable failure.
    static std::string first_difference(const std::string& a, const std::string& b, int width) {
        if (a.size() != b.size())
            return "sizes " + std::to_string(a.size()) + " and " + std::to_string(b.size());
        for (size_t i = 0; i < a.size(); ++i)
            if (a[i] != b[i])
                return "pixel " + std::to_string(i / 3 % size_t(width)) + ", " +
                       std::to_string(i / 3 / size_t(width));
        return "";
    }
};

TEST_F(RecordProgram, LineFilmPassInEveryAviCodecHoldsTheFramesOfOutputPictures) {
    const int w = 320, h = 240;
    const size_t frame_bytes = size_t(w) * h * 3;
    // One pass at step 3 from frame 1: frames 1, 4, ..., 70.
    const std::vector<int> shown = {1, 4, 22, 70};
    std::vector<std::string> expected;
    for (int f : shown)
        expected.push_back(picture_rgb(kLineFilm, "--size 320x240 --frame " + std::to_string(f)));
    const std::pair<const char*, const char*> codecs[] = {
        {"rle8", "msrle"}, {"raw", "rawvideo"}, {"raw24", "rawvideo"}};
    for (const auto& [codec, name] : codecs) {
        SCOPED_TRACE(codec);
        const ProgramRun r =
            run(kLineFilm + " --record v.avi --size 320x240 --step 3 --codec " + codec);
        ASSERT_EQ(r.exit_code, 0) << r.out;
        auto video = video_stream("v.avi");
        EXPECT_EQ(video["codec_name"], name);
        EXPECT_EQ(video["width"], "320");
        EXPECT_EQ(video["height"], "240");
        EXPECT_EQ(video["r_frame_rate"], "15/1");
        EXPECT_EQ(video["nb_read_frames"], "24");
        const std::string rgb = decoded_rgb("v.avi");
        ASSERT_EQ(rgb.size(), 24 * frame_bytes);
        for (size_t k = 0; k < shown.size(); ++k) {
            const std::string got = rgb.substr(size_t(shown[k] - 1) / 3 * frame_bytes, frame_bytes);
            EXPECT_EQ(first_difference(got, expected[k], w), "") << "frame " << shown[k];
        }
        // The captions name the pictures.
        const auto captions = kvtest::caption_samples(kvtest::read_avi(at("v.avi")), at("v.avi"));
        ASSERT_EQ(captions.size(), 24u);
        EXPECT_EQ(captions[23].second, std::string("Bild 24", 8));
    }
}

TEST_F(RecordProgram, AnmneuPassWithInBetweenPicturesMatchesOutputPictures) {
    const int w = 200, h = 160;
    const size_t frame_bytes = size_t(w) * h * 3;
    const ProgramRun info = run(kAnmneu + " --info");
    ASSERT_EQ(info.exit_code, 0) << info.out;
    const size_t at_frames = info.out.find("frames: ");
    ASSERT_NE(at_frames, std::string::npos);
    const int frames = std::stoi(info.out.substr(at_frames + 8));

    // With the factor 10 every frame gets ten pictures; the step does not count then.
    ProgramRun r = run(kAnmneu + " --record v.avi --size 200x160 --phi 10 --step 4");
    ASSERT_EQ(r.exit_code, 0) << r.out;
    auto video = video_stream("v.avi");
    EXPECT_EQ(video["codec_name"], "msrle");
    EXPECT_EQ(video["nb_read_frames"], std::to_string(10 * frames));
    const std::string rgb = decoded_rgb("v.avi");
    ASSERT_EQ(rgb.size(), size_t(10 * frames) * frame_bytes);
    const std::string expected =
        picture_rgb(kAnmneu, "--size 200x160 --frame 3 --phi 10 --substep 7");
    EXPECT_EQ(first_difference(rgb.substr(37 * frame_bytes, frame_bytes), expected, w), "");

    // Factor 1 and step 5 from frame 0.
    r = run(kAnmneu + " --record v.avi --size 200x160 --step 5 --codec raw");
    ASSERT_EQ(r.exit_code, 0) << r.out;
    EXPECT_EQ(video_stream("v.avi")["nb_read_frames"], std::to_string((frames + 4) / 5));
    const std::string raw = decoded_rgb("v.avi");
    EXPECT_EQ(first_difference(raw.substr(2 * frame_bytes, frame_bytes),
                               picture_rgb(kAnmneu, "--size 200x160 --frame 10"), w),
              "");
}

TEST_F(RecordProgram, SharedVideoFormatsHaveTheFramesAndSize) {
    ProgramRun r = run(kLineFilm + " --record v.mp4 --size 322x240 --step 6");
    if (r.out.find("no FFmpeg") != std::string::npos) GTEST_SKIP() << "no FFmpeg in this build";
    ASSERT_EQ(r.exit_code, 0) << r.out;
    auto mp4 = video_stream("v.mp4");
    EXPECT_EQ(mp4["codec_name"], "h264");
    EXPECT_EQ(mp4["width"], "322");
    EXPECT_EQ(mp4["nb_read_frames"], "12");  // 1, 7, ..., 67
    r = run(kAnmneu + " --record v.gif --size 160x120 --step 8");
    ASSERT_EQ(r.exit_code, 0) << r.out;
    auto gif = video_stream("v.gif");
    EXPECT_EQ(gif["codec_name"], "gif");
    EXPECT_EQ(gif["height"], "120");
}

TEST_F(RecordProgram, FailuresEndWithAMessageAndLeaveTheEarlierFile) {
    ProgramRun r = run(kLineFilm + " --record missing/v.avi --size 64x48");
    EXPECT_NE(r.exit_code, 0);
    EXPECT_NE(r.out.find("Could not generate AVI file"), std::string::npos) << r.out;

    r = run(kLineFilm + " --record v.avi --codec mjpeg");
    EXPECT_NE(r.exit_code, 0);
    EXPECT_NE(r.out.find("--codec needs raw, rle8, raw24 or msvc"), std::string::npos) << r.out;
    r = run(kLineFilm + " --record v.avi --step 0");
    EXPECT_NE(r.exit_code, 0);
    EXPECT_NE(r.out.find("--step"), std::string::npos) << r.out;
    EXPECT_FALSE(fs::exists(at("v.avi")));

    // A full disk: the file size limit of the shell, its signal ignored so writes fail.
    std::ofstream(at("v.avi")) << "earlier";
    const std::string cmd =
        "cd '" + dir.string() + "' && trap '' XFSZ && ulimit -f 100 && TMPDIR='" +
        (dir / "tmp").string() + "' QT_QPA_PLATFORM=offscreen " + kvtest::kProgram + " " +
        kLineFilm + " --record v.avi --codec raw24 --size 400x300 2>&1";
    int status = 0;
    const std::string out = kvtest::run_command("bash -c \"" + cmd + "\"", &status);
    EXPECT_NE(status, 0) << out;
    EXPECT_NE(out.find("Could not generate AVI file"), std::string::npos) << out;
    EXPECT_EQ(kvtest::slurp(at("v.avi")), "earlier");
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(dir)) names.push_back(e.path().filename());
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"tmp", "v.avi"})) << "no temporary left beside it";
}

// A film whose last frame repeats its first (the cycle closed by a repeated frame) records
// one picture less, so that the video loops without showing that position twice; a film that
// ends before closing keeps all its pictures. The first decoded picture of the loop follows
// the last as any picture follows the one before.
TEST_F(RecordProgram, PassesThatCloseTheirCycleLoopWithoutARepeatedPicture) {
    const auto film = [&](bool closed) {
        std::string text =
            "ANMNEU\n1\n5\n-65\n65\n-50\n50\n--- Symbol-Dateien ---\n"
            "begin 1\nKurbel\n-\nrot\nm 0 0\nd 40 0\nend\n";
        for (int i = 0; i < 5; ++i) {
            // Closed: frame 4 stands where frame 0 does, a whole turn further.
            const double phi = (closed ? 2 * M_PI / 4 : 2 * M_PI / 5) * i;
            text += "#" + std::to_string(i) + "\n0 0 " + std::to_string(phi) + "\n";
        }
        const std::string name = at(closed ? "closed.anm" : "open.anm");
        std::ofstream(name, std::ios::binary) << text;
        return name;
    };
    ProgramRun r = run(film(true) + " --record c.avi --size 160x120 --codec raw");
    ASSERT_EQ(r.exit_code, 0) << r.out;
    EXPECT_EQ(video_stream("c.avi")["nb_read_frames"], "4");
    r = run(film(false) + " --record o.avi --size 160x120 --codec raw");
    ASSERT_EQ(r.exit_code, 0) << r.out;
    EXPECT_EQ(video_stream("o.avi")["nb_read_frames"], "5");

    const size_t frame_bytes = 160 * 120 * 3;
    const std::string rgb = decoded_rgb("c.avi");
    ASSERT_EQ(rgb.size(), 4 * frame_bytes);
    const auto picture = [&](size_t k) { return rgb.substr(k * frame_bytes, frame_bytes); };
    EXPECT_NE(picture(3), picture(0));
    // A quarter turn after the last picture comes the first, as a quarter turn after the
    // first comes the second: the two steps differ in as many pixels.
    const auto changed = [](const std::string& a, const std::string& b) {
        size_t n = 0;
        for (size_t i = 0; i < a.size(); ++i) n += a[i] != b[i];
        return n;
    };
    const double wrap = double(changed(picture(3), picture(0)));
    const double step = double(changed(picture(0), picture(1)));
    EXPECT_NEAR(wrap / step, 1.0, 0.1);
}

TEST_F(RecordProgram, StampWritesTheFrameIntoTheCorner) {
    ProgramRun r = run(kAnmneu + " --record plain.avi --size 200x160 --step 20 --codec raw24");
    ASSERT_EQ(r.exit_code, 0) << r.out;
    r = run(kAnmneu + " --record stamped.avi --size 200x160 --step 20 --codec raw24 --stamp");
    ASSERT_EQ(r.exit_code, 0) << r.out;
    const std::string plain = decoded_rgb("plain.avi"), stamped = decoded_rgb("stamped.avi");
    ASSERT_EQ(plain.size(), stamped.size());
    // Only the top rows change: the stamp stays in its corner.
    const size_t row = 200 * 3, frame_bytes = 160 * row;
    size_t top = 0, below = 0;
    for (size_t i = 0; i < plain.size(); ++i)
        if (plain[i] != stamped[i]) ++(i % frame_bytes < 40 * row ? top : below);
    EXPECT_GT(top, 100u);
    EXPECT_EQ(below, 0u);
}

}  // namespace
