// The dialog hands back full paths, so names with blanks need no splitting rule.
#include "mw31/choose_film_file.h"

#include <cstdio>
#include <vector>

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
    FILE* f = std::fopen(list.c_str(), "w");
    if (!f) {
        message_printf("kann Datei nicht oeffnen / cannot open %s", list.c_str());
        return 1;
    }
    bool ok = true;
    for (const std::string& file : files) ok &= std::fprintf(f, "film=%s\n", file.c_str()) > 0;
    ok &= std::fclose(f) == 0;
    if (!ok) {
        message_printf("kann Datei nicht oeffnen / cannot open %s", list.c_str());
        return 1;
    }
    *result = list;
    return 0;
}

}  // namespace mw31
