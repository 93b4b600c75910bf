// Messages are read back from the dialog record, so a batch run lists what a window would
// have shown.
#include "main/batch_output.h"

#include <cstdio>

#include "mw31/dialogs.h"
#include "mw31/format.h"

namespace kurvlab {

void print_messages_since(size_t first) {
    const auto& shown = mw31::shown_dialogs();
    for (size_t i = first; i < shown.size(); ++i)
        if (shown[i].kind == "message") std::printf("message: %s\n", shown[i].text.c_str());
}

int save_batch_picture(const mw31::Picture* picture, const std::string& path) {
    if (!picture || !picture->save_png(path)) {
        mw31::message_printf("kann Bild nicht schreiben / cannot write picture %s", path.c_str());
        return 1;
    }
    return 0;
}

int no_display_to_play(const std::string& name) {
    mw31::message_printf(
        "mw31_film: kein Bildschirm / no display to play %s on.\n"
        "Mit / with a virtual display: xvfb-run kurvlab %s\n"
        "Ein Bild / one picture: kurvlab %s --output PICTURE.png --frame N\n"
        "Was der Film enthaelt / what the film holds: kurvlab %s --info",
        name.c_str(), name.c_str(), name.c_str(), name.c_str());
    return 1;
}

}  // namespace kurvlab
