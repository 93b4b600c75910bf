#include "video/pipelined_writer.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "video/avi_writer.h"
#include "video_test_support.h"

namespace {

using video::PictureView;
using video::Result;

// Keeps every picture's colours as it was handed over (read on the worker thread), and fails
// at a chosen picture.
struct Log {
    std::vector<std::vector<uint32_t>> pictures;
    int finished = 0, cancelled = 0;
};

class LoggingWriter final : public video::VideoWriter {
  public:
    LoggingWriter(Log* log, int fail_at, int delay_ms)
        : log_(log), fail_at_(fail_at), delay_ms_(delay_ms) {}
    Result add_picture(const PictureView& p) override {
        if (!video::picture_valid(p) || p.width != 4 || p.height != 3)
            return video::result_error(video::kBadArgument, "wrong picture");
        if (delay_ms_ > 0) std::this_thread::sleep_for(std::chrono::milliseconds(delay_ms_));
        if (int(log_->pictures.size()) == fail_at_)
            return video::result_error(video::kDiskFull, "cannot write x: disk full");
        std::vector<uint32_t> colours;
        for (int y = 0; y < p.height; ++y)
            for (int x = 0; x < p.width; ++x) colours.push_back(video::picture_colour(p, x, y));
        log_->pictures.push_back(colours);
        return video::result_ok();
    }
    Result finish() override {
        ++log_->finished;
        return video::result_ok();
    }
    void cancel() override { ++log_->cancelled; }
    int picture_count() const override { return int(log_->pictures.size()); }

  private:
    Log* log_;
    int fail_at_, delay_ms_;
};

std::unique_ptr<video::VideoWriter> logging(Log* log, int fail_at = -1, int delay_ms = 0) {
    return video::pipelined_writer(std::make_unique<LoggingWriter>(log, fail_at, delay_ms), 4, 3);
}

// Picture n in each pixel format the writers take; the same colours for the same n.
struct Source {
    std::vector<uint8_t> bytes;
    video::Palette palette{};
    PictureView view;
};

uint32_t colour_of(int n, int x, int y) {
    return uint32_t(n * 40 + x * 10 + y) & 0xff ? (uint32_t(n) << 16 | uint32_t(x) << 8 | y)
                                                : 0x123456;
}

Source source(int n, video::PixelFormat format) {
    Source s;
    const int w = 4, h = 3;
    const int bpp = format == video::PixelFormat::kIndexed8 ? 1
                    : format == video::PixelFormat::kRgb24  ? 3
                                                            : 4;
    const int stride = bpp * w + 5;  // rows with padding: the copy must pack them
    s.bytes.assign(size_t(stride) * h, 0xee);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const uint32_t c = colour_of(n, x, y);
            uint8_t* d = s.bytes.data() + y * stride + x * bpp;
            if (format == video::PixelFormat::kIndexed8) {
                const int i = y * w + x + n;  // each picture its own table
                s.palette[size_t(i)] = c;
                d[0] = uint8_t(i);
            } else if (format == video::PixelFormat::kRgb24) {
                d[0] = uint8_t(c >> 16), d[1] = uint8_t(c >> 8), d[2] = uint8_t(c);
            } else {
                d[0] = uint8_t(c), d[1] = uint8_t(c >> 8), d[2] = uint8_t(c >> 16), d[3] = 0;
            }
        }
    s.view = {format,
              w,
              h,
              stride,
              s.bytes.data(),
              format == video::PixelFormat::kIndexed8 ? s.palette.data() : nullptr};
    return s;
}

std::vector<uint32_t> expected(int n) {
    std::vector<uint32_t> c;
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 4; ++x) c.push_back(colour_of(n, x, y));
    return c;
}

TEST(PipelinedWriter, PicturesArriveInOrderAsTheyWereWhenHandedOverInEveryFormat) {
    for (auto format :
         {video::PixelFormat::kRgb32, video::PixelFormat::kRgb24, video::PixelFormat::kIndexed8}) {
        Log log;
        auto w = logging(&log, -1, 2);  // a slow writer: pictures wait for it
        for (int n = 0; n < 12; ++n) {
            Source s = source(n, format);
            ASSERT_TRUE(w->add_picture(s.view).ok());
            // The caller reuses its memory at once.
            std::fill(s.bytes.begin(), s.bytes.end(), 0);
            s.palette.fill(0xffffff);
        }
        ASSERT_TRUE(w->finish().ok());
        ASSERT_EQ(log.pictures.size(), 12u) << int(format);
        for (int n = 0; n < 12; ++n) EXPECT_EQ(log.pictures[size_t(n)], expected(n)) << n;
        EXPECT_EQ(log.finished, 1);
        EXPECT_EQ(w->picture_count(), 12);
    }
}

