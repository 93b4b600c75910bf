// Drawing area, film-to-screen mapping and zoom of the film window's view.
#include "film_model/film_view.h"

#include <gtest/gtest.h>

#include <utility>

namespace film {
namespace {

using mw31::Rect;

TEST(FilmViewArea, ClientIsCutToTheAspect1280To1024) {
    EXPECT_EQ(fit_drawing_area(Rect{0, 0, 1000, 1000}), (Rect{0, 0, 1000, 800}));
    EXPECT_EQ(fit_drawing_area(Rect{0, 0, 2000, 1000}), (Rect{0, 0, 1250, 1000}));
    EXPECT_EQ(fit_drawing_area(Rect{0, 0, 800, 600}), (Rect{0, 0, 750, 600}));
    EXPECT_EQ(fit_drawing_area(Rect{0, 0, 1280, 1024}), (Rect{0, 0, 1280, 1024}));
    EXPECT_EQ(fit_drawing_area(Rect{0, 0, 0, 0}), (Rect{0, 0, 0, 0}));
}

TEST(FilmViewMapping, FitUsesTheWidthForBothAxesAndTruncatesTowardZero) {
    FilmView v;
    v.area = Rect{0, 0, 1000, 800};
    const FilmToScreen map(v, 1280);
    EXPECT_EQ(map.x(1280), 1000);
    EXPECT_EQ(map.x(641), 500);  // 500.78
    EXPECT_EQ(map.y(1024), 800);
    EXPECT_EQ(map.y(-641), -500);
    EXPECT_EQ(map.length(128), 100);
}

TEST(FilmViewMapping, ZoomScalesAndAddsTheOffsets) {
    FilmView v;
    v.area = Rect{0, 0, 1000, 800};
    v.fit = false;
    v.zoom = 2.5;
    v.x0 = -300;
    v.y0 = 40;
    const FilmToScreen map(v, 1280);
    EXPECT_EQ(map.x(128), 250 - 300);
    EXPECT_EQ(map.y(128), 250 + 40);
    EXPECT_EQ(map.length(128), 250);
    EXPECT_EQ(map.x(129), -48);  // -47.99 truncated toward zero
}

TEST(FilmViewMapping, HugeValuesAndBadWidthsStayInRange) {
    FilmView v;
    v.area = Rect{0, 0, 2000, 1600};
    EXPECT_EQ(FilmToScreen(v, 1).x(INT32_MAX), int(kScreenLimit));
    EXPECT_EQ(FilmToScreen(v, 1).y(INT32_MIN), -int(kScreenLimit));
    EXPECT_EQ(FilmToScreen(v, 0).x(3), 6000);  // a width below 1 counts as 1
    v.fit = false;
    v.zoom = kMaxZoom;
    EXPECT_EQ(FilmToScreen(v, 1280).x(65535), int(kScreenLimit));
}

TEST(FilmViewZoom, SmallRectanglesAreIgnored) {
    FilmView v;
    v.area = Rect{0, 0, 1000, 800};
    EXPECT_FALSE(zoom_to_rectangle(&v, Rect{10, 10, 14, 100}, 1280, 1024));
    EXPECT_FALSE(zoom_to_rectangle(&v, Rect{100, 10, 10, 14}, 1280, 1024));
    EXPECT_TRUE(v.fit);
    EXPECT_EQ(v.zoom, 1.0);
}

TEST(FilmViewZoom, RectangleIsWidenedToTheFilmAspectAndMovedToTheOrigin) {
    FilmView v;
    v.area = Rect{0, 0, 1000, 800};
    // 100 x 200 dragged from the bottom right: widened to 250 x 200, f = min(4, 4).
    ASSERT_TRUE(zoom_to_rectangle(&v, Rect{300, 300, 200, 100}, 1280, 1024));
    EXPECT_FALSE(v.fit);
    EXPECT_DOUBLE_EQ(v.zoom, 4.0);
    EXPECT_EQ(v.x0, -800);
    EXPECT_EQ(v.y0, -400);
    // The rectangle's top-left corner is now the area's.
    const FilmToScreen map(v, 1280);
    EXPECT_EQ(map.x(256), 0);
    EXPECT_EQ(map.y(128), 0);
}

TEST(FilmViewZoom, FactorIsCappedAtTwentyAndDeepZoomsAreRefused) {
    FilmView v;
    v.area = Rect{0, 0, 1000, 800};
    ASSERT_TRUE(zoom_to_rectangle(&v, Rect{0, 0, 10, 8}, 1280, 1024));
    EXPECT_DOUBLE_EQ(v.zoom, 20.0);
    ASSERT_TRUE(zoom_to_rectangle(&v, Rect{0, 0, 10, 8}, 1280, 1024));
    EXPECT_DOUBLE_EQ(v.zoom, 400.0);
    ASSERT_TRUE(zoom_to_rectangle(&v, Rect{0, 0, 10, 8}, 1280, 1024));
    EXPECT_DOUBLE_EQ(v.zoom, 8000.0);
    const FilmView before = v;
    EXPECT_FALSE(zoom_to_rectangle(&v, Rect{0, 0, 10, 8}, 1280, 1024));  // 160000 > 50000
    EXPECT_EQ(v.zoom, before.zoom);
    EXPECT_EQ(v.x0, before.x0);
    ASSERT_TRUE(zoom_to_rectangle(&v, Rect{0, 0, 200, 160}, 1280, 1024));  // 5 x
    EXPECT_DOUBLE_EQ(v.zoom, 40000.0);
}

TEST(FilmViewZoom, ZoomOutHalvesAboutTheCentreAndInitRestoresTheFit) {
    FilmView v;
    v.area = Rect{0, 0, 1000, 800};
    zoom_out(&v);
    EXPECT_FALSE(v.fit);
    EXPECT_DOUBLE_EQ(v.zoom, 0.5);
    EXPECT_EQ(v.x0, 250);
    EXPECT_EQ(v.y0, 200);
    // The film's centre stays at the area's centre.
    const FilmToScreen map(v, 1280);
    EXPECT_EQ(map.x(640), 500);
    zoom_out(&v);
    EXPECT_EQ(v.x0, 250 + 125);
    reset_view(&v);
    EXPECT_TRUE(v.fit);
    EXPECT_EQ(v.zoom, 1.0);
    EXPECT_EQ(v.x0, 0);
    EXPECT_EQ(v.y0, 0);
}

TEST(FilmViewZoom, ZoomOutAfterADragZoomKeepsWhatIsAtTheCentreThere) {
    FilmView v;
    v.area = Rect{0, 0, 1000, 800};
    // A drag in the lower right quarter, then out twice: the film point at the centre stays.
    ASSERT_TRUE(zoom_to_rectangle(&v, Rect{600, 500, 800, 660}, 1280, 1024));
    auto centre_point = [&](const FilmView& view) {  // film coordinates shown at (500, 400)
        return std::pair<double, double>{(500.0 - view.x0) * 1280 / (1000 * view.zoom),
                                         (400.0 - view.y0) * 1280 / (1000 * view.zoom)};
    };
    const auto before = centre_point(v);
    const double zoom = v.zoom;
    for (int i = 1; i <= 2; ++i) {
        zoom_out(&v);
        EXPECT_DOUBLE_EQ(v.zoom, zoom / (1 << i));
        const auto after = centre_point(v);
        EXPECT_NEAR(after.first, before.first, 2.0) << i;
        EXPECT_NEAR(after.second, before.second, 2.0) << i;
        const FilmToScreen map(v, 1280);
        EXPECT_NEAR(map.x(int32_t(before.first)), 500, 1) << i;
        EXPECT_NEAR(map.y(int32_t(before.second)), 400, 1) << i;
    }
}

TEST(FilmViewArea, ResizeMovesTheOffsetsByHalfTheChangeOnlyWhenZoomed) {
    FilmView v;
    EXPECT_TRUE(update_drawing_area(&v, Rect{0, 0, 1000, 1000}));
    EXPECT_EQ(v.area, (Rect{0, 0, 1000, 800}));
    EXPECT_FALSE(update_drawing_area(&v, Rect{0, 0, 1000, 900}));  // same area
    EXPECT_EQ(v.x0, 0);
    v.fit = false;
    v.zoom = 3.0;
    ASSERT_TRUE(update_drawing_area(&v, Rect{0, 0, 1100, 880}));
    EXPECT_EQ(v.x0, -150);  // 100 x 3 x 0.5
    EXPECT_EQ(v.y0, -120);
}

TEST(FilmViewArea, ScaledViewForALargerRecordingPicture) {
    FilmView v;
    v.area = Rect{0, 0, 750, 600};
    v.fit = false;
    v.x0 = 10;
    v.y0 = -4;
    const FilmView s = scaled_view(v, 2.0);
    EXPECT_EQ(s.area, (Rect{0, 0, 1500, 1200}));
    EXPECT_EQ(s.x0, 20);
    EXPECT_EQ(s.y0, -8);
    EXPECT_EQ(map_film_rect(FilmView{Rect{0, 0, 750, 600}}, Rect{0, 0, 1280, 1024}, 1280),
              (Rect{0, 0, 750, 600}));
}

}  // namespace
}  // namespace film
