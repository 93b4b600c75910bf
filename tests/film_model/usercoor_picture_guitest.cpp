// A user-coordinates frame rendered into a real picture for --output: the decor's layers
// under and over the frame, the user-coordinates colours and the cleared margins.
#include <gtest/gtest.h>

#include <string>

#include "film_model/byte_source.h"
#include "film_model/usercoor_painter.h"
#include "film_model/usercoor_reader.h"
#include "mw31/picture.h"

namespace film {
namespace {

TEST(UsercoorPicture, DecorUnderAndOverTheFrame) {
    // 130 x 100 world units on the 750 x 600 drawing area of an 800 x 600 picture.
    const std::string text = "usercoor\na0,130,0,100\nf\nc2\nl0,50,130,50\nc5\nl0,20,130,20\nx\n";
    MemoryByteSource source(text.data(), text.size());
    UsercoorFilm film;
    ASSERT_EQ(read_usercoor_film(source, &film), 0);
    ColourTable colours;
    colours.reset_usercoor();
    const mw31::Rgb blue{0, 0, 255}, green{0, 255, 0};
    PictureDecor decor;
    decor.under = [&](mw31::Canvas& c, const FilmView& view) {
        EXPECT_EQ(view.area, (mw31::Rect{0, 0, 750, 600}));
        c.fill_rect(mw31::Rect{100, 250, 200, 350}, mw31::Brush{blue, false});
        c.fill_rect(mw31::Rect{700, 0, 800, 10}, mw31::Brush{blue, false});  // beyond the area
    };
    decor.over = [&](mw31::Canvas& c, const FilmView&) {
        c.fill_rect(mw31::Rect{150, 290, 160, 310}, mw31::Brush{green, false});
    };
    const auto picture = render_usercoor_frame(film, 0, 800, 600, colours, &decor);
    ASSERT_NE(picture, nullptr);
    const mw31::Canvas& c = picture->canvas();
    EXPECT_EQ(c.get_pixel(120, 300), (mw31::Rgb{255, 0, 0}));  // the frame over the decor below
    EXPECT_EQ(c.get_pixel(120, 260), blue);
    EXPECT_EQ(c.get_pixel(155, 300), green);  // the decor above over the frame
    EXPECT_EQ(c.get_pixel(400, 480), (mw31::Rgb{40, 80, 90}));
    EXPECT_EQ(c.get_pixel(400, 200), (mw31::Rgb{255, 255, 255}));
    EXPECT_EQ(c.get_pixel(720, 5), blue);
    EXPECT_EQ(c.get_pixel(760, 5), (mw31::Rgb{255, 255, 255}));  // margins are cleared
    EXPECT_EQ(c.get_pixel(760, 300), (mw31::Rgb{255, 255, 255}));
    // Without decor, and for a frame the film does not have, only the background.
    const auto none = render_usercoor_frame(film, 3, 800, 600, colours);
    ASSERT_NE(none, nullptr);
    EXPECT_EQ(none->canvas().get_pixel(120, 300), (mw31::Rgb{255, 255, 255}));
}

}  // namespace
}  // namespace film
