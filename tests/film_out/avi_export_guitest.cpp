// Recording film pictures to video files: where the name comes from (profile, save dialog,
// "tarvo.avi"), the compression options, and what a failed or cancelled recording leaves
// behind. The files are read back with ffprobe and ffmpeg.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "film_out/avi_export.h"
#include "mw31/backend.h"
#include "mw31/dialogs.h"
#include "video/avi_probe.h"
#include "video/video_file.h"
#include "video/video_test_support.h"

namespace film_out {
namespace {

namespace fs = std::filesystem;
using kvtest::probe_stream;

// A white picture with a black diagonal and a coloured box that moves with n.
std::unique_ptr<mw31::Picture> test_picture(int w, int h, int n) {
    auto p = mw31::create_picture(w, h);
    mw31::Canvas& c = p->canvas();
    c.fill_rect(mw31::Rect{0, 0, w, h}, mw31::Brush{mw31::Rgb{255, 255, 255}});
    c.select_pen(mw31::Pen{mw31::PenStyle::Solid, 1, mw31::Rgb{0, 0, 0}});
    c.move_to(0, 0);
    c.line_to(w - 1, h - 1);
    c.fill_rect(mw31::Rect{n * 4, 4, n * 4 + 10, 14}, mw31::Brush{mw31::Rgb{255, 0, 0}});
    return p;
}

std::string read_all(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

class AviExportTest : public ::testing::Test {
  protected:
    void SetUp() override {
        if (kvtest::tool_path("ffprobe").empty() || kvtest::tool_path("ffmpeg").empty())
            GTEST_SKIP() << "ffprobe/ffmpeg not installed";
        dir = fs::path(::testing::TempDir()) /
              ("avi_export_" + std::to_string(getpid()) + "_" +
               ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir);
        fs::create_directories(dir / "config");
        // The profile of this test only, never the user's.
        setenv("XDG_CONFIG_HOME", (dir / "config").c_str(), 1);
        mw31::clear_dialog_hooks();
        old_cwd = fs::current_path();
    }
    void TearDown() override {
        mw31::clear_dialog_hooks();
        if (!dir.empty()) {
            fs::current_path(old_cwd);
            fs::remove_all(dir);
        }
    }
    void set_profile_name(const std::string& name) {
        mw31::backend()->profile_set(kAviProfileSection, kAviProfileKey, name);
    }
    std::vector<std::string> kinds_shown() const {
        std::vector<std::string> kinds;
        for (const auto& d : mw31::shown_dialogs()) kinds.push_back(d.kind);
        return kinds;
    }
    // Records `count` pictures of w x h; the result of avi_finish. What the recording said
    // (without a terminal, messages go to standard error) goes to `said`.
    int record(AviExport* rec, int count, int w = 96, int h = 64) {
        testing::internal::CaptureStderr();
        for (int i = 0; i < count; ++i) {
            auto p = test_picture(w, h, i);
            avi_add_picture(rec, *p);
        }
        const int result = avi_finish(rec);
        said = testing::internal::GetCapturedStderr();
        return result;
    }
    bool said_failure() const { return said.rfind(kAviFailedMessage, 0) == 0; }
    std::vector<std::string> files() const {
        std::vector<std::string> names;
        for (const auto& e : fs::directory_iterator(dir))
            if (e.path().filename() != "config") names.push_back(e.path().filename());
        std::sort(names.begin(), names.end());
        return names;
    }
    fs::path dir, old_cwd;
    std::string said;
};

TEST_F(AviExportTest, DialogNamesGetTheAviExtensionUnlessTheyAreSharedVideoFormats) {
    EXPECT_EQ(video_name_from_dialog("/v/clip"), "/v/clip.avi");
    EXPECT_EQ(video_name_from_dialog("/v/clip.bmp"), "/v/clip.avi");
    EXPECT_EQ(video_name_from_dialog("/v.d/clip"), "/v.d/clip.avi");
    EXPECT_EQ(video_name_from_dialog("/v/clip.AVI"), "/v/clip.avi");
    EXPECT_EQ(video_name_from_dialog("/v/clip.mp4"), "/v/clip.mp4");
    EXPECT_EQ(video_name_from_dialog("/v/clip.WebM"), "/v/clip.WebM");
    EXPECT_EQ(video_name_from_dialog("/v/clip.gif"), "/v/clip.gif");
}

TEST_F(AviExportTest, ProfileNameIsUsedWithoutSaveDialogAndOverwritesTheFile) {
    const fs::path target = dir / "fixed.avi";
    std::ofstream(target) << "old";
    set_profile_name(target.string());
    AviExport rec;
    ASSERT_EQ(avi_start(&rec), 0);
    EXPECT_EQ(kinds_shown(), (std::vector<std::string>{"choice"})) << "no save dialog";
    EXPECT_EQ(mw31::shown_dialogs()[0].title, kCompressionTitle);
    EXPECT_EQ(record(&rec, 10), 0);
    EXPECT_EQ(said, "");

    const std::string probe = kvtest::ffprobe_streams(target.string());
    auto video = probe_stream(probe, 0);
    EXPECT_EQ(video["codec_name"], "msrle") << probe;  // the preset
    EXPECT_EQ(video["width"], "96");
    EXPECT_EQ(video["height"], "64");
    EXPECT_EQ(video["r_frame_rate"], "15/1");
    EXPECT_EQ(video["nb_read_frames"], "10");
    // The captions "Bild 1" .. "Bild 10" at samples 0, 4, ..., 36.
    const auto captions =
        kvtest::caption_samples(kvtest::read_avi(target.string()), target.string());
    ASSERT_EQ(captions.size(), 10u);
    EXPECT_EQ(captions[9].first, 36u);
    EXPECT_EQ(captions[9].second, std::string("Bild 10", 8));
    EXPECT_EQ(files(), (std::vector<std::string>{"fixed.avi"})) << "no temporary left";
}

TEST_F(AviExportTest, SaveDialogAndCompressionOptionsChooseNameAndCodec) {
    mw31::queue_dialog_answer(
        mw31::CannedAnswer{mw31::BoxAnswer::Ok, {(dir / "clip").string()}, {}});
    mw31::CannedAnswer codec;
    codec.text = "Unkomprimiert 24 Bit / uncompressed 24-bit";
    mw31::queue_dialog_answer(codec);
    AviExport rec;
    ASSERT_EQ(avi_start(&rec), 0);
    EXPECT_EQ(kinds_shown(), (std::vector<std::string>{"save", "choice"}));
    EXPECT_EQ(rec.target.path, (dir / "clip.avi").string());
    EXPECT_EQ(record(&rec, 3), 0);
    auto video = probe_stream(kvtest::ffprobe_streams((dir / "clip.avi").string()), 0);
    EXPECT_EQ(video["codec_name"], "rawvideo");
    EXPECT_EQ(video["nb_read_frames"], "3");

    // Uncompressed 8-bit: the second item.
    mw31::clear_dialog_hooks();
    mw31::queue_dialog_answer(
        mw31::CannedAnswer{mw31::BoxAnswer::Ok, {(dir / "eight.avi").string()}, {}});
    codec.text = "Unkomprimiert 8 Bit / uncompressed 8-bit";
    mw31::queue_dialog_answer(codec);
    ASSERT_EQ(avi_start(&rec), 0);
    EXPECT_EQ(record(&rec, 2), 0);
    const std::string probe8 = kvtest::run_command(
        kvtest::tool_path("ffprobe") +
        " -v error -show_entries stream=codec_name,pix_fmt -of default=noprint_wrappers=1 '" +
        (dir / "eight.avi").string() + "' 2>&1");
    EXPECT_NE(probe8.find("codec_name=rawvideo"), std::string::npos) << probe8;
    EXPECT_NE(probe8.find("pix_fmt=pal8"), std::string::npos) << probe8;
}

TEST_F(AviExportTest, SharedVideoNamesKeepTheirFormatAndSkipTheCompressionOptions) {
    if (!video::video_container_available(video::VideoContainer::kMp4))
        GTEST_SKIP() << "no FFmpeg in this build";
    mw31::queue_dialog_answer(
        mw31::CannedAnswer{mw31::BoxAnswer::Ok, {(dir / "share.mp4").string()}, {}});
    AviExport rec;
    ASSERT_EQ(avi_start(&rec), 0);
    EXPECT_EQ(kinds_shown(), (std::vector<std::string>{"save"}));
    EXPECT_EQ(record(&rec, 5), 0);
    auto video = probe_stream(kvtest::ffprobe_streams((dir / "share.mp4").string()), 0);
    EXPECT_EQ(video["codec_name"], "h264");
    EXPECT_EQ(video["width"], "96");
    EXPECT_EQ(video["nb_read_frames"], "5");
}

TEST_F(AviExportTest, CancelledSaveDialogRecordsToTarvoAviInTheCurrentDirectory) {
    fs::current_path(dir);
    mw31::queue_dialog_answer(mw31::CannedAnswer{mw31::BoxAnswer::Cancel, {}, {}});
    AviExport rec;
    ASSERT_EQ(avi_start(&rec), 0);
    EXPECT_EQ(rec.target.path, "tarvo.avi");
    EXPECT_EQ(record(&rec, 2), 0);
    auto video = probe_stream(kvtest::ffprobe_streams((dir / "tarvo.avi").string()), 0);
    EXPECT_EQ(video["nb_read_frames"], "2");
}

TEST_F(AviExportTest, CancelledCompressionOptionsWriteNothingAndSayNothing) {
    const fs::path target = dir / "keep.avi";
    std::ofstream(target) << "old";
    set_profile_name(target.string());
    mw31::queue_dialog_answer(mw31::CannedAnswer{mw31::BoxAnswer::Cancel, {}, {}});
    AviExport rec;
    testing::internal::CaptureStderr();
    EXPECT_EQ(avi_start(&rec), 1);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    EXPECT_FALSE(rec.active);
    EXPECT_EQ(record(&rec, 1), -1);
    EXPECT_EQ(said, "") << "nothing was started, so nothing fails";
    EXPECT_EQ(read_all(target), "old");
    EXPECT_EQ(files(), (std::vector<std::string>{"keep.avi"}));
}

TEST_F(AviExportTest, RecordingWithoutPicturesFailsWithTheMessageAndWritesNothing) {
    AviExport rec;
    ASSERT_EQ(avi_begin(&rec, AviTarget{(dir / "empty.avi").string()}), 0);
    EXPECT_EQ(record(&rec, 0), -1);
    EXPECT_TRUE(said_failure()) << said;
    EXPECT_TRUE(files().empty());
}

TEST_F(AviExportTest, UnwritableDirectoryFailsWithTheMessage) {
    AviExport rec;
    ASSERT_EQ(avi_begin(&rec, AviTarget{(dir / "missing" / "v.avi").string()}), 0);
    EXPECT_EQ(record(&rec, 3), -1);
    EXPECT_TRUE(said_failure()) << said;
    EXPECT_NE(said.find("missing/v.avi"), std::string::npos) << said;
}

// A full disk, simulated by a file size limit in a child process: the message is given and
// the earlier file is left exactly as it was, with no temporary beside it.
TEST_F(AviExportTest, WriteFailureGivesTheMessageAndKeepsTheEarlierFile) {
    const fs::path target = dir / "earlier.avi";
    const std::string earlier = "an earlier recording";
    std::ofstream(target) << earlier;
    std::vector<std::unique_ptr<mw31::Picture>> pictures;
    for (int i = 0; i < 40; ++i) pictures.push_back(test_picture(320, 240, i));

    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        std::signal(SIGXFSZ, SIG_IGN);  // writes past the limit fail with EFBIG instead
        rlimit limit{64 * 1024, 64 * 1024};
        setrlimit(RLIMIT_FSIZE, &limit);
        AviExport rec;
        avi_begin(&rec, AviTarget{target.string(), video::AviCodec::kRaw24});
        testing::internal::CaptureStderr();
        for (const auto& p : pictures) avi_add_picture(&rec, *p);
        const int finished = avi_finish(&rec);
        const std::string err = testing::internal::GetCapturedStderr();
        int code = finished == -1 ? 0 : 10;
        if (err.rfind(kAviFailedMessage, 0) != 0 || err.find("file too large") == std::string::npos)
            code += 1;
        _exit(code);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << "10: finish did not fail; 1: message missing";
    EXPECT_EQ(read_all(target), earlier);
    EXPECT_EQ(files(), (std::vector<std::string>{"earlier.avi"}));
}

// The window can change size while a recording runs; the video keeps its first size.
TEST_F(AviExportTest, PicturesOfAnotherSizeAreCutOrPaddedToTheFirst) {
    AviExport rec;
    const fs::path target = dir / "sizes.avi";
    ASSERT_EQ(avi_begin(&rec, AviTarget{target.string(), video::AviCodec::kRaw24}), 0);
    auto first = test_picture(64, 48, 0);
    auto wider = mw31::create_picture(80, 40);
    wider->canvas().fill_rect(mw31::Rect{0, 0, 80, 40}, mw31::Brush{mw31::Rgb{0, 0, 255}});
    wider->canvas().fill_rect(mw31::Rect{0, 10, 80, 11}, mw31::Brush{mw31::Rgb{0, 255, 0}});
    EXPECT_EQ(avi_add_picture(&rec, *first), 0);
    EXPECT_EQ(avi_add_picture(&rec, *wider), 0);
    ASSERT_EQ(avi_finish(&rec), 0);
    int status = 0;
    const std::string bgra = kvtest::ffmpeg_decode_bgra(target.string(), &status);
    ASSERT_EQ(status, 0);
    const size_t frame = 64 * 48 * 4;
    ASSERT_EQ(bgra.size(), 2 * frame);
    auto px = [&](int x, int y) {
        const size_t i = frame + (size_t(y) * 64 + size_t(x)) * 4;
        return std::string(bgra, i, 3);
    };
    EXPECT_EQ(px(63, 10), std::string("\x00\xff\x00", 3)) << "the line, cut at the width";
    EXPECT_EQ(px(5, 5), std::string("\xff\x00\x00", 3));
    EXPECT_EQ(px(5, 45), std::string("\xff\x00\x00", 3)) << "padded with the background";
}

}  // namespace
}  // namespace film_out
