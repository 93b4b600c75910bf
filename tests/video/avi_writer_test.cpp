// AVI files as ffprobe, ffmpeg and our own RIFF reader see them: streams, captions, every
// decoded pixel, AVI 2.0 parts; and failures that must leave an earlier file untouched.
#include "video/avi_writer.h"

#include <dirent.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "avi_probe.h"
#include "video/palette.h"
#include "video_test_support.h"

namespace {

namespace fs = std::filesystem;
using kvtest::film_frame;
using kvtest::Frame;
using kvtest::kFilmColours;
using kvtest::noise_frame;
using kvtest::probe_stream;
using video::AviCodec;
using video::AviOptions;
using video::VideoWriter;

class AviWriterTest : public kvtest::VideoDirTest {
  protected:
    // Writes the frames; fails the test on any error.
    void write_video(const std::string& file, const AviOptions& o,
                     const std::vector<Frame>& frames) {
        std::unique_ptr<VideoWriter> w;
        video::Result r = video::avi_create(file, o, &w);
        ASSERT_TRUE(r.ok()) << r.message;
        for (const Frame& f : frames) {
            r = w->add_picture(f.view());
            ASSERT_TRUE(r.ok()) << r.message;
        }
        EXPECT_EQ(w->picture_count(), int(frames.size()));
        r = w->finish();
        ASSERT_TRUE(r.ok()) << r.message;
    }

    void expect_decoded(const std::string& file, const std::vector<std::string>& expected) {
        int status = 0;
        std::string got = kvtest::ffmpeg_decode_bgra(file, &status);
        ASSERT_EQ(status, 0) << "ffmpeg could not decode " << file;
        size_t frame = expected.empty() ? 1 : expected[0].size();
        ASSERT_EQ(got.size(), frame * expected.size()) << "decoded frame count differs";
        for (size_t i = 0; i < expected.size(); ++i) {
            if (got.compare(i * frame, frame, expected[i]) == 0) continue;
            size_t px = 0;
            while (px * 4 < frame &&
                   got.compare(i * frame + px * 4, 4, expected[i], px * 4, 4) == 0)
                ++px;
            FAIL() << "frame " << i << " differs first at pixel " << px;
        }
    }

