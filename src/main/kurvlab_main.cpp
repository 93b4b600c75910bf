// "-p1" is always appended last, so a film started from here pauses 1 ms whatever -p says.
#include "main/kurvlab_main.h"

#include <cstdlib>

#include "film/film_window.h"
#include "main/mw31_film.h"
#include "mw31/choose_film_file.h"

namespace kurvlab {

const char* const kFilmFilter = mw31::kFilmFileFilter;

std::string cut_last_component(std::string path) {
    while (!path.empty()) {
        const char c = path.back();
        path.pop_back();
        if (c == '/' || c == '\\') break;
    }
    return path;
}

namespace {

// Plays the film of args[1], then every film asked for from its window (Ctrl+O, a drop) with
// the same options, each in the place of the window before. *last_film: the film played last.
int play_with_next_films(std::vector<std::string> args, const BatchRequest& batch,
                         std::string* last_film) {
    (void)film::take_next_film();  // an old request is no request of this film's
    int result = mw31_film(args, batch);
    for (;;) {
        const film::NextFilm next = film::take_next_film();
        if (next.film.empty()) break;
        args[1] = next.film;
        film::place_next_film_window(next);
        result = mw31_film(args, batch);
        // A film that opened no film window (a 3D scene, a file that cannot be read) leaves
        // the place to nobody.
        film::clear_next_film_window_place();
    }
    if (last_film) *last_film = args[1];
    return result;
}

}  // namespace

int kurvlab_main(const std::vector<std::string>& args, const BatchRequest& batch) {
    const char* env_dir = std::getenv("KURVLAB_DIR");
    std::string directory = env_dir && *env_dir ? env_dir : ".";

    if (args.size() < 2) {
        for (;;) {
            std::string chosen;
            if (mw31::choose_film_file(directory, &chosen, kFilmFilter) != 0) return 0;
            std::string played;
            play_with_next_films({"kurvlab", chosen, "-p1"}, batch, &played);
            // The next dialog opens where the last film played came from.
            directory = cut_last_component(played);
            if (directory.empty()) directory = "/";
        }
    }
    std::vector<std::string> film_args{"kurvlab", args[1]};
    film_args.insert(film_args.end(), args.begin() + 2, args.end());
    film_args.push_back("-p1");
    // A film named here that could not be played is a failure for whoever started us; the
    // open-dialog loop above keeps 0.
    return play_with_next_films(film_args, batch, nullptr);
}

}  // namespace kurvlab
