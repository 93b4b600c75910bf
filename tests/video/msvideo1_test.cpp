// Video 1 AVI files as ffprobe and ffmpeg see them: the stream's coded size, key frames every
// interval, and every decoded picture close to the one we gave, flat colours nearly exact.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <string>
#include <vector>

#include "avi_probe.h"
#include "video/avi_writer.h"
#include "video/msvideo1_encoder.h"
#include "video_test_support.h"

namespace {

using kvtest::Frame;
using kvtest::probe_stream;
using video::AviCodec;
using video::AviOptions;

// A lit ball moving over a dark ground, as the 3D window shows bodies: smooth shading, edges.
Frame shaded_frame(int w, int h, int n) {
    Frame f{w, h, std::vector<uint32_t>(size_t(w) * size_t(h), 0xff202840u)};
    const double cx = w * (0.3 + 0.04 * n), cy = h * 0.5, r = h * 0.35;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const double dx = (x - cx) / r, dy = (y - cy) / r, d = dx * dx + dy * dy;
            if (d > 1) continue;
            const double light = 0.3 + 0.7 * std::sqrt(1 - d) * (0.6 - 0.4 * dx);
            const auto c = [&](double k) { return uint32_t(std::lround(255 * std::min(1.0, k))); };
            f.px[size_t(y) * w + x] = 0xff000000u | c(light) << 16 | c(light * 0.6) << 8 | c(0.2);
        }
    return f;
}

class Msvideo1Test : public kvtest::VideoDirTest {
  protected:
    void SetUp() override {
        kvtest::VideoDirTest::SetUp();
        if (IsSkipped()) return;
        if (!video::msvideo1_available()) GTEST_SKIP() << "no Video 1 encoder in this build";
    }

    void write(const std::string& file, const AviOptions& o, const std::vector<Frame>& frames) {
        std::unique_ptr<video::VideoWriter> w;
        video::Result r = video::avi_create(file, o, &w);
        ASSERT_TRUE(r.ok()) << r.message;
        for (const Frame& f : frames) ASSERT_TRUE(w->add_picture(f.view()).ok());
        r = w->finish();
        ASSERT_TRUE(r.ok()) << r.message;
    }

    // Decoded frames at the stream's coded size, as B, G, R, A.
    std::vector<std::string> decoded(const std::string& file, int cw, int ch, size_t count) {
        int status = 0;
        const std::string all = kvtest::ffmpeg_decode_bgra(file, &status);
        EXPECT_EQ(status, 0);
        const size_t bytes = size_t(cw) * size_t(ch) * 4;
        EXPECT_EQ(all.size(), bytes * count);
        std::vector<std::string> out;
        for (size_t i = 0; i < count && (i + 1) * bytes <= all.size(); ++i)
            out.push_back(all.substr(i * bytes, bytes));
        return out;
    }
};

struct Difference {
    double mean = 0;  // per channel
    int max = 0;
    double far = 0;  // share of channel values off by more than 16
};

// Over the picture's own area of a decoded frame `cw` pixels wide.
Difference difference(const Frame& f, const std::string& bgra, int cw) {
    Difference d;
    long long sum = 0;
    for (int y = 0; y < f.height; ++y)
        for (int x = 0; x < f.width; ++x) {
            const uint32_t c = f.px[size_t(y) * f.width + x];
            const size_t at = (size_t(y) * cw + x) * 4;
            for (int k = 0; k < 3; ++k) {
                const int e = std::abs(int((c >> (8 * k)) & 0xff) - int(uint8_t(bgra[at + k])));
                sum += e;
                d.max = std::max(d.max, e);
                d.far += e > 16;
            }
        }
    d.mean = double(sum) / (3.0 * f.width * f.height);
    d.far /= 3.0 * f.width * f.height;
    return d;
}