    fs::path dir_;
};

class AviCodecs : public AviWriterTest, public ::testing::WithParamInterface<AviCodec> {};

// Odd width: rows need padding for the uncompressed codecs and odd absolute runs for RLE.
TEST_P(AviCodecs, TenPicturesDecodeExactlyWithCaptionsFourSamplesApart) {
    const int w = 37, h = 23;
    AviOptions o;
    o.codec = GetParam();
    o.width = w;
    o.height = h;
    std::vector<Frame> frames;
    std::vector<std::string> expected;
    for (int i = 0; i < 10; ++i) {
        frames.push_back(film_frame(w, h, i, i % 2 ? 0x00000000u : 0xff000000u));
        expected.push_back(frames.back().bgra());
    }
    const std::string file = path("film.avi");
    write_video(file, o, frames);
    EXPECT_EQ(entries(), std::vector<std::string>{"film.avi"}) << "temporary file left behind";

    const char* codec = GetParam() == AviCodec::kRle8 ? "msrle" : "rawvideo";
    std::string probe = kvtest::ffprobe_streams(file);
    auto v = probe_stream(probe, 0), t = probe_stream(probe, 1);
    EXPECT_EQ(v["codec_type"], "video") << probe;
    EXPECT_EQ(v["codec_name"], codec) << probe;
    EXPECT_EQ(v["width"], "37");
    EXPECT_EQ(v["height"], "23");
    EXPECT_EQ(v["r_frame_rate"], "15/1");
    EXPECT_EQ(v["nb_read_frames"], "10");
    EXPECT_EQ(t["codec_type"], "subtitle") << probe;

    expect_decoded(file, expected);

    kvtest::AviFile f = kvtest::read_avi(file);
    ASSERT_EQ(f.error, "");
    EXPECT_EQ(f.riff_types, std::vector<std::string>{"AVI "});
    EXPECT_FALSE(f.has_indx || f.has_odml) << "a file of one part is plain AVI";
    EXPECT_EQ(f.total_frames, 10u);
    EXPECT_EQ(f.streams, 2u);
    ASSERT_EQ(f.stream.size(), 2u);
    EXPECT_EQ(f.stream[0].type, "vids");
    EXPECT_EQ(f.stream[0].handler, GetParam() == AviCodec::kRle8 ? "mrle" : "DIB ");
    EXPECT_EQ(f.stream[0].scale, 1u);
    EXPECT_EQ(f.stream[0].rate, 15u);
    EXPECT_EQ(f.stream[0].length, 10u);
    const std::string& bih = f.stream[0].format;
    ASSERT_EQ(bih.size(), GetParam() == AviCodec::kRaw24 ? 40u : 40u + 1024u);
    EXPECT_EQ(kvtest::le32(bih, 0), 40u);
    EXPECT_EQ(kvtest::le16(bih, 14), GetParam() == AviCodec::kRaw24 ? 24u : 8u);
    EXPECT_EQ(kvtest::le32(bih, 16), GetParam() == AviCodec::kRle8 ? 1u : 0u);
    EXPECT_EQ(kvtest::le32(bih, 32), GetParam() == AviCodec::kRaw24 ? 0u : 256u);

    EXPECT_EQ(f.stream[1].type, "txts");
    EXPECT_EQ(f.stream[1].handler, "DRAW");
    EXPECT_EQ(f.stream[1].scale, 1u);
    EXPECT_EQ(f.stream[1].rate, 60u);
    EXPECT_EQ(f.stream[1].length, 37u);
    EXPECT_EQ(f.stream[1].buffer, 260u);
    EXPECT_EQ(std::vector<int>(f.stream[1].rect, f.stream[1].rect + 4),
              (std::vector<int>{0, h, w, h + 20}));
    EXPECT_EQ(f.stream[1].format, std::string("\x04\0\0\0", 4));

    auto captions = kvtest::caption_samples(f, file);
    ASSERT_EQ(captions.size(), 10u);
    for (int i = 0; i < 10; ++i) {
        EXPECT_EQ(captions[i].first, uint32_t(4 * i));
        EXPECT_EQ(captions[i].second, "Bild " + std::to_string(i + 1) + std::string(1, '\0'));
    }
    for (const auto& e : f.idx1) EXPECT_EQ(e.flags & 0x10, 0x10u) << "every sample is a key frame";
}

INSTANTIATE_TEST_SUITE_P(Codecs, AviCodecs,
                         ::testing::Values(AviCodec::kRaw8, AviCodec::kRle8, AviCodec::kRaw24),
                         [](const auto& info) {
                             return info.param == AviCodec::kRaw8   ? std::string("Raw8")
                                    : info.param == AviCodec::kRle8 ? std::string("Rle8")
                                                                    : std::string("Raw24");
                         });

TEST_F(AviWriterTest, PicturesOfEveryLayoutAndManyColours) {
    // 24-bit keeps noise exact; 8-bit gives each pixel the nearest colour of the fixed table
    // when the first picture has more than 256 colours.
    const int w = 30, h = 17;
    Frame noise = noise_frame(w, h, 99);
    std::vector<uint8_t> rgb24(size_t(h) * 100);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            uint32_t c = noise.px[size_t(y) * w + x];
            rgb24[y * 100 + 3 * x] = uint8_t(c >> 16);
            rgb24[y * 100 + 3 * x + 1] = uint8_t(c >> 8);
            rgb24[y * 100 + 3 * x + 2] = uint8_t(c);
        }
    std::vector<uint8_t> idx(size_t(w) * h);
    for (size_t i = 0; i < idx.size(); ++i) idx[i] = uint8_t(i % 16);
    video::Palette film{};
    film.fill(0xffffff);
    std::copy(std::begin(kFilmColours), std::end(kFilmColours), film.begin());
    Frame from_index{w, h, std::vector<uint32_t>(idx.size())};
    for (size_t i = 0; i < idx.size(); ++i) from_index.px[i] = film[idx[i]];

    for (AviCodec codec : {AviCodec::kRaw24, AviCodec::kRle8, AviCodec::kRaw8}) {
        SCOPED_TRACE(int(codec));
        AviOptions o;
        o.codec = codec;
        o.width = w;
        o.height = h;
        const std::string file = path("layouts.avi");
        std::unique_ptr<VideoWriter> wr;
        ASSERT_TRUE(video::avi_create(file, o, &wr).ok());
        ASSERT_TRUE(wr->add_picture(noise.view()).ok());
        ASSERT_TRUE(wr->add_picture(video::rgb24_picture(rgb24.data(), w, h, 100)).ok());
        ASSERT_TRUE(
            wr->add_picture(video::indexed8_picture(idx.data(), w, h, w, film.data())).ok());
        ASSERT_TRUE(wr->finish().ok());

        Frame expected = noise;
        if (codec != AviCodec::kRaw24) {
            const video::Palette& fixed = video::fixed_palette();
            for (auto& c : expected.px) c = fixed[video::nearest_colour(fixed, 256, c & 0xffffff)];
        }
        // The film colours are all in the fixed table, so the indexed picture stays exact.
        expect_decoded(file, {expected.bgra(), expected.bgra(), from_index.bgra()});
    }
}

