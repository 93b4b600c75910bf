// The film window's title.
#include "film/film_window.h"

#include <gtest/gtest.h>

namespace film {
namespace {

TEST(FilmWindowTitle, TheFilmsFileNameFollowsTheProgramsAndNoFolderShows) {
    EXPECT_EQ(film_window_title("/home/a/films/fourbar.anm"),
              "kurvlab Version 1862  -  fourbar.anm");
    EXPECT_EQ(film_window_title("C:\\films\\cam.anm"), "kurvlab Version 1862  -  cam.anm");
    EXPECT_EQ(film_window_title("plain.anm"), "kurvlab Version 1862  -  plain.anm");
    // No film (a window opened by a test) or a folder: the program's title alone.
    EXPECT_EQ(film_window_title(""), "kurvlab Version 1862");
    EXPECT_EQ(film_window_title("/home/a/"), "kurvlab Version 1862");
}

}  // namespace
}  // namespace film
