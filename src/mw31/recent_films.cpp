// Recent films: a plain numbered list in the profile, so that it reads like the other
// settings there and survives an editor.
#include "mw31/recent_films.h"

#include <algorithm>

#include "mw31/backend.h"

namespace mw31 {

namespace {

constexpr const char* kSection = "KURVLAB";

std::string key_of(int i) {
    return "RECENTFILM" + std::to_string(i + 1);
}

std::string folder_of(const std::string& path) {
    const size_t slash = path.find_last_of('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? std::string("/") : path.substr(0, slash);
}

// "/a/b/" and "/a/b" are the same folder.
std::string without_trailing_slash(std::string folder) {
    while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
    return folder;
}

}  // namespace

std::vector<std::string> merged_recent_films(const std::vector<std::string>& recent,
                                             const std::vector<std::string>& chosen) {
    std::vector<std::string> out;
    auto add = [&out](const std::string& film) {
        if (film.empty() || out.size() >= size_t(kMaxRecentFilms)) return;
        if (std::find(out.begin(), out.end(), film) == out.end()) out.push_back(film);
    };
    for (const std::string& film : chosen) add(film);
    for (const std::string& film : recent) add(film);
    return out;
}

std::vector<std::string> recent_folders(const std::vector<std::string>& recent) {
    std::vector<std::string> folders;
    for (const std::string& film : recent) {
        if (film.empty()) continue;
        const std::string folder = without_trailing_slash(folder_of(film));
        if (std::find(folders.begin(), folders.end(), folder) == folders.end())
            folders.push_back(folder);
    }
    return folders;
}

std::vector<std::string> recent_films() {
    std::vector<std::string> films;
    Backend* b = backend();
    if (!b) return films;
    for (int i = 0; i < kMaxRecentFilms; ++i) {
        const std::string film = b->profile_get(kSection, key_of(i), "");
        if (!film.empty()) films.push_back(film);
    }
    return films;
}

void remember_recent_films(const std::vector<std::string>& chosen) {
    Backend* b = backend();
    if (!b || chosen.empty()) return;
    const std::vector<std::string> films = merged_recent_films(recent_films(), chosen);
    for (int i = 0; i < kMaxRecentFilms; ++i)
        b->profile_set(kSection, key_of(i), size_t(i) < films.size() ? films[size_t(i)] : "");
}

}  // namespace mw31
