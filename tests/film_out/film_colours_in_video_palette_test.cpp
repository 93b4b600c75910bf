// The fixed video palette lists the films' colours itself (video and the films' floor do not
// link each other): it must hold every preset colour of both film colour tables exactly.
#include <gtest/gtest.h>

#include <algorithm>

#include "film_model/colour_table.h"
#include "video/palette.h"

namespace {

TEST(FilmColoursInVideoPalette, BothTablesPresetsAreExact) {
    const video::Palette& palette = video::fixed_palette();
    film::ColourTable line, user;
    user.reset_usercoor();
    for (const film::ColourTable* table : {&line, &user}) {
        for (int i = 0; i < 16; ++i) {
            const film::Rgb c = table->lookup(i);
            const uint32_t rgb = uint32_t(c.r) << 16 | uint32_t(c.g) << 8 | c.b;
            EXPECT_NE(std::find(palette.begin(), palette.end(), rgb), palette.end())
                << "entry " << i << (table == &user ? " (user coordinates)" : "");
        }
    }
}

}  // namespace