TEST_F(Msvideo1Test, OddSizedPicturesGoIntoACodedSizeOfWholeBlocksAndDecodeClose) {
    // Coded 64 x 132, in bands of whole block rows on a machine of more than one processor.
    const int w = 61, h = 130;
    AviOptions o;
    o.codec = AviCodec::kMsvc;
    o.width = w;
    o.height = h;
    o.key_interval = 4;
    std::vector<Frame> frames;
    for (int i = 0; i < 10; ++i) frames.push_back(shaded_frame(w, h, i));
    const std::string file = path("ball.avi");
    write(file, o, frames);
    EXPECT_EQ(entries(), std::vector<std::string>{"ball.avi"});

    const std::string probe = kvtest::ffprobe_streams(file);
    auto v = probe_stream(probe, 0);
    EXPECT_EQ(v["codec_name"], "msvideo1") << probe;
    EXPECT_EQ(v["width"], "64");
    EXPECT_EQ(v["height"], "132");
    EXPECT_EQ(v["r_frame_rate"], "15/1");
    EXPECT_EQ(v["nb_read_frames"], "10");
    EXPECT_EQ(probe_stream(probe, 1)["codec_type"], "subtitle") << probe;

    kvtest::AviFile f = kvtest::read_avi(file);
    ASSERT_EQ(f.error, "");
    ASSERT_EQ(f.stream.size(), 2u);
    EXPECT_EQ(f.stream[0].handler, "msvc");
    EXPECT_EQ(kvtest::le16(f.stream[0].format, 14), 16u);
    EXPECT_EQ(f.stream[0].format.substr(16, 4), "MSVC");
    EXPECT_EQ(std::vector<int>(f.stream[1].rect, f.stream[1].rect + 4),
              (std::vector<int>{0, 132, 64, 152}));
    // Key frames at 0, 4 and 8; the ball moves over a still ground, so the pictures between
    // skip blocks and are not key frames.
    std::vector<int> keys;
    int video_entry = 0;
    for (const auto& e : f.idx1)
        if (e.id == "00dc" && (e.flags & 0x10))
            keys.push_back(video_entry++);
        else if (e.id == "00dc")
            ++video_entry;
    EXPECT_EQ(keys, (std::vector<int>{0, 4, 8}));
    EXPECT_EQ(kvtest::caption_samples(f, file).size(), 10u);

    const auto got = decoded(file, 64, 132, frames.size());
    ASSERT_EQ(got.size(), frames.size());
    for (size_t i = 0; i < got.size(); ++i) {
        const Difference d = difference(frames[i], got[i], 64);
        // Blocks of two colours blur the ball's edge; the rest is the 5-bit rounding.
        EXPECT_LT(d.mean, 4.0) << "picture " << i;
        EXPECT_LT(d.far, 0.06) << "picture " << i;
    }
    // The padding repeats the last column and row.
    const std::string& last = got.back();
    EXPECT_EQ(last.substr((size_t(10) * 64 + 63) * 4, 3),
              last.substr((size_t(10) * 64 + 60) * 4, 3));
}

TEST_F(Msvideo1Test, FlatColoursComeBackWithinTheNearestFiveBitLevel) {
    // Every level of red, green and blue once: a rounding that truncates is off by up to 8.
    std::vector<Frame> frames;
    for (int i = 0; i < 8; ++i) {
        // Red stays off level 1, which the encoder writes as 0 (its code would read as a skip).
        const uint32_t v = uint32_t(i * 36 + 3);
        frames.push_back(
            Frame{16, 8,
                  std::vector<uint32_t>(128, 0xff000000u | v << 16 | (255 - v) << 8 | (v ^ 0x5a))});
    }
    AviOptions o;
    o.codec = AviCodec::kMsvc;
    o.width = 16;
    o.height = 8;
    const std::string file = path("flat.avi");
    write(file, o, frames);
    const auto got = decoded(file, 16, 8, frames.size());
    ASSERT_EQ(got.size(), frames.size());
    for (size_t i = 0; i < got.size(); ++i)
        EXPECT_LE(difference(frames[i], got[i], 16).max, 4) << i;
}

TEST_F(Msvideo1Test, APictureOfAnotherSizeIsRefusedAndTheFileStaysUsable) {
    std::unique_ptr<video::Msvideo1Encoder> enc;
    ASSERT_TRUE(video::Msvideo1Encoder::create(20, 12, 1, &enc).ok());
    std::vector<uint8_t> sample;
    bool key = false;
    const Frame wrong = shaded_frame(24, 12, 0), right = shaded_frame(20, 12, 0);
    EXPECT_EQ(enc->encode(wrong.view(), &sample, &key).code, video::kBadArgument);
    ASSERT_TRUE(enc->encode(right.view(), &sample, &key).ok());
    EXPECT_TRUE(key);
    // 5 x 3 blocks and the end code: never more than an 8-colour block each.
    EXPECT_GE(sample.size(), 2u + 2u * 15u);
    EXPECT_LE(sample.size(), 2u + 20u * 15u);
    EXPECT_EQ(sample[sample.size() - 2], 0);
    EXPECT_EQ(sample.back(), 0);
}

}  // namespace