TEST_F(AviWriterTest, ColoursFirstSeenInLaterPicturesStayExact) {
    // The colour table is completed at the end, so colours that appear late still get
    // entries of their own; only a video with more than 256 colours is approximated.
    AviOptions o;
    o.width = 20;
    o.height = 20;
    std::vector<Frame> frames;
    std::vector<std::string> expected;
    for (int i = 0; i < 12; ++i) {
        Frame f{20, 20, std::vector<uint32_t>(400, 0xffffffff)};
        for (int k = 0; k <= 20 * i; ++k) f.px[size_t(k)] = 0xff000000u | uint32_t(k * 40503);
        frames.push_back(f);
        expected.push_back(f.bgra());
    }
    write_video(path("late.avi"), o, frames);
    expect_decoded(path("late.avi"), expected);
}

TEST_F(AviWriterTest, RleCodedToExactlyTheUncompressedSizeIsStillReadAsRle) {
    // 4 x 1 in one colour codes to four bytes, the size of the uncompressed picture.
    AviOptions o;
    o.width = 4;
    o.height = 1;
    Frame f{4, 1, std::vector<uint32_t>(4, 0xff336699)};
    write_video(path("tiny.avi"), o, {f, f});
    expect_decoded(path("tiny.avi"), {f.bgra(), f.bgra()});
}

TEST_F(AviWriterTest, VideoWithoutCaptionsOrPictures) {
    AviOptions o;
    o.width = 8;
    o.height = 6;
    o.captions = false;
    write_video(path("bare.avi"), o, {film_frame(8, 6, 1)});
    kvtest::AviFile f = kvtest::read_avi(path("bare.avi"));
    ASSERT_EQ(f.error, "");
    EXPECT_EQ(f.streams, 1u);
    EXPECT_EQ(f.stream.size(), 1u);
    expect_decoded(path("bare.avi"), {film_frame(8, 6, 1).bgra()});

    o.captions = true;
    write_video(path("empty.avi"), o, {});
    f = kvtest::read_avi(path("empty.avi"));
    ASSERT_EQ(f.error, "");
    EXPECT_EQ(f.stream.at(0).length, 0u);
    EXPECT_EQ(f.stream.at(1).length, 0u);
    EXPECT_EQ(probe_stream(kvtest::ffprobe_streams(path("empty.avi")), 0)["codec_name"], "msrle");
}

TEST_F(AviWriterTest, GrowsIntoAviTwoPartsThatReadersFollow) {
    // A small part limit stands in for the 1 GB of a plain RIFF file.
    for (AviCodec codec : {AviCodec::kRaw24, AviCodec::kRle8}) {
        SCOPED_TRACE(int(codec));
        AviOptions o;
        o.codec = codec;
        o.width = 64;
        o.height = 48;
        o.riff_limit = 64 * 1024;
        std::vector<Frame> frames;
        std::vector<std::string> expected;
        for (int i = 0; i < 40; ++i) {
            frames.push_back(codec == AviCodec::kRaw24 ? noise_frame(64, 48, unsigned(i))
                                                       : film_frame(64, 48, i));
            if (codec == AviCodec::kRle8)  // noise through RLE would not be small; speckle it
                for (int k = 0; k < 64 * 48; k += 3)
                    frames.back().px[k] = 0xff000000u | kFilmColours[(k + i) % 16];
            expected.push_back(frames.back().bgra());
        }
        const std::string file = path("long.avi");
        write_video(file, o, frames);

        kvtest::AviFile f = kvtest::read_avi(file);
        ASSERT_EQ(f.error, "");
        ASSERT_GE(f.riff_types.size(), 3u);
        EXPECT_EQ(f.riff_types[0], "AVI ");
        for (size_t i = 1; i < f.riff_types.size(); ++i) EXPECT_EQ(f.riff_types[i], "AVIX");
        EXPECT_TRUE(f.has_indx && f.has_odml);
        EXPECT_EQ(kvtest::check_avi2_indexes(f, file), "");
        EXPECT_EQ(f.odml_frames, 40u);
        EXPECT_EQ(f.stream.at(0).length, 40u);
        EXPECT_LT(f.total_frames, 40u) << "the main header counts the first part only";
        size_t first_part = 0;
        for (const auto& e : f.idx1) first_part += e.id == "00dc" || e.id == "00db";
        EXPECT_EQ(f.total_frames, first_part) << "'idx1' covers the first part";
        // No part may exceed the limit.
        std::string bytes = kvtest::read_file(file);
        for (size_t at = 0; at + 8 <= bytes.size();) {
            uint32_t size = kvtest::le32(bytes, at + 4);
            EXPECT_LE(uint64_t(size) + 8, o.riff_limit);
            at += 8 + size;
        }
        // Every caption is in the movi lists, in order, four samples apart.
        int caption = 0, sample = 0;
        for (const auto& c : f.movi) {
            if (c.id != "01tx") continue;
            if (!c.data.empty()) {
                EXPECT_EQ(sample, 4 * caption);
                EXPECT_EQ(c.data, "Bild " + std::to_string(++caption) + std::string(1, '\0'));
            }
            ++sample;
        }
        EXPECT_EQ(caption, 40);

        auto v = probe_stream(kvtest::ffprobe_streams(file), 0);
        EXPECT_EQ(v["nb_read_frames"], "40");
        expect_decoded(file, expected);
    }
}

