// Video files chosen by name: .mp4, .webm and .gif through FFmpeg, checked with ffprobe and
// by decoding with ffmpeg; failures and cancelling leave an earlier file as it was.
#include "video/video_file.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "video/ffmpeg_writer.h"
#include "video_test_support.h"

namespace {

using kvtest::film_frame;
using kvtest::Frame;
using kvtest::probe_stream;
using video::VideoContainer;

TEST(VideoContainer, ChosenByTheExtensionInAnyCase) {
    EXPECT_EQ(video::video_container_for("a/b.avi"), VideoContainer::kAvi);
    EXPECT_EQ(video::video_container_for("B.AVI"), VideoContainer::kAvi);
    EXPECT_EQ(video::video_container_for("x.Mp4"), VideoContainer::kMp4);
    EXPECT_EQ(video::video_container_for("x.webm"), VideoContainer::kWebm);
    EXPECT_EQ(video::video_container_for("x.gif"), VideoContainer::kGif);
    EXPECT_EQ(video::video_container_for("x.mkv"), VideoContainer::kUnknown);
    EXPECT_EQ(video::video_container_for("dir.avi/file"), VideoContainer::kUnknown);
    EXPECT_EQ(video::video_container_for("noext"), VideoContainer::kUnknown);
}

class VideoFileTest : public kvtest::VideoDirTest {
  protected:
    void SetUp() override {
        kvtest::VideoDirTest::SetUp();
        if (IsSkipped()) return;
        if (!video::ffmpeg_available()) GTEST_SKIP() << "built without FFmpeg's libraries";
    }

    std::vector<Frame> frames(int w, int h, int n) const {
        std::vector<Frame> out;
        for (int i = 0; i < n; ++i) out.push_back(film_frame(w, h, i));
        return out;
    }

    void write(const std::string& file, int w, int h, const std::vector<Frame>& pictures) {
        video::AviOptions o;
        o.width = w;
        o.height = h;
        std::unique_ptr<video::VideoWriter> writer;
        video::Result r = video::video_create(file, o, &writer);
        ASSERT_TRUE(r.ok()) << r.message;
        for (const Frame& f : pictures) {
            r = writer->add_picture(f.view());
            ASSERT_TRUE(r.ok()) << r.message;
        }
        r = writer->finish();
        ASSERT_TRUE(r.ok()) << r.message;
    }

    // Mean difference per colour channel between decoded frame `i` (coded size cw × ch)
    // and the top-left part of that size of `f`.
    static double mean_error(const std::string& decoded, int cw, int ch, int i, const Frame& f) {
        const std::string want = f.bgra();
        double sum = 0;
        size_t base = size_t(i) * size_t(cw) * size_t(ch) * 4;
        for (int y = 0; y < f.height; ++y)
            for (int x = 0; x < f.width; ++x)
                for (int c = 0; c < 3; ++c)
                    sum += std::abs(int(uint8_t(decoded[base + (size_t(y) * cw + x) * 4 + c])) -
                                    int(uint8_t(want[(size_t(y) * f.width + x) * 4 + c])));
        return sum / (3.0 * f.width * f.height);
    }

