// Which pictures a recording from the command line holds: those the film window records in
// one pass (line films from frame 1 by the step, small frames left out; ANMNEU films from
// frame 0 with every in-between picture of the phi factor).
#include <gtest/gtest.h>

#include <cmath>
#include <utility>
#include <vector>

#include "film/recorded_pass.h"
#include "film_model/frame_store.h"
#include "main/batch_record.h"

namespace kurvlab {
namespace {

using film::anmneu_pass_pictures;
using film::line_film_pass_frames;

film::FrameStore store_of(const std::vector<int>& records_per_frame) {
    film::FrameStore store;
    for (int n : records_per_frame) store.add_frame(std::vector<film::FilmRecord>(size_t(n)));
    return store;
}

TEST(RecordPass, LineFilmFromFrameOneByTheStepWithoutSmallFrames) {
    const film::FrameStore ten = store_of(std::vector<int>(10, 7));
    EXPECT_EQ(line_film_pass_frames(ten, 3), (std::vector<int>{1, 4, 7}));
    EXPECT_EQ(line_film_pass_frames(ten, 0), line_film_pass_frames(ten, 1)) << "step at least 1";
    EXPECT_EQ(line_film_pass_frames(ten, 1).size(), 9u) << "frame 0 is never shown";
    EXPECT_EQ(line_film_pass_frames(ten, 20), (std::vector<int>{1}));
    // Frames of five records or fewer are not shown, so not recorded either.
    EXPECT_EQ(line_film_pass_frames(store_of({7, 7, 5, 6, 0, 7}), 1), (std::vector<int>{1, 3, 5}));
    EXPECT_TRUE(line_film_pass_frames(store_of({7}), 1).empty());
}

TEST(RecordPass, AnmneuFilmTakesEveryInBetweenPictureAndTheStepOnlyWithoutThem) {
    using Pictures = std::vector<std::pair<int, int>>;
    EXPECT_EQ(anmneu_pass_pictures(7, 3, 1), (Pictures{{0, 0}, {3, 0}, {6, 0}}));
    const Pictures tenfold = anmneu_pass_pictures(3, 5, 10);
    ASSERT_EQ(tenfold.size(), 30u);
    EXPECT_EQ(tenfold[9], (std::pair<int, int>{0, 9}));
    EXPECT_EQ(tenfold[10], (std::pair<int, int>{1, 0}));
    EXPECT_EQ(tenfold.back(), (std::pair<int, int>{2, 9}));
    EXPECT_TRUE(anmneu_pass_pictures(0, 1, 1).empty());
}

TEST(RecordPass, AClosingFrameIsOneThatRepeatsTheFirstUpToWholeTurnsAndTheFilmsRounding) {
    film::AnmneuFilm f;
    f.frame_count = 4;
    f.symbols.resize(2);
    f.frames.resize(4);
    for (int i = 0; i < 4; ++i) {
        f.frames[size_t(i)].present = true;
        f.frames[size_t(i)].placements = {{10.0 * i, 5, 0.5 * i}, {1, 2, 0.25}};
    }
    const auto pictures = anmneu_pass_pictures(4, 1, 10);
    EXPECT_EQ(film::anmneu_closing_frame(f, pictures), -1);
    // Frame 3 back where frame 0 was, turned by a whole revolution and off by the sixth decimal.
    f.frames[3].placements[0] = {0.000001, 5, 4 * M_PI};
    EXPECT_EQ(film::anmneu_closing_frame(f, pictures), 3);
    EXPECT_EQ(film::anmneu_closing_frame(f, anmneu_pass_pictures(4, 2, 1)), -1)
        << "step 2 ends on frame 2";
    f.frames[3].placements[0].phi = 3 * M_PI;  // half a turn is another position
    EXPECT_EQ(film::anmneu_closing_frame(f, pictures), -1);
    f.frames[3].placements[0].phi = 0;
    f.frames[3].placements[1].sx = -1;  // a mirrored part is another position
    EXPECT_EQ(film::anmneu_closing_frame(f, pictures), -1);
    EXPECT_EQ(film::anmneu_closing_frame(f, {}), -1);

    // Line films: equal records only; a one-frame pass closes nothing.
    film::FrameStore store = store_of({7, 7, 7});
    EXPECT_EQ(film::line_film_closing_frame(store, {1, 2}), 2);
    EXPECT_EQ(film::line_film_closing_frame(store, {1}), -1);
}

TEST(RecordPass, StampsNameTheFrameAndAnAnmneuPicturesCycleAngle) {
    EXPECT_EQ(film::frame_stamp(7), "Bild 7");
    EXPECT_EQ(film::anmneu_frame_stamp(3, 5, 10, 72), "Bild 3  phi = 17.5 Grad");
    EXPECT_EQ(film::anmneu_frame_stamp(3, 0, 0, 72), "Bild 3  phi = 15.0 Grad") << "factor 0 as 1";
    EXPECT_EQ(film::anmneu_frame_stamp(0, 0, 1, 0), "Bild 0  phi = 0.0 Grad") << "no frames";
}

TEST(RecordPass, CodecNames) {
    video::AviCodec codec = video::AviCodec::kRaw24;
    EXPECT_TRUE(record_codec_from_name("rle8", &codec));
    EXPECT_EQ(codec, video::AviCodec::kRle8);
    EXPECT_TRUE(record_codec_from_name("raw", &codec));
    EXPECT_EQ(codec, video::AviCodec::kRaw8);
    EXPECT_TRUE(record_codec_from_name("raw24", &codec));
    EXPECT_EQ(codec, video::AviCodec::kRaw24);
    EXPECT_FALSE(record_codec_from_name("RLE8", &codec));
    EXPECT_EQ(codec, video::AviCodec::kRaw24) << "left alone";
}

}  // namespace
}  // namespace kurvlab
