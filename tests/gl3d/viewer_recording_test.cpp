// The 3D recording without a window: which frames one pass shows, the file ffprobe and ffmpeg
// see (streams, size, rate, captions, every picture), the playback state kept, and failures
// that leave an earlier file as it was.
#include "gl3d/viewer_recording.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "mw31/dialogs.h"
#include "video/avi_probe.h"
#include "video/msvideo1_encoder.h"

namespace {

using gl3d::Playback;

// Pictures that tell their frame apart: a ground colour and a bar moving with the frame.
std::vector<uint8_t> frame_picture(int frame, int w, int h) {
    std::vector<uint8_t> rows(size_t(w) * size_t(h) * 3);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            uint8_t* p = &rows[(size_t(y) * w + x) * 3];
            const bool bar = x >= 4 * frame && x < 4 * frame + 6;
            p[0] = bar ? 250 : uint8_t(20 * frame);
            p[1] = bar ? 250 : uint8_t(200 - 15 * frame);
            p[2] = uint8_t(2 * y);
        }
    return rows;
}

class FakeSurface final : public gl3d::RecordingSurface {
  public:
    void draw(const Playback& p) override {
        drawn.push_back(p.frame);
        speeds.push_back(p.speed);
        if (p.stopped || p.single_step || p.direction != 1) disturbed = true;
    }
    bool capture(int w, int h, std::vector<uint8_t>* rows) override {
        ++captures;
        if (captures == fail_at || fail_all) return false;
        *rows = frame_picture(drawn.back(), w, h);
        return true;
    }
    std::vector<int> drawn;
    std::vector<double> speeds;
    bool disturbed = false;
    int captures = 0, fail_at = -1;
    bool fail_all = false;
};

Playback playback(int count, double speed) {
    Playback p;
    gl3d::start_playback(&p, count);
    p.speed = speed;
    return p;
}

TEST(RecordingFrames, OnePassFromTheLastFrameOneStepPerPicture) {
    EXPECT_EQ(gl3d::recording_frames(playback(10, 2.0)), (std::vector<int>{1, 3, 5, 7, 9}));
    EXPECT_EQ(gl3d::recording_frames(playback(10, 3.4)), (std::vector<int>{2, 5, 8, 1}));
    EXPECT_EQ(gl3d::recording_frames(playback(4, 0.2)), (std::vector<int>{0, 1, 2, 3}));
    Playback back = playback(5, 1.0);
    back.direction = -1;
    back.frame = 2;
    EXPECT_EQ(gl3d::recording_frames(back), (std::vector<int>{0, 1, 2, 3, 4}))
        << "a recording always plays forwards from the last frame";
    EXPECT_TRUE(gl3d::recording_frames(playback(0, 1.0)).empty());
}

TEST(RecordingSettings, NamesCaptureAreaQuickWindowAndToolbar) {
    EXPECT_EQ(gl3d::recording_name_from_dialog(""), "kelvarinthos.avi");
    EXPECT_EQ(gl3d::recording_name_from_dialog("/v.1/clip"), "/v.1/clip.avi");
    EXPECT_EQ(gl3d::recording_name_from_dialog("/v/clip.mp4"), "/v/clip.mp4");
    EXPECT_TRUE(gl3d::recording_is_avi("/v/clip.AVI"));
    EXPECT_TRUE(gl3d::recording_is_avi("/v/clip.bin"));
    EXPECT_FALSE(gl3d::recording_is_avi("/v/clip.webm"));

    const gl3d::CaptureArea a = gl3d::capture_area(1008, 731, 1.5);
    EXPECT_EQ(a.width, 1512);
    EXPECT_EQ(a.height, 1096);
    EXPECT_EQ(gl3d::capture_area(1008, 731, 0.5).width, 1008) << "below 1.0 counts as 1.0";

    EXPECT_EQ(gl3d::quick_recording_speed(240), 2.0);
    EXPECT_EQ(gl3d::quick_recording_speed(359), 2.0);
    EXPECT_EQ(gl3d::quick_recording_speed(100), 1.0);
    const mw31::Rect q = gl3d::quick_recording_rect(mw31::Rect{30, 40, 1054, 808});
    EXPECT_EQ(q, (mw31::Rect{100, 100, 366, 300}));

    Playback p = playback(10, 1.0);
    p.stopped = true;
    p.single_step = true;
    std::vector<int> ids;
    for (const gl3d::ToolbarButton& b : gl3d::toolbar_after_recording(p, false))
        ids.push_back(b.id);
    EXPECT_EQ(ids, (std::vector<int>{gl3d::kButtonAvi, gl3d::kButtonEnd, gl3d::kButtonGo,
                                     gl3d::kButtonDoubleStep, gl3d::kButtonDirection,
                                     gl3d::kButtonFast, gl3d::kButtonSlow, gl3d::kButtonSave}));
    EXPECT_EQ(gl3d::toolbar_after_recording(playback(3, 1), true)[2].bitmap, "anm_stop");
    EXPECT_EQ(gl3d::toolbar_after_recording(playback(3, 1), true)[7].bitmap, "anm_info");
}

