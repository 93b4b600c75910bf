// The geometric neighbour run in time slices: its index built in steps across slices, and
// slices that end before the scan has begun, compared with a run in one go.
#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <vector>

#include "faces3/faces3.h"
#include "faces3/faces3_body.h"
#include "faces3/faces3_geo_work.h"
#include "faces3_reference.h"
#include "faces3_test_util.h"

namespace {

using Body = std::unique_ptr<Faces3Koerper, f3test::BodyDeleter>;

// Every triangle with its own points (no search), so that only coordinates match.
Body soup_body(unsigned seed, int grid) {
    f3test::QuietTerminal quiet;
    const auto soup = ref::random_soup(seed, grid);
    Body k(faces3_new_koerper("s", 0, 0, 0, 0));
    faces3_set_nosearch(1);
    for (size_t t = 0; t + 9 <= soup.size(); t += 9) f3test::tri(k.get(), &soup[t]);
    faces3_set_nosearch(0);
    return k;
}

std::vector<int> neighbours(const Faces3Koerper* k) {
    std::vector<int> out;
    for (int i = 0; i < faces3_anzahl_dreiecke(k); ++i) {
        const Faces3Dreieck* d = faces3_get_dreieck(k, i);
        out.insert(out.end(), d->nachbar, d->nachbar + 3);
    }
    return out;
}

template <class V>
std::vector<uint32_t> plain(const V& v) {
    return std::vector<uint32_t>(v.begin(), v.end());
}

TEST(SlicedNeighbours, IndexBuiltStepByStepEqualsOneGo) {
    // Over 16384 triangles and points, so that phases stop and resume in their middle.
    Body k = soup_body(11, 130);
    ASSERT_GT(faces3_anzahl_dreiecke(k.get()), 33000);
    Faces3GeoWork whole;
    ASSERT_TRUE(whole.build(*k, false, std::chrono::steady_clock::time_point()));
    Faces3GeoWork steps;
    // A deadline long past: every call does one step and stops.
    const auto past = std::chrono::steady_clock::now() - std::chrono::hours(1);
    int calls = 1;
    while (!steps.build(*k, true, past)) {
        ASSERT_FALSE(steps.built());
        ASSERT_LT(++calls, 10000);
    }
    EXPECT_TRUE(steps.built());
    EXPECT_GT(calls, 12);  // more calls than phases
    EXPECT_EQ(plain(steps.out.begin), plain(whole.out.begin));
    EXPECT_EQ(plain(steps.out.entries), plain(whole.out.entries));
    EXPECT_EQ(plain(steps.out_end), plain(whole.out_end));
    EXPECT_EQ(plain(steps.near_begin), plain(whole.near_begin));
    EXPECT_EQ(plain(steps.near), plain(whole.near));
    EXPECT_FALSE(steps.near.empty());
}

TEST(SlicedNeighbours, SlicesEndingWhileTheIndexIsBuiltGoOnWhereTheScanStands) {
    Body k = soup_body(12, 40);
    faces3_nachbarn_schritt(k.get(), 0, 0, nullptr);
    const auto expected = neighbours(k.get());
    ASSERT_GT(faces3_hat_nachbarn(k.get()), 0);

    // As after a first slice that ran out of time half way through the index: neighbours
    // reset, the caller handed 1, but triangle 0 not scanned yet.
    for (Faces3Dreieck& d : k->dreiecke) d.nachbar[0] = d.nachbar[1] = d.nachbar[2] = -1;
    k->geo_work = std::make_unique<Faces3GeoWork>();
    const auto past = std::chrono::steady_clock::now() - std::chrono::hours(1);
    ASSERT_FALSE(k->geo_work->build(*k, true, past));
    ASSERT_FALSE(k->geo_work->build(*k, true, past));
    k->geo_work->handed_out = 1;
    EXPECT_EQ(faces3_nachbarn_schritt(k.get(), 1, 0, nullptr), 0);
    EXPECT_EQ(neighbours(k.get()), expected);  // triangle 0 was scanned too
    EXPECT_EQ(k->geo_work, nullptr);           // freed at the end
}

TEST(SlicedNeighbours, TinyBudgetsGiveTheResultOfOneGo) {
    Body k = soup_body(13, 120);
    faces3_nachbarn_schritt(k.get(), 0, 0, nullptr);
    const auto expected = neighbours(k.get());
    for (int budget : {1, 2}) {
        SCOPED_TRACE(budget);
        int start = 0, calls = 0;
        double progress = -1, last = 0;
        do {
            start = faces3_nachbarn_schritt(k.get(), start, budget, &progress);
            ++calls;
            EXPECT_GE(progress, last);
            last = progress;
            if (start) {
                EXPECT_GT(start, 0);
                EXPECT_LT(progress, 100.0);
            }
        } while (start != 0 && calls < 1000000);
        EXPECT_EQ(progress, 100.0);
        EXPECT_EQ(neighbours(k.get()), expected);
    }
}

}  // namespace
