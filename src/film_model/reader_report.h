// Where the messages of the film readers go. Readers never show anything themselves: the
// caller decides whether a message becomes a box, a terminal line or a line of --info.
#pragma once

#include <functional>
#include <string>

namespace film {

using ReportFn = std::function<void(const std::string& message)>;

// The window's way: a message box owned by the terminal (standard error without one).
void report_to_user(const std::string& message);

struct ReaderHooks {
    ReportFn report = report_to_user;
    // Called now and then during a long read (a player services its messages there).
    std::function<void()> progress;
};

}  // namespace film
