// "-p1" is always appended last, so a film started from here pauses 1 ms whatever -p says.
#include "main/kurvlab_main.h"

#include <cstdlib>
#include <filesystem>

#include "film/film_window.h"
#include "main/motion_branch.h"
#include "main/mw31_film.h"
#include "mw31/atomic_file.h"
#include "mw31/choose_film_file.h"
#include "mw31/format.h"
#include "mw31/temp_names.h"

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

// Further film names after the first (arguments that are not options and name files) play
// together with it as a merged film, as several films chosen in the open dialog do. The list
// goes into our temporary folder: nothing is written beside the user's films. False after a
// message when the list cannot be written.
bool merge_further_films(std::vector<std::string>* args) {
    std::vector<std::string> films{(*args)[1]};
    std::vector<std::string> rest{(*args)[0], (*args)[1]};
    for (size_t i = 2; i < args->size(); ++i) {
        const std::string& a = (*args)[i];
        std::error_code ec;
        if (!a.empty() && a[0] != '-' && std::filesystem::is_regular_file(a, ec))
            films.push_back(a);
        else
            rest.push_back(a);
    }
    if (films.size() < 2) return true;
    const std::string folder = mw31::temp_directory();
    if (folder.empty()) return false;  // said already
    const std::string list = folder + "/gesflm.txt";
    std::string text, error;
    for (const std::string& film : films)
        text += "film=" + std::filesystem::absolute(film).string() + "\n";
    if (!mw31::write_file_atomically(list, text, &error)) {
        mw31::message_printf("kann Datei nicht oeffnen / cannot open %s\n%s", list.c_str(),
                             error.c_str());
        return false;
    }
    rest[1] = list;
    *args = rest;
    return true;
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
    if (!merge_further_films(&film_args)) return 1;
    if (batch.wants_motion()) return run_motion_request(film_args[1], batch);
    film_args.push_back("-p1");
    // A film named here that could not be played is a failure for whoever started us; the
    // open-dialog loop above keeps 0.
    return play_with_next_films(film_args, batch, nullptr);
}

}  // namespace kurvlab
