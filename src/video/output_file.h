// A file written under a temporary name beside its target and moved over the target only
// when complete, so a failed or cancelled write leaves an existing file as it was.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "video/video_result.h"

namespace video {

class OutputFile {
  public:
    OutputFile() = default;
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;
    ~OutputFile();  // discards the temporary file unless committed

    // Makes the temporary file in the target's directory. With `direct`, full buffers are
    // written past the page cache where the file system allows it: for files of many
    // megabytes that nobody reads soon, such as uncompressed video.
    Result open(const std::string& target, bool direct = false);
    // Sequential, buffered. After the first failure every call returns that failure.
    Result write(const void* data, size_t size);
    // Overwrites bytes already written (headers and sizes patched at the end).
    Result patch(uint64_t offset, const void* data, size_t size);
    uint64_t position() const { return position_; }
    // Flushes, syncs, closes and renames over the target; on failure the temporary goes.
    Result commit();
    // Closes and removes the temporary file; the target is not touched.
    void discard();

    bool is_open() const { return fd_ >= 0; }
    const std::string& temp_path() const { return temp_; }
    const Result& error() const { return error_; }

  private:
    Result flush();
    bool set_direct(bool on);
    void handed_over(size_t size);  // `size` more bytes are with the system
    Result fail(int err, const std::string& what);

    int fd_ = -1;
    std::string target_;
    std::string temp_;
    std::vector<uint8_t> buffer_;       // room for the aligned buffer
    uint8_t* buffered_data_ = nullptr;  // the buffer, aligned for direct writes
    size_t capacity_ = 0;
    size_t buffered_ = 0;
    bool direct_ = false;          // writes go past the page cache
    uint64_t flushed_ = 0;         // bytes already handed to the system
    uint64_t writeback_from_ = 0;  // bytes before this are on their way to the disk
    uint64_t position_ = 0;
    Result error_;
};

}  // namespace video