TEST(RecordingSettings, CompressionChoiceOffersVideo1FirstAndCanBeCancelled) {
    mw31::clear_dialog_hooks();
    video::AviCodec codec = video::AviCodec::kMsvc;
    mw31::CannedAnswer raw;
    raw.text = "Unkomprimiert 24 Bit / uncompressed 24-bit";
    mw31::queue_dialog_answer(raw);
    EXPECT_TRUE(gl3d::choose_recording_codec(&codec));
    EXPECT_EQ(codec, video::AviCodec::kRaw24);
    mw31::CannedAnswer cancel;
    cancel.answer = mw31::BoxAnswer::Cancel;
    mw31::queue_dialog_answer(cancel);
    EXPECT_FALSE(gl3d::choose_recording_codec(&codec));
    ASSERT_EQ(mw31::shown_dialogs().size(), 2u);
    EXPECT_EQ(mw31::shown_dialogs()[0].title, gl3d::kRecordCompressionTitle);
    mw31::clear_dialog_hooks();
}

class RecordPass : public testing::Test {
  protected:
    void SetUp() override {
        if (kvtest::tool_path("ffprobe").empty() || kvtest::tool_path("ffmpeg").empty())
            GTEST_SKIP() << "ffprobe/ffmpeg not installed";
        dir_ = std::filesystem::path(testing::TempDir()) /
               ("kv_rec3d_" +
                std::string(testing::UnitTest::GetInstance()->current_test_info()->name()));
        std::filesystem::remove_all(dir_);
        std::filesystem::create_directories(dir_);
    }
    void TearDown() override {
        std::error_code ignored;
        std::filesystem::permissions(dir_, std::filesystem::perms::owner_all,
                                     std::filesystem::perm_options::add, ignored);
        std::filesystem::remove_all(dir_, ignored);
    }
    std::string path(const std::string& name) const { return (dir_ / name).string(); }

    // The decoded frames as R, G, B rows.
    std::vector<std::string> decoded(const std::string& file, int w, int h) {
        int status = 0;
        const std::string all =
            kvtest::run_command(kvtest::tool_path("ffmpeg") + " -v error -i '" + file +
                                    "' -map 0:v -f rawvideo -pix_fmt rgb24 - 2>/dev/null",
                                &status);
        EXPECT_EQ(status, 0);
        const size_t bytes = size_t(w) * size_t(h) * 3;
        std::vector<std::string> out;
        for (size_t at = 0; at + bytes <= all.size(); at += bytes)
            out.push_back(all.substr(at, bytes));
        return out;
    }

    std::filesystem::path dir_;
};

std::string as_text(const std::vector<uint8_t>& v) {
    return std::string(v.begin(), v.end());
}

TEST_F(RecordPass, SpeedTwoOfTenFramesRecordsFramesOneToNineWithTheirCaptions) {
    Playback p = playback(10, 2.0);
    p.stopped = true;
    p.single_step = true;
    p.direction = -1;
    p.frame = 6;
    FakeSurface s;
    const std::string file = path("pass.avi");
    const int w = 42, h = 30;  // rows padded to 128 bytes in the file
    ASSERT_EQ(gl3d::record_pass(&p, &s, {file, video::AviCodec::kRaw24}, w, h), 5);
    // One drawing before the pass, then one per picture, all forwards and running.
    EXPECT_EQ(s.drawn, (std::vector<int>{9, 1, 3, 5, 7, 9}));
    EXPECT_FALSE(s.disturbed);
    EXPECT_EQ(p.speed, 2.0);
    EXPECT_TRUE(p.stopped && p.single_step);
    EXPECT_EQ(p.direction, -1);
    EXPECT_EQ(p.frame, 9) << "the recording leaves the last frame recorded";

    const std::string probe = kvtest::ffprobe_streams(file);
    EXPECT_NE(probe.find("codec_name=rawvideo"), std::string::npos) << probe;
    EXPECT_NE(probe.find("width=42\nheight=30"), std::string::npos) << probe;
    EXPECT_NE(probe.find("r_frame_rate=15/1"), std::string::npos) << probe;
    EXPECT_NE(probe.find("nb_read_frames=5"), std::string::npos) << probe;
    EXPECT_NE(probe.find("codec_type=subtitle"), std::string::npos) << probe;

    const std::vector<std::string> got = decoded(file, w, h);
    ASSERT_EQ(got.size(), 5u);
    for (int i = 0; i < 5; ++i)
        EXPECT_TRUE(got[size_t(i)] == as_text(frame_picture(2 * i + 1, w, h))) << "picture " << i;

    const kvtest::AviFile f = kvtest::read_avi(file);
    ASSERT_EQ(f.error, "");
    ASSERT_EQ(f.stream.size(), 2u);
    EXPECT_EQ(kvtest::le16(f.stream[0].format, 14), 24u);
    const auto captions = kvtest::caption_samples(f, file);
    ASSERT_EQ(captions.size(), 5u);
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(captions[size_t(i)].first, uint32_t(4 * i));
        EXPECT_EQ(captions[size_t(i)].second,
                  "Bild " + std::to_string(i + 1) + std::string(1, '\0'));
    }
}

