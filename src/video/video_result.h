// Result of every video operation: a code and a text for the user; nothing is thrown.
#pragma once

#include <string>
#include <utility>

namespace video {

enum ResultCode {
    kOk = 0,
    kFailed = 1,            // anything not listed below
    kBadArgument = 2,       // size, codec or picture the writer cannot take
    kCannotCreate = 3,      // the file or its temporary twin could not be made
    kWriteFailed = 4,       // an I/O error while writing, flushing or closing
    kDiskFull = 5,          // no space left (or quota exceeded)
    kPermissionDenied = 6,  // no right to write there, or a read-only file system
    kTooLarge = 7,          // beyond what the format or the file system allows
    kCancelled = 8,         // the caller dropped the file
    kNoMemory = 9,
    kUnsupported = 10,  // a codec or container this build cannot write
};

struct Result {
    int code = kOk;
    std::string message;

    bool ok() const { return code == kOk; }
};

inline Result result_ok() {
    return {};
}
inline Result result_error(int code, std::string message) {
    return {code, std::move(message)};
}

// The code and a short reason ("disk full", "permission denied") for an errno value.
Result result_from_errno(int err, const std::string& what);

}  // namespace video