TEST_F(AviWriterTest, PlainRiffLimitStopsWithAnErrorAndKeepsTheEarlierFile) {
    write_bytes("keep.avi", "earlier recording");
    AviOptions o;
    o.codec = AviCodec::kRaw24;
    o.width = 64;
    o.height = 48;
    o.open_dml = false;
    o.riff_limit = 64 * 1024;
    std::unique_ptr<VideoWriter> w;
    ASSERT_TRUE(video::avi_create(path("keep.avi"), o, &w).ok());
    video::Result r;
    int added = 0;
    while ((r = w->add_picture(noise_frame(64, 48, 1).view())).ok()) ++added;
    EXPECT_EQ(added, 6);  // 9 KB pictures in 64 KB
    EXPECT_EQ(r.code, video::kTooLarge);
    EXPECT_NE(r.message.find("plain AVI"), std::string::npos) << r.message;
    EXPECT_EQ(w->finish().code, video::kTooLarge);
    EXPECT_EQ(kvtest::read_file(path("keep.avi")), "earlier recording");
    EXPECT_EQ(entries(), std::vector<std::string>{"keep.avi"});
}

TEST_F(AviWriterTest, FileSizeLimitInTheMiddleOfWritingKeepsTheEarlierFile) {
    // The child may write 100 KB per file; the video needs far more, so a write fails with
    // EFBIG part-way, as on a full disk.
    write_bytes("keep.avi", "earlier recording");
    const std::string file = path("keep.avi");
    pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        signal(SIGXFSZ, SIG_IGN);
        struct rlimit lim = {100 * 1024, 100 * 1024};
        setrlimit(RLIMIT_FSIZE, &lim);
        AviOptions o;
        o.codec = AviCodec::kRaw24;
        o.width = 200;
        o.height = 150;
        std::unique_ptr<VideoWriter> w;
        video::Result r = video::avi_create(file, o, &w);
        for (int i = 0; r.ok() && i < 40; ++i)
            r = w->add_picture(noise_frame(200, 150, unsigned(i)).view());
        if (r.ok()) r = w->finish();
        _exit(r.ok() ? 100
                     : r.code + (r.message.find("file too large") != std::string::npos ? 50 : 0));
    }
    int status = 0;
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), video::kTooLarge + 50);
    EXPECT_EQ(kvtest::read_file(file), "earlier recording");
    EXPECT_EQ(entries(), std::vector<std::string>{"keep.avi"});
}

TEST_F(AviWriterTest, FailedRenameRemovesTheTemporaryFile) {
    // The target turns into a directory while the video is written: only the final rename
    // can fail, and it must take the temporary file with it.
    const std::string file = path("target.avi");
    AviOptions o;
    o.width = 16;
    o.height = 16;
    std::unique_ptr<VideoWriter> w;
    ASSERT_TRUE(video::avi_create(file, o, &w).ok());
    ASSERT_TRUE(w->add_picture(film_frame(16, 16, 0).view()).ok());
    fs::create_directories(file + "/inside");
    video::Result r = w->finish();
    EXPECT_FALSE(r.ok());
    EXPECT_NE(r.message.find("target.avi"), std::string::npos) << r.message;
    EXPECT_EQ(entries(), std::vector<std::string>{"target.avi"});
    EXPECT_TRUE(fs::is_directory(file + "/inside"));
}

