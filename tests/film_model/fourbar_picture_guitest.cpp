// A four-bar linkage frame drawn into a real picture: the joints computed here from the
// link lengths must come out black where the drawing puts them, and the space between white.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cmath>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "film_model/anmneu_painter.h"
#include "film_model/anmneu_reader.h"
#include "mw31/picture.h"

namespace {

struct Vec {
    double x, y;
};

// Ground pivots A0 and B0, crank 15, coupler 45, rocker 30; open assembly.
constexpr Vec kA0{0, 0}, kB0{40, 0};
constexpr double kCrank = 15, kCoupler = 45, kRocker = 30;

void joints(double theta, Vec* a, Vec* b) {
    *a = {kA0.x + kCrank * std::cos(theta), kA0.y + kCrank * std::sin(theta)};
    const double dx = kB0.x - a->x, dy = kB0.y - a->y, d = std::hypot(dx, dy);
    const double along = (kCoupler * kCoupler - kRocker * kRocker + d * d) / (2 * d);
    const double h = std::sqrt(kCoupler * kCoupler - along * along);
    *b = {a->x + along * dx / d - h * dy / d, a->y + along * dy / d + h * dx / d};
}

std::string fourbar_film(double theta) {
    Vec a, b;
    joints(theta, &a, &b);
    char line[200];
    std::string s = "ANMNEU\n4\n1\n-20\n60\n-20\n50\n--- Symbol-Dateien ---\n";
    s += "begin 1\nKurbel\n-\nschwarz\nm 0 0\nd 15 0\nend\n";
    s += "begin 2\nKoppel\n-\nschwarz\nm 0 0\nd 45 0\nend\n";
    s += "begin 3\nSchwinge\n-\nschwarz\nm 0 0\nd 30 0\nend\n";
    s += "begin 4\nGestell\n-\nschwarz\nc 0 0 3 0 360\nc 40 0 3 0 360\nend\n#0\n";
    std::snprintf(line, sizeof line, "0 0 %.17g\n%.17g %.17g %.17g\n40 0 %.17g\n0 0\n", theta, a.x,
                  a.y, std::atan2(b.y - a.y, b.x - a.x), std::atan2(b.y - kB0.y, b.x - kB0.x));
    return s + line;
}

class FourbarPicture : public testing::Test {
  protected:
    void SetUp() override {
        const std::string path = testing::TempDir() + "fourbar_picture.anm";
        std::ofstream(path) << fourbar_film(theta);
        ASSERT_EQ(film::read_anmneu_film(path, &film), 1);
        picture = mw31::create_picture(800, 600);
        ASSERT_TRUE(picture);

        picture->canvas().fill_rect({0, 0, 800, 600}, mw31::Brush{});
        film::FilmView view;
        view.area = film::fit_drawing_area({0, 0, 800, 600});  // 750 x 600
        film::draw_anmneu_frame(
            film, film::make_symbol_canvas(picture->canvas(), film.window, view, 1, false, colours),
            0, 0, 1);
    }

    // The window -20..60 x -20..50 widened to 91 x 70 about its centre, 750 pixels wide and
    // so 750 / 1.3 pixels high.
    bool black_near(Vec w) const {
        const double px = (w.x + 25.5) / 91 * 750, py = (50 - w.y) / 70 * 750 / 1.3;
        for (int dy = -1; dy <= 1; ++dy) {
            for (int dx = -1; dx <= 1; ++dx) {
                if (picture->canvas().get_pixel(int(px) + dx, int(py) + dy) == mw31::Rgb{0, 0, 0})
                    return true;
            }
        }
        return false;
    }

    const double theta = 60 * M_PI / 180;
    film::AnmneuFilm film;
    film::ColourTable colours;
    std::unique_ptr<mw31::Picture> picture;
};

TEST_F(FourbarPicture, JointsAndPivotCirclesWhereTheGeometrySaysAndNothingElse) {
    Vec a, b;
    joints(theta, &a, &b);
    EXPECT_NEAR(std::hypot(b.x - kB0.x, b.y - kB0.y), kRocker, 1e-9);
    // Links: both ends and the middle of every link.
    for (const auto& [p, q] : {std::pair{kA0, a}, std::pair{a, b}, std::pair{kB0, b}}) {
        EXPECT_TRUE(black_near(p));
        EXPECT_TRUE(black_near(q));
        EXPECT_TRUE(black_near({(p.x + q.x) / 2, (p.y + q.y) / 2}));
    }
    // Pivot circles of radius 3, drawn as angle arcs.
    EXPECT_TRUE(black_near({kA0.x, kA0.y - 3}));
    EXPECT_TRUE(black_near({kB0.x - 3, kB0.y}));
    EXPECT_TRUE(black_near({kB0.x, kB0.y + 3}));
    // Inside the pivot circle, beyond the rocker's end and in the open middle: white.
    EXPECT_FALSE(black_near({kB0.x - 1.5, kB0.y - 0.5}));
    EXPECT_FALSE(black_near({b.x + 4, b.y + 4}));
    EXPECT_FALSE(black_near({20, 5}));
    int black = 0;
    for (uint8_t v : picture->rgb_rows()) black += v == 0;
    EXPECT_GT(black, 3 * 150);   // about 200 pixels of links and circles
    EXPECT_LT(black, 3 * 1500);  // and not a filled area
}

}  // namespace

namespace {

// Dark pixels in the rows [top, bottom) of the picture.
int ink_in_rows(const mw31::Picture& picture, int top, int bottom) {
    const std::vector<uint8_t> rgb = picture.rgb_rows();
    int ink = 0;
    for (int y = top; y < bottom; ++y)
        for (int x = 0; x < picture.width(); ++x)
            if (rgb[3 * (size_t(y) * size_t(picture.width()) + size_t(x))] < 128) ++ink;
    return ink;
}

TEST(AnmneuFramePicture, TheCaptionStandsAtTheFootAsInTheWindow) {
    // Nothing is drawn but the caption's two lines.
    const std::string path = testing::TempDir() + "caption_picture.anm";
    std::ofstream(path) << "ANMNEU\n1\n2\n0\n100\n0\n100\n--- Symbol-Dateien ---\n"
                           "begin 1\na\n-\nschwarz\nend\n#0\nx text Hub s = 1.50 mm\n"
                           "x text Phase: Rast\n0 0\n#1\n0 0\n";
    film::AnmneuFilm film;
    ASSERT_EQ(film::read_anmneu_film(path, &film), 2);
    const film::ColourTable colours;
    const auto with = film::render_anmneu_frame(film, 0, 0, 1, 800, 600, colours);
    const auto without = film::render_anmneu_frame(film, 1, 0, 1, 800, 600, colours);
    ASSERT_TRUE(with && without);
    // The area is 750 x 600: two bars of 22 rows above its foot.
    EXPECT_GT(ink_in_rows(*with, 600 - 44, 600), 50);
    EXPECT_EQ(ink_in_rows(*with, 0, 600 - 50), 0);
    EXPECT_EQ(ink_in_rows(*without, 0, 600), 0);
}

}  // namespace
