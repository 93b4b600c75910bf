// The dialog hands back full paths, so names with blanks need no splitting rule.
#include "mw31/choose_film_file.h"

#include <vector>

#include "mw31/atomic_file.h"
#include "mw31/dialogs.h"
#include "mw31/format.h"

namespace mw31 {

namespace {

std::string directory_of(const std::string& path) {
    const size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? std::string(".") : path.substr(0, slash);
}

std::string with_forward_slashes(std::string s) {
    for (char& c : s)
        if (c == '\\') c = '/';
    return s;
}

}  // namespace

int choose_film_file(const std::string& start_directory, std::string* result,
                     const std::string& filter) {
    result->clear();
    OpenFileRequest request;
    request.directory = with_forward_slashes(start_directory);
    request.filter = filter;
    request.multiple = true;
    const std::vector<std::string> files = open_file_dialog(request);
    if (files.empty()) return 1;
    if (files.size() == 1) {
        *result = files[0];
        return 0;
    }
    const std::string list = directory_of(files[0]) + "/gesflm.txt";
    std::string text;
    for (const std::string& file : files) text += "film=" + file + "\n";
    // Written whole or not at all: an old list stays as it was when the disk is full.
    std::string error;
    if (!write_file_atomically(list, text, &error)) {
        message_printf("kann Datei nicht oeffnen / cannot open %s\n%s", list.c_str(),
                       error.c_str());
        return 1;
    }
    *result = list;
    return 0;
}

}  // namespace mw31