TEST_F(AviWriterTest, CancelledOrAbandonedVideosLeaveTheTargetAlone) {
    write_bytes("keep.avi", "earlier recording");
    AviOptions o;
    o.width = 16;
    o.height = 16;
    {
        std::unique_ptr<VideoWriter> w;
        ASSERT_TRUE(video::avi_create(path("keep.avi"), o, &w).ok());
        ASSERT_TRUE(w->add_picture(film_frame(16, 16, 0).view()).ok());
        EXPECT_EQ(entries().size(), 2u) << "the temporary file lies beside the target";
        w->cancel();
        EXPECT_EQ(w->finish().code, video::kCancelled);
        EXPECT_EQ(w->add_picture(film_frame(16, 16, 0).view()).code, video::kCancelled);
    }
    {
        std::unique_ptr<VideoWriter> w;
        ASSERT_TRUE(video::avi_create(path("keep.avi"), o, &w).ok());
        ASSERT_TRUE(w->add_picture(film_frame(16, 16, 0).view()).ok());
    }
    EXPECT_EQ(kvtest::read_file(path("keep.avi")), "earlier recording");
    EXPECT_EQ(entries(), std::vector<std::string>{"keep.avi"});
}

TEST_F(AviWriterTest, FinishedVideoReplacesAnEarlierFileAndKeepsItsMode) {
    write_bytes("old.avi", "earlier recording");
    fs::permissions(path("old.avi"), fs::perms(0640));
    AviOptions o;
    o.width = 16;
    o.height = 16;
    write_video(path("old.avi"), o, {film_frame(16, 16, 3)});
    EXPECT_EQ(kvtest::read_avi(path("old.avi")).error, "");
    EXPECT_EQ(fs::status(path("old.avi")).permissions(), fs::perms(0640));
}

TEST_F(AviWriterTest, PlacesThatCannotBeWrittenAreReportedWithTheirReason) {
    AviOptions o;
    o.width = 16;
    o.height = 16;
    std::unique_ptr<VideoWriter> w;
    video::Result r = video::avi_create(path("no/such/dir/x.avi"), o, &w);
    EXPECT_EQ(r.code, video::kCannotCreate);
    EXPECT_NE(r.message.find("x.avi"), std::string::npos) << r.message;
    EXPECT_EQ(w, nullptr);

    fs::create_directories(path("sub"));
    r = video::avi_create(path("sub"), o, &w);
    EXPECT_EQ(r.code, video::kCannotCreate);
    EXPECT_NE(r.message.find("is a directory"), std::string::npos) << r.message;

    if (geteuid() != 0) {  // root writes into read-only directories anyway
        fs::permissions(path("sub"), fs::perms(0555));
        r = video::avi_create(path("sub/x.avi"), o, &w);
        EXPECT_EQ(r.code, video::kPermissionDenied);
        EXPECT_NE(r.message.find("permission denied"), std::string::npos) << r.message;
    }
}

TEST_F(AviWriterTest, RefusedPicturesAndOptionsLeaveNothingBroken) {
    AviOptions o;
    o.width = 0;
    o.height = 10;
    std::unique_ptr<VideoWriter> w;
    EXPECT_EQ(video::avi_create(path("a.avi"), o, &w).code, video::kBadArgument);
    o.width = 40000;
    EXPECT_EQ(video::avi_create(path("a.avi"), o, &w).code, video::kBadArgument);
    o.width = 10;
    o.rate = 0;
    EXPECT_EQ(video::avi_create(path("a.avi"), o, &w).code, video::kBadArgument);
    EXPECT_TRUE(entries().empty());

    o.rate = 15;
    ASSERT_TRUE(video::avi_create(path("a.avi"), o, &w).ok());
    video::Result r = w->add_picture(film_frame(11, 10, 0).view());
    EXPECT_EQ(r.code, video::kBadArgument);
    EXPECT_NE(r.message.find("11 x 10"), std::string::npos) << r.message;
    EXPECT_EQ(w->add_picture(video::rgb32_picture(nullptr, 10, 10, 40)).code, video::kBadArgument);
    // The file is still fine after refused pictures.
    Frame good = film_frame(10, 10, 0);
    ASSERT_TRUE(w->add_picture(good.view()).ok());
    ASSERT_TRUE(w->finish().ok());
    expect_decoded(path("a.avi"), {good.bgra()});
}

}  // namespace
