// Profile settings in an INI file in the user's configuration directory.
#pragma once

#include <string>

namespace mw31 {

// $XDG_CONFIG_HOME/kurvlab/kurvlab.conf, normally ~/.config/kurvlab/kurvlab.conf.
std::string profile_path();
std::string qt_profile_get(const std::string& section, const std::string& key,
                           const std::string& fallback);
void qt_profile_set(const std::string& section, const std::string& key, const std::string& value);

}  // namespace mw31
