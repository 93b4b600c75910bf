// Replacing a file all at once: the new contents go to a temporary file beside the target,
// which takes the target's name only when every write reached the disk. A failure (disk full,
// no permission, ...) leaves the old file exactly as it was.
#pragma once

#include <cstdio>
#include <string>
#include <string_view>

namespace mw31 {

class AtomicFile {
  public:
    AtomicFile() = default;
    AtomicFile(const AtomicFile&) = delete;
    AtomicFile& operator=(const AtomicFile&) = delete;
    ~AtomicFile();  // abort() unless committed

    // Creates the temporary file beside target (a symbolic link is followed, so the link
    // stays and the file it names is replaced). False, with error() set, when it cannot, or
    // when target exists and is not a regular file.
    bool begin(const std::string& target);
    // Every failed write is remembered and makes commit() fail.
    bool write(const void* data, std::size_t size);
    bool write(std::string_view text) { return write(text.data(), text.size()); }

    // Flushes, syncs and closes the temporary, gives it the old file's permission bits (or
    // 0666 less the umask for a new file) and renames it over the target. False, with the
    // temporary removed and the target untouched, when any step failed.
    bool commit();
    // Removes the temporary; the target is untouched.
    void abort();

    bool active() const { return stream_ != nullptr; }
    // The temporary's stream, for writers that print into it; commit() sees their failures
    // through the stream's error flag.
    std::FILE* stream() const { return stream_; }
    // "" or a short text for what failed first, e.g. "disk full".
    const std::string& error() const { return error_; }
    int error_number() const { return errno_; }

  private:
    bool failed(int error_number);

    std::FILE* stream_ = nullptr;
    std::string target_;
    std::string temporary_;
    std::string error_;
    int errno_ = 0;
};

// A short English text for a file error number: "disk full", "permission denied", ...
std::string file_error_text(int error_number);

// The whole of bytes as target's new contents. True on success; else false with the reason
// in *error (when given) and the old file untouched.
bool write_file_atomically(const std::string& target, std::string_view bytes,
                           std::string* error = nullptr);

}  // namespace mw31