TEST(PipelinedWriter, AFailureComesBackOnTheNextCallAndTheFileIsDropped) {
    Log log;
    auto w = logging(&log, 3);
    Result first_failure;
    int calls = 0;
    for (int n = 0; n < 50 && first_failure.ok(); ++n, ++calls)
        first_failure = w->add_picture(source(n, video::PixelFormat::kRgb32).view);
    EXPECT_EQ(first_failure.code, video::kDiskFull);
    EXPECT_EQ(first_failure.message, "cannot write x: disk full");
    EXPECT_LE(calls, 6);  // at most one picture in waiting and one being written
    EXPECT_EQ(w->add_picture(source(9, video::PixelFormat::kRgb32).view).code, video::kDiskFull);
    EXPECT_EQ(w->finish().code, video::kDiskFull);
    EXPECT_EQ(log.finished, 0);
    EXPECT_EQ(log.cancelled, 1);
    EXPECT_EQ(w->picture_count(), 3);
}

TEST(PipelinedWriter, WrongPicturesAreRefusedAtOnceAndTheFileStaysUsable) {
    Log log;
    auto w = logging(&log);
    Source s = source(1, video::PixelFormat::kRgb32);
    PictureView wide = s.view;
    wide.width = 5;
    EXPECT_TRUE(w->add_picture(s.view).ok());
    const video::Result refused = w->add_picture(wide);
    EXPECT_EQ(refused.code, video::kBadArgument);
    EXPECT_EQ(refused.message, "picture 2 is 5 x 3, the video 4 x 3");
    PictureView empty = s.view;
    empty.pixels = nullptr;
    EXPECT_EQ(w->add_picture(empty).code, video::kBadArgument);
    EXPECT_TRUE(w->add_picture(s.view).ok());
    EXPECT_TRUE(w->finish().ok());
    ASSERT_EQ(log.pictures.size(), 2u);
    EXPECT_EQ(log.pictures[1], expected(1));
}

TEST(PipelinedWriter, CancelOrDroppingTheWriterNeverFinishesTheFile) {
    Log log;
    {
        auto w = logging(&log, -1, 5);
        for (int n = 0; n < 4; ++n)
            ASSERT_TRUE(w->add_picture(source(n, video::PixelFormat::kRgb32).view).ok());
        w->cancel();
    }
    EXPECT_EQ(log.finished, 0);
    EXPECT_GE(log.cancelled, 1);
    Log dropped;
    { logging(&dropped, -1, 5)->add_picture(source(0, video::PixelFormat::kRgb32).view); }
    EXPECT_EQ(dropped.finished, 0);
}

class PipelinedAvi : public kvtest::VideoDirTest {};

// Through the real AVI writer: the same bytes as writing without the thread.
TEST_F(PipelinedAvi, WritesTheSameFileAsTheWriterAlone) {
    auto write = [&](const std::string& name, bool pipelined) {
        video::AviOptions o;
        o.codec = video::AviCodec::kRaw24;
        o.width = 40;
        o.height = 30;
        std::unique_ptr<video::VideoWriter> w;
        EXPECT_TRUE(video::avi_create(path(name), o, &w).ok());
        if (pipelined) w = video::pipelined_writer(std::move(w), 40, 30);
        for (int n = 0; n < 20; ++n)
            EXPECT_TRUE(w->add_picture(kvtest::film_frame(40, 30, n).view()).ok());
        EXPECT_TRUE(w->finish().ok());
        return kvtest::read_file(path(name));
    };
    const std::string alone = write("alone.avi", false), through = write("through.avi", true);
    EXPECT_GT(alone.size(), 20u * 40 * 30 * 3);
    EXPECT_EQ(alone, through);
}

}  // namespace