TEST_F(RecordPass, Video1PicturesDecodeWithinTheCodecsError) {
    if (!video::msvideo1_available()) GTEST_SKIP() << "no Video 1 encoder";
    Playback p = playback(12, 1.0);
    FakeSurface s;
    const std::string file = path("v1.avi");
    const int w = 48, h = 32;
    ASSERT_EQ(gl3d::record_pass(&p, &s, {file, video::AviCodec::kMsvc}, w, h), 12);
    const std::string probe = kvtest::ffprobe_streams(file);
    EXPECT_NE(probe.find("codec_name=msvideo1"), std::string::npos) << probe;
    EXPECT_NE(probe.find("nb_read_frames=12"), std::string::npos) << probe;
    const std::vector<std::string> got = decoded(file, w, h);
    ASSERT_EQ(got.size(), 12u);
    for (int i = 0; i < 12; ++i) {
        const std::vector<uint8_t> want = frame_picture(i, w, h);
        long long sum = 0;
        for (size_t k = 0; k < want.size(); ++k)
            sum += std::abs(int(want[k]) - int(uint8_t(got[size_t(i)][k])));
        // 5 bits a colour and two-colour blocks at the bar's edges.
        EXPECT_LT(double(sum) / double(want.size()), 4.0) << "picture " << i;
    }
}

TEST_F(RecordPass, ACaptureThatFailsRepeatsThePreviousPicture) {
    Playback p = playback(4, 1.0);
    FakeSurface s;
    s.fail_at = 3;  // the third picture
    const std::string file = path("repeat.avi");
    ASSERT_EQ(gl3d::record_pass(&p, &s, {file, video::AviCodec::kRaw24}, 24, 8), 4);
    const std::vector<std::string> got = decoded(file, 24, 8);
    ASSERT_EQ(got.size(), 4u);
    EXPECT_TRUE(got[2] == as_text(frame_picture(1, 24, 8)));
    EXPECT_TRUE(got[3] == as_text(frame_picture(3, 24, 8)));
}

TEST_F(RecordPass, AFailureLeavesTheEarlierFileAsItWasAndSaysSo) {
    const std::string file = path("old.avi");
    std::ofstream(file) << "earlier video";
    Playback p = playback(6, 1.0);
    FakeSurface never;
    never.fail_all = true;
    testing::internal::CaptureStderr();
    EXPECT_EQ(gl3d::record_pass(&p, &never, {file, video::AviCodec::kRaw24}, 16, 16), -1);
    std::string err = testing::internal::GetCapturedStderr();
    EXPECT_NE(err.find(gl3d::kRecordFailedMessage), std::string::npos) << err;
    EXPECT_EQ(kvtest::read_file(file), "earlier video");
    EXPECT_EQ(p.speed, 1.0);

    // A folder that takes no new files (root may write anywhere: then only the message).
    const std::string locked = path("locked");
    std::filesystem::create_directories(locked);
    std::ofstream(locked + "/old.avi") << "earlier video";
    chmod(locked.c_str(), 0555);
    FakeSurface s;
    testing::internal::CaptureStderr();
    const int r = gl3d::record_pass(&p, &s, {locked + "/old.avi", video::AviCodec::kRaw24}, 16, 16);
    err = testing::internal::GetCapturedStderr();
    if (access(locked.c_str(), W_OK) != 0) {
        EXPECT_EQ(r, -1);
        EXPECT_NE(err.find(gl3d::kRecordFailedMessage), std::string::npos) << err;
        EXPECT_EQ(kvtest::read_file(locked + "/old.avi"), "earlier video");
    }
}

}  // namespace