    // Lossy codecs: every frame close to its own picture and clearly farther from others.
    void expect_close(const std::string& file, int cw, int ch, const std::vector<Frame>& pictures) {
        int status = 0;
        std::string got = kvtest::ffmpeg_decode_bgra(file, &status);
        ASSERT_EQ(status, 0);
        ASSERT_EQ(got.size(), size_t(cw) * ch * 4 * pictures.size());
        for (size_t i = 0; i < pictures.size(); ++i) {
            double own = mean_error(got, cw, ch, int(i), pictures[i]);
            double other = mean_error(got, cw, ch, int(i), pictures[(i + 7) % pictures.size()]);
            // Thin coloured lines lose some colour to 4:2:0; a wrong frame is far worse.
            EXPECT_LT(own, 12.0) << "frame " << i;
            EXPECT_GT(other, 2 * own + 1) << "frame " << i << " looks like another picture";
        }
    }
};

TEST_F(VideoFileTest, Mp4IsH264AtTheFrameRateAndFollowsThePictures) {
    std::vector<Frame> pics = frames(64, 48, 20);
    write(path("film.mp4"), 64, 48, pics);
    auto v = probe_stream(kvtest::ffprobe_streams(path("film.mp4")), 0);
    EXPECT_EQ(v["codec_name"], "h264");
    EXPECT_EQ(v["width"], "64");
    EXPECT_EQ(v["height"], "48");
    EXPECT_EQ(v["r_frame_rate"], "15/1");
    EXPECT_EQ(v["nb_read_frames"], "20");
    expect_close(path("film.mp4"), 64, 48, pics);
    EXPECT_EQ(entries(), std::vector<std::string>{"film.mp4"});
}

TEST_F(VideoFileTest, Mp4OfOddSizeRepeatsTheLastColumnAndRow) {
    std::vector<Frame> pics = frames(37, 23, 16);
    write(path("odd.mp4"), 37, 23, pics);
    auto v = probe_stream(kvtest::ffprobe_streams(path("odd.mp4")), 0);
    EXPECT_EQ(v["width"], "38");
    EXPECT_EQ(v["height"], "24");
    EXPECT_EQ(v["nb_read_frames"], "16");
    expect_close(path("odd.mp4"), 38, 24, pics);
}

TEST_F(VideoFileTest, WebmIsVp9OfTheOwnSize) {
    std::vector<Frame> pics = frames(37, 23, 16);
    write(path("film.webm"), 37, 23, pics);
    auto v = probe_stream(kvtest::ffprobe_streams(path("film.webm")), 0);
    EXPECT_EQ(v["codec_name"], "vp9");
    EXPECT_EQ(v["width"], "37");
    EXPECT_EQ(v["height"], "23");
    EXPECT_EQ(v["nb_read_frames"], "16");
    expect_close(path("film.webm"), 37, 23, pics);
}

TEST_F(VideoFileTest, FlatColoursKeepTheirHueInMp4AndWebm) {
    // Wide areas must come back in their colour: catches swapped channels or a wrong range.
    for (const char* name : {"flat.mp4", "flat.webm"}) {
        SCOPED_TRACE(name);
        std::vector<Frame> pics;
        for (uint32_t c : {0xffc82828u, 0xff28c828u, 0xff2828c8u, 0xffffa500u})
            pics.push_back(Frame{32, 32, std::vector<uint32_t>(32 * 32, c)});
        write(path(name), 32, 32, pics);
        int status = 0;
        std::string got = kvtest::ffmpeg_decode_bgra(path(name), &status);
        ASSERT_EQ(got.size(), 4u * 32 * 32 * 4);
        for (size_t i = 0; i < pics.size(); ++i) {
            std::string want = pics[i].bgra();
            for (int c = 0; c < 3; ++c)
                EXPECT_NEAR(int(uint8_t(got[i * 4096 + 16 * 32 * 4 + 16 * 4 + c])),
                            int(uint8_t(want[c])), 6)
                    << "picture " << i << " channel " << c;
        }
    }
}

TEST_F(VideoFileTest, GifKeepsEveryPixelOfFewColours) {
    std::vector<Frame> pics = frames(37, 23, 12);
    write(path("film.gif"), 37, 23, pics);
    auto v = probe_stream(kvtest::ffprobe_streams(path("film.gif")), 0);
    EXPECT_EQ(v["codec_name"], "gif");
    EXPECT_EQ(v["width"], "37");
    EXPECT_EQ(v["height"], "23");
    EXPECT_EQ(v["nb_read_frames"], "12");
    std::vector<std::string> expected;
    for (const Frame& f : pics) expected.push_back(f.bgra());
    expect_decoded(path("film.gif"), expected);
}

TEST_F(VideoFileTest, AviByNameAndUnknownNames) {
    write(path("film.AVI"), 16, 16, frames(16, 16, 2));
    EXPECT_EQ(kvtest::read_avi(path("film.AVI")).error, "");
    video::AviOptions o;
    o.width = 16;
    o.height = 16;
    std::unique_ptr<video::VideoWriter> w;
    video::Result r = video::video_create(path("film.mkv"), o, &w);
    EXPECT_EQ(r.code, video::kUnsupported);
    EXPECT_NE(r.message.find(".mp4"), std::string::npos) << r.message;
    EXPECT_EQ(w, nullptr);
    o.width = 0;
    EXPECT_EQ(video::video_create(path("film.mp4"), o, &w).code, video::kBadArgument);
    EXPECT_EQ(entries(), std::vector<std::string>{"film.AVI"});
}

TEST_F(VideoFileTest, FailuresAndCancellingKeepTheEarlierFile) {
    for (const char* name : {"keep.mp4", "keep.webm", "keep.gif"}) {
        SCOPED_TRACE(name);
        write_bytes(name, "earlier recording");
        // A file size limit hit while encoding, as on a full disk.
        pid_t pid = fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            signal(SIGXFSZ, SIG_IGN);
            struct rlimit lim = {20 * 1024, 20 * 1024};
            setrlimit(RLIMIT_FSIZE, &lim);
            video::AviOptions o;
            o.width = 160;
            o.height = 120;
            std::unique_ptr<video::VideoWriter> w;
            video::Result r = video::video_create(path(name), o, &w);
            for (int i = 0; r.ok() && i < 30; ++i)
                r = w->add_picture(kvtest::noise_frame(160, 120, unsigned(i)).view());
            if (r.ok()) r = w->finish();
            _exit(r.ok() ? 100 : r.code);
        }
        int status = 0;
        ASSERT_EQ(waitpid(pid, &status, 0), pid);
        ASSERT_TRUE(WIFEXITED(status));
        EXPECT_EQ(WEXITSTATUS(status), video::kTooLarge);
        EXPECT_EQ(kvtest::read_file(path(name)), "earlier recording");

        video::AviOptions o;
        o.width = 16;
        o.height = 16;
        std::unique_ptr<video::VideoWriter> w;
        ASSERT_TRUE(video::video_create(path(name), o, &w).ok());
        ASSERT_TRUE(w->add_picture(film_frame(16, 16, 0).view()).ok());
        EXPECT_EQ(w->add_picture(film_frame(17, 16, 0).view()).code, video::kBadArgument);
        w->cancel();
        EXPECT_EQ(w->finish().code, video::kCancelled);
        w.reset();
        EXPECT_EQ(kvtest::read_file(path(name)), "earlier recording");
        EXPECT_EQ(entries(), std::vector<std::string>{name});
        std::filesystem::remove(path(name));
    }
}

}  // namespace
