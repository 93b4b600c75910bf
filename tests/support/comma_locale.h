// A locale whose decimal separator is a comma, for tests that files and messages keep the
// decimal point whatever the user's locale says.
#pragma once

#include <gtest/gtest.h>
#include <locale.h>
#include <stdlib.h>

#include <filesystem>
#include <string>

namespace kv_test {

// Sets a locale whose decimal separator is a comma for the duration of a test. When none is
// installed, one is compiled from the system's locale sources into a private directory.
class CommaLocale {
  public:
    CommaLocale() {
        for (const char* name : kNames)
            if (try_set(name)) return;
        const std::string dir = std::string(::testing::TempDir()) + "kv_locales";
        std::filesystem::create_directories(dir);
        const std::string cmd =
            "localedef -i de_DE -f UTF-8 " + dir + "/de_DE.UTF-8 >/dev/null 2>&1";
        const std::string compiled = dir + "/de_DE.UTF-8/LC_NUMERIC";
        if (!std::filesystem::exists(compiled) && std::system(cmd.c_str()) != 0 &&
            !std::filesystem::exists(compiled))
            return;
        setenv("LOCPATH", dir.c_str(), 1);
        try_set("de_DE.UTF-8");
    }
    ~CommaLocale() { setlocale(LC_ALL, "C"); }
    bool active() const { return active_; }

  private:
    static constexpr const char* kNames[] = {"de_DE.UTF-8", "de_DE.utf8", "de_DE", "fr_FR.UTF-8"};
    bool try_set(const char* name) {
        if (!setlocale(LC_ALL, name)) return false;
        active_ = localeconv()->decimal_point[0] == ',';
        if (!active_) setlocale(LC_ALL, "C");
        return active_;
    }
    bool active_ = false;
};

}  // namespace kv_test
