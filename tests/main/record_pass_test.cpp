// Which pictures a recording from the command line holds: those the film window records in
// one pass (line films from frame 1 by the step, small frames left out; ANMNEU films from
// frame 0 with every in-between picture of the phi factor).
#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "film_model/frame_store.h"
#include "main/batch_record.h"

namespace kurvlab {
namespace {

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
