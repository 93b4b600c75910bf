// The dialog hands back full paths, so names with blanks need no splitting rule.
#include "mw31/choose_film_file.h"

#include <vector>

#include "mw31/atomic_file.h"
#include "mw31/dialogs.h"
#include "mw31/format.h"
#include "mw31/recent_films.h"
#include "mw31/temp_names.h"

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

int write_film_list(const std::vector<std::string>& films, std::string* result) {
    result->clear();
    if (films.empty()) return 1;
    const std::string list = directory_of(films[0]) + "/gesflm.txt";
    std::string text;
    for (const std::string& film : films) text += "film=" + film + "\n";
    // Written whole or not at all: an old list stays as it was when the disk is full.
    std::string error;
    if (write_file_atomically(list, text, &error)) {
        *result = list;
        return 0;
    }
    // The films' folder may be read-only (a CD, a colleague's share): the list goes into our
    // own temporary folder then, and the films are played all the same.
    const std::string folder = temp_directory();
    const std::string fallback = folder.empty() ? std::string() : folder + "/gesflm.txt";
    std::string fallback_error;
    if (!fallback.empty() && write_file_atomically(fallback, text, &fallback_error)) {
        message_printf(
            "kann Datei nicht oeffnen / cannot open %s\n%s\nDie Filmliste steht in / the film "
            "list is written to %s",
            list.c_str(), error.c_str(), fallback.c_str());
        *result = fallback;
        return 0;
    }
    message_printf("kann Datei nicht oeffnen / cannot open %s\n%s", list.c_str(), error.c_str());
    return 1;
}

int choose_film_file(const std::string& start_directory, std::string* result,
                     const std::string& filter) {
    result->clear();
    OpenFileRequest request;
    request.directory = with_forward_slashes(start_directory);
    request.filter = filter;
    request.multiple = true;
    request.recent = recent_films();
    const std::vector<std::string> files = open_file_dialog(request);
    if (files.empty()) return 1;
    remember_recent_films(files);
    if (files.size() == 1) {
        *result = files[0];
        return 0;
    }
    return write_film_list(files, result);
}

}  // namespace mw31
