// "-p1" is always appended last, so a film started from here pauses 1 ms whatever -p says.
#include "main/kurvlab_main.h"

#include <cstdlib>

#include "main/mw31_film.h"
#include "mw31/choose_film_file.h"

namespace kurvlab {

const char* const kFilmFilter =
    "KV-Animationen (*.ANM)|*.anm|FLM-Animationen (*.FLM)|*.flm|FLM-Vereinigungsdefinitionen "
    "(*.TXT)|*.txt|Standardanimation moviefile|moviefil|Alle Dateien|*.*|";

std::string cut_last_component(std::string path) {
    while (!path.empty()) {
        const char c = path.back();
        path.pop_back();
        if (c == '/' || c == '\\') break;
    }
    return path;
}

int kurvlab_main(const std::vector<std::string>& args, const BatchRequest& batch) {
    const char* env_dir = std::getenv("KURVLAB_DIR");
    std::string directory = env_dir && *env_dir ? env_dir : ".";

    if (args.size() < 2) {
        for (;;) {
            std::string chosen;
            if (mw31::choose_film_file(directory, &chosen, kFilmFilter) != 0) return 0;
            directory = cut_last_component(chosen);
            if (directory.empty()) directory = "/";
            mw31_film({"kurvlab", chosen, "-p1"}, batch);
        }
    }
    std::vector<std::string> film_args{"kurvlab", args[1]};
    film_args.insert(film_args.end(), args.begin() + 2, args.end());
    film_args.push_back("-p1");
    // A film named here that could not be played is a failure for whoever started us; the
    // open-dialog loop above keeps 0.
    return mw31_film(film_args, batch);
}

}  // namespace kurvlab
