// Atomic replacement of files through a temporary name in the same directory and rename(2),
// which either swaps the whole file or leaves the old one.
#include "mw31/atomic_file.h"

#include <fcntl.h>
#include <limits.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace mw31 {

namespace {

mode_t new_file_mode() {
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return 0666 & ~mask;
}

}  // namespace

AtomicFile::~AtomicFile() {
    abort();
}

bool AtomicFile::failed(int error_number) {
    if (errno_ == 0) {
        errno_ = error_number ? error_number : EIO;
        error_ = file_error_text(errno_);
    }
    return false;
}

bool AtomicFile::begin(const std::string& target) {
    abort();
    error_.clear();
    errno_ = 0;
    if (target.empty()) return failed(ENOENT);
    target_ = target;
    struct stat st;
    if (::lstat(target_.c_str(), &st) == 0 && S_ISLNK(st.st_mode)) {
        char real[PATH_MAX];
        if (::realpath(target_.c_str(), real)) target_ = real;
    }
    const bool exists = ::stat(target_.c_str(), &st) == 0;
    if (!exists && errno != ENOENT) return failed(errno);
    if (exists && !S_ISREG(st.st_mode)) {
        // Renaming over a device or a pipe would replace it rather than write to it.
        errno_ = EINVAL;
        error_ = "not a regular file";
        return false;
    }

    const std::size_t slash = target_.find_last_of('/');
    const std::string dir = slash == std::string::npos ? "." : target_.substr(0, slash);
    std::string base = slash == std::string::npos ? target_ : target_.substr(slash + 1);
    if (base.size() > 200) base.resize(200);  // room for the suffix within NAME_MAX
    std::string name = (dir.empty() ? std::string() : dir) + "/." + base + ".XXXXXX";
    const int fd = ::mkostemp(name.data(), O_CLOEXEC);
    if (fd < 0) return failed(errno);
    temporary_ = name;
    if (exists) {
        ::fchmod(fd, st.st_mode & 07777);
        // Only root may give the file back to its owner; anyone else's copy stays theirs.
        if (st.st_uid != ::geteuid() || st.st_gid != ::getegid()) {
            const int ignored = ::fchown(fd, st.st_uid, st.st_gid);
            (void)ignored;
        }
    } else {
        ::fchmod(fd, new_file_mode());
    }
    stream_ = ::fdopen(fd, "wb");
    if (!stream_) {
        const int e = errno;
        ::close(fd);
        abort();
        return failed(e);
    }
    return true;
}

bool AtomicFile::write(const void* data, std::size_t size) {
    if (!stream_ || errno_ != 0) return false;
    if (size == 0) return true;
    errno = 0;
    if (std::fwrite(data, 1, size, stream_) != size) return failed(errno);
    return true;
}

bool AtomicFile::commit() {
    if (!stream_) return errno_ == 0 ? failed(EBADF) : false;
    int fd = ::fileno(stream_);
    errno = 0;
    if (errno_ == 0 && std::fflush(stream_) != 0) failed(errno);
    if (errno_ == 0 && std::ferror(stream_)) failed(errno);
    if (errno_ == 0 && ::fsync(fd) != 0) failed(errno);
    std::FILE* stream = stream_;
    stream_ = nullptr;
    if (std::fclose(stream) != 0) failed(errno);
    if (errno_ == 0 && ::rename(temporary_.c_str(), target_.c_str()) != 0) failed(errno);
    if (errno_ != 0) {
        abort();
        return false;
    }
    temporary_.clear();
    // The rename itself should survive a crash too; failing here changes nothing for us.
    const std::size_t slash = target_.find_last_of('/');
    const std::string dir = slash == std::string::npos ? "." : target_.substr(0, slash);
    fd = ::open(dir.empty() ? "/" : dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
    return true;
}

void AtomicFile::abort() {
    if (stream_) std::fclose(stream_);
    stream_ = nullptr;
    if (!temporary_.empty()) ::unlink(temporary_.c_str());
    temporary_.clear();
}

std::string file_error_text(int error_number) {
    switch (error_number) {
        case ENOSPC:
            return "disk full";
        case EDQUOT:
            return "disk quota exceeded";
        case EFBIG:
            return "file too large";
        case EACCES:
        case EPERM:
            return "permission denied";
        case EROFS:
            return "read-only file system";
        case ENOENT:
            return "no such file or directory";
        case ENOTDIR:
            return "a part of the path is not a directory";
        case EISDIR:
            return "is a directory";
        case ENAMETOOLONG:
            return "file name too long";
        case EIO:
            return "input/output error";
        default:
            return std::strerror(error_number);
    }
}

bool write_file_atomically(const std::string& target, std::string_view bytes, std::string* error) {
    AtomicFile file;
    const bool ok = file.begin(target) && file.write(bytes) && file.commit();
    if (error) *error = ok ? std::string() : file.error();
    return ok;
}

}  // namespace mw31
