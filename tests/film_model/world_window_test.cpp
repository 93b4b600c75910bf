// The world window: the fit to the aspect 1.3 and the view operations on it.
#include "film_model/world_window.h"

#include <gtest/gtest.h>

namespace {

using film::WorldWindow;

void expect_window(const WorldWindow& w, double xl, double xr, double yb, double yt) {
    EXPECT_NEAR(w.xl, xl, 1e-9);
    EXPECT_NEAR(w.xr, xr, 1e-9);
    EXPECT_NEAR(w.yb, yb, 1e-9);
    EXPECT_NEAR(w.yt, yt, 1e-9);
}

TEST(WorldWindowFit, WidensTheSmallerExtentAboutTheCentre) {
    expect_window(film::fit_world_window(0, 100, 0, 100), -15, 115, 0, 100);   // 130 x 100
    expect_window(film::fit_world_window(10, 270, 50, 150), 10, 270, 0, 200);  // 260 x 200
    expect_window(film::fit_world_window(-65, 65, -50, 50), -65, 65, -50, 50);
    // A line of zero height still gets a usable window.
    expect_window(film::fit_world_window(0, 13, 5, 5), 0, 13, 0, 10);
}

TEST(WorldWindowFit, WindowsWithoutExtentStillMap) {
    expect_window(film::fit_world_window(0, 0, 0, 0), -0.65, 0.65, -0.5, 0.5);
    expect_window(film::fit_world_window(7, 7, 3, 3), 6.35, 7.65, 2.5, 3.5);
    const WorldWindow w = film::fit_world_window(0, 1e308, -1e308, 1e308);
    EXPECT_LT(w.xl, w.xr);
    EXPECT_LT(w.yb, w.yt);
}

TEST(WorldWindowView, ZoomAboutAPointInitAndZoomOut) {
    WorldWindow w{0, 130, 0, 100};
    const WorldWindow initial = w;
    EXPECT_EQ(film::world_zoom_about(&w, 2, 0.25, 0.5), 0);
    expect_window(w, 0, 65, 25, 75);  // centred on (32.5, 50), half the size
    EXPECT_EQ(film::world_zoom_out(&w), 0);
    expect_window(w, -32.5, 97.5, 0, 100);  // twice the size about the same centre
    film::world_init(&w, initial);
    EXPECT_EQ(w, initial);
}

TEST(WorldWindowView, ZoomsThatCannotMapAreRefused) {
    WorldWindow w{0, 130, 0, 100};
    const WorldWindow before = w;
    EXPECT_EQ(film::world_zoom_about(&w, 0, 0.5, 0.5), 1);
    EXPECT_EQ(film::world_zoom_about(&w, -2, 0.5, 0.5), 1);
    EXPECT_EQ(film::world_zoom_about(&w, 1e300, 0.5, 0.5), 1);
    EXPECT_EQ(w, before);
    int refused = 0;
    for (int k = 0; k < 200 && refused == 0; ++k)
        refused = film::world_zoom_about(&w, 10, 0.7, 0.7);
    EXPECT_EQ(refused, 1);  // zooming in stops before the extent vanishes
    EXPECT_LT(w.xl, w.xr);
    EXPECT_LT(w.yb, w.yt);
}

}  // namespace
