// Temporary file beside the target, renamed over it once every write and the close succeeded.
#include "video/output_file.h"

#include <errno.h>
#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <fstream>

namespace video {

namespace {

constexpr size_t kBufferSize = size_t(1) << 20;
// Direct writes bypass the page cache (no copy into it, nothing left to sync); they must start
// and end on this alignment, which suits every block size in use.
constexpr size_t kDirectAlignment = 4096;
constexpr size_t kDirectBufferSize = size_t(4) << 20;
// Written bytes are handed to the disk in runs of this size while the file grows, so that
// the sync at the end waits for the last run only instead of the whole file.
constexpr uint64_t kWritebackRun = uint64_t(8) << 20;

std::string directory_of(const std::string& path) {
    size_t slash = path.find_last_of('/');
    if (slash == std::string::npos) return ".";
    if (slash == 0) return "/";
    return path.substr(0, slash);
}

std::string base_of(const std::string& path) {
    size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// umask() can only be read by changing it; /proc has it without that race.
mode_t current_umask() {
    std::ifstream in("/proc/self/status");
    std::string line;
    while (std::getline(in, line)) {
        if (line.rfind("Umask:", 0) == 0) return mode_t(strtol(line.c_str() + 6, nullptr, 8));
    }
    mode_t old = umask(022);
    umask(old);
    return old;
}

bool pwrite_all(int fd, const uint8_t* data, size_t size, uint64_t offset, int* err) {
    while (size > 0) {
        ssize_t n = ::pwrite(fd, data, size, off_t(offset));
        if (n < 0) {
            if (errno == EINTR) continue;
            *err = errno;
            return false;
        }
        if (n == 0) {
            *err = ENOSPC;
            return false;
        }
        data += n;
        size -= size_t(n);
        offset += uint64_t(n);
    }
    return true;
}

}  // namespace

Result result_from_errno(int err, const std::string& what) {
    int code = kWriteFailed;
    std::string reason;
    switch (err) {
        case ENOSPC:
        case EDQUOT:
            code = kDiskFull;
            reason = "disk full";
            break;
        case EACCES:
        case EPERM:
            code = kPermissionDenied;
            reason = "permission denied";
            break;
        case EROFS:
            code = kPermissionDenied;
            reason = "read-only file system";
            break;
        case EFBIG:
            code = kTooLarge;
            reason = "file too large";
            break;
        case ENOMEM:
            code = kNoMemory;
            reason = "out of memory";
            break;
        default:
            reason = strerror(err);
            break;
    }
    return result_error(code, what + ": " + reason);
}

OutputFile::~OutputFile() {
    discard();
}

Result OutputFile::fail(int err, const std::string& what) {
    if (error_.ok()) error_ = result_from_errno(err, what);
    return error_;
}

Result OutputFile::open(const std::string& target, bool direct) {
    discard();
    error_ = result_ok();
    target_ = target;
    position_ = flushed_ = writeback_from_ = 0;
    direct_ = false;
    buffered_ = 0;
    std::string base = base_of(target);
    if (base.empty() || base == "." || base == "..") {
        error_ = result_error(kBadArgument, "no file name in \"" + target + "\"");
        return error_;
    }
    struct stat st {};
    mode_t mode = 0666 & ~current_umask();
    if (::stat(target.c_str(), &st) == 0) {
        if (S_ISDIR(st.st_mode)) {
            error_ = result_error(kCannotCreate, "cannot create " + target + ": is a directory");
            return error_;
        }
        mode = st.st_mode & 07777;
    }
    // Long names would make the temporary name too long for the directory entry.
    if (base.size() > 200) base.resize(200);
    std::string pattern = directory_of(target) + "/.KV_" + base + ".XXXXXX";
    int fd = mkostemp(pattern.data(), O_CLOEXEC);
    if (fd < 0) {
        fail(errno, "cannot create " + target);
        if (error_.code == kWriteFailed) error_.code = kCannotCreate;  // e.g. no such directory
        return error_;
    }
    fd_ = fd;
    temp_ = pattern;
    if (fchmod(fd_, mode) != 0) {
        Result r = fail(errno, "cannot create " + target);
        discard();
        return r;
    }
    // Where the file system refuses direct writes, they are simply buffered.
    direct_ = direct && set_direct(true);
    try {
        capacity_ = direct_ ? kDirectBufferSize : kBufferSize;
        buffer_.resize(capacity_ + kDirectAlignment);
    } catch (const std::bad_alloc&) {
        discard();
        error_ = result_error(kNoMemory, "cannot create " + target + ": out of memory");
        return error_;
    }
    const uintptr_t at = reinterpret_cast<uintptr_t>(buffer_.data());
    buffered_data_ = buffer_.data() + (kDirectAlignment - at % kDirectAlignment) % kDirectAlignment;
    return result_ok();
}

bool OutputFile::set_direct(bool on) {
    const int flags = ::fcntl(fd_, F_GETFL);
    if (flags < 0) return false;
    return ::fcntl(fd_, F_SETFL, on ? flags | O_DIRECT : flags & ~O_DIRECT) == 0;
}

Result OutputFile::flush() {
    if (!error_.ok()) return error_;
    if (buffered_ == 0) return result_ok();
    // Direct writes take whole aligned blocks only: a last, partial one goes through the cache.
    if (direct_ && buffered_ % kDirectAlignment != 0) direct_ = !set_direct(false);
    const uint8_t* p = buffered_data_;
    size_t left = buffered_;
    while (left > 0) {
        const ssize_t n = ::write(fd_, p, left);
        if (n < 0) {
            const int err = errno;
            if (err == EINTR) continue;
            // Direct writes refused after all, or a short one left the rest unaligned: the
            // rest goes through the cache.
            if (err == EINVAL && direct_ && set_direct(false)) {
                direct_ = false;
                continue;
            }
            return fail(err, "cannot write " + target_);
        }
        if (n == 0) return fail(ENOSPC, "cannot write " + target_);  // only when full
        p += n;
        left -= size_t(n);
    }
    handed_over(buffered_);
    buffered_ = 0;
    return result_ok();
}

void OutputFile::handed_over(size_t size) {
    flushed_ += size;
    if (direct_ || flushed_ - writeback_from_ < kWritebackRun) return;
    // Only starts the writing; a failure shows at the sync in commit().
    ::sync_file_range(fd_, off_t(writeback_from_), off_t(flushed_ - writeback_from_),
                      SYNC_FILE_RANGE_WRITE);
    writeback_from_ = flushed_;
}

Result OutputFile::write(const void* data, size_t size) {
    if (!error_.ok()) return error_;
    if (fd_ < 0) return result_error(kFailed, "file not open");
    const uint8_t* p = static_cast<const uint8_t*>(data);
    // Only full buffers are written while the file grows, so that every write starts where
    // a direct write may.
    while (size > 0) {
        const size_t n = std::min(size, capacity_ - buffered_);
        memcpy(buffered_data_ + buffered_, p, n);
        buffered_ += n;
        position_ += n;
        p += n;
        size -= n;
        if (buffered_ == capacity_)
            if (Result r = flush(); !r.ok()) return r;
    }
    return result_ok();
}

Result OutputFile::patch(uint64_t offset, const void* data, size_t size) {
    if (!error_.ok()) return error_;
    if (fd_ < 0) return result_error(kFailed, "file not open");
    if (offset + size > position_) return result_error(kFailed, "patch beyond the end of the file");
    const uint8_t* p = static_cast<const uint8_t*>(data);
    // The part still in the buffer is changed there; the rest goes straight to the file.
    if (offset + size > flushed_) {
        uint64_t from = std::max(offset, flushed_);
        memcpy(buffered_data_ + (from - flushed_), p + (from - offset),
               size_t(offset + size - from));
        size = size_t(from - offset);
    }
    if (size > 0 && direct_) direct_ = !set_direct(false);  // a few bytes anywhere
    int err = 0;
    if (size > 0 && !pwrite_all(fd_, p, size, offset, &err))
        return fail(err, "cannot write " + target_);
    return result_ok();
}

Result OutputFile::commit() {
    if (fd_ < 0) return error_.ok() ? result_error(kFailed, "file not open") : error_;
    Result r = flush();
    if (r.ok() && ::fsync(fd_) != 0) r = fail(errno, "cannot write " + target_);
    int fd = fd_;
    fd_ = -1;
    if (::close(fd) != 0 && r.ok()) r = fail(errno, "cannot close " + target_);
    if (r.ok() && ::rename(temp_.c_str(), target_.c_str()) != 0)
        r = fail(errno, "cannot replace " + target_);
    if (!r.ok()) {
        ::unlink(temp_.c_str());
        temp_.clear();
        return r;
    }
    temp_.clear();
    // The rename itself reaches the disk only with the directory.
    int dir = ::open(directory_of(target_).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir >= 0) {
        ::fsync(dir);
        ::close(dir);
    }
    return result_ok();
}

void OutputFile::discard() {
    if (fd_ >= 0) {
        ::close(fd_);
        fd_ = -1;
    }
    if (!temp_.empty()) {
        ::unlink(temp_.c_str());
        temp_.clear();
    }
}

}  // namespace video
