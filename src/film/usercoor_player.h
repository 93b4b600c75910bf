// Plays a user-coordinates film in the film window: real-valued records in world units, read
// from a file or from the in-memory conversion of an ANMNEU film, drawn with the direct world
// mapping in the line-film playback loop.
#pragma once

#include <vector>

#include "film/film_window.h"
#include "film_model/byte_source.h"
#include "mw31/picture.h"

namespace film {

struct UsercoorPlayOptions : PlayerOptions {
    ByteSource* source = nullptr;  // read from these bytes instead of the file named
    // Called after each drawn frame with the picture as it was copied to the window.
    void (*frame_observer)(FilmWindow& fw, const mw31::Picture& picture, void* user) = nullptr;
};

// The tool bar of user-coordinates films, in its order.
std::vector<int> usercoor_film_menu();

// 0 after playing; 1 when the window or its pictures cannot be made, the film cannot be read,
// or it holds no frame that could be shown (each reported to the user).
int usercoor_film(const UsercoorPlayOptions& options);

}  // namespace film
