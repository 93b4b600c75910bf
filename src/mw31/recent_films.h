// The films recently chosen in the open dialog, kept in the profile (section KURVLAB, keys
// RECENTFILM1 ...), newest first, and what the dialog makes of them.
#pragma once

#include <string>
#include <vector>

namespace mw31 {

constexpr int kMaxRecentFilms = 10;

// From the profile; empty without a backend.
std::vector<std::string> recent_films();
// Puts the chosen films in front (the first chosen first) and writes the list back.
void remember_recent_films(const std::vector<std::string>& chosen);

// The list after a choice: the chosen films first in their order, then the older ones that
// are not among them, at most kMaxRecentFilms; empty names are left out.
std::vector<std::string> merged_recent_films(const std::vector<std::string>& recent,
                                             const std::vector<std::string>& chosen);

// The folders of the recent films, newest first, each once: the open dialog offers them in
// its history and beside its places.
std::vector<std::string> recent_folders(const std::vector<std::string>& recent);

}  // namespace mw31
