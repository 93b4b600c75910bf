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
        mw31::message_printf("kurvlab: kann Bild nicht schreiben / cannot write picture %s",
                             path.c_str());
        return 1;
    }
    return 0;
}

}  // namespace kurvlab
