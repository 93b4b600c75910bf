// Block-wise byte sources behind the inline get() of ByteSource.
#include "film_model/byte_source.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <utility>

namespace film {

bool ByteSource::ensure_block() {
    if (pos_ < end_) return true;
    if (pushed_back_) {
        // The pushed-back byte is used up: resume the block it interrupted.
        pushed_back_ = false;
        block_begin_ = saved_begin_;
        pos_ = saved_pos_;
        end_ = saved_end_;
        if (pos_ < end_) return true;
    }
    return next_block();
}

int ByteSource::refill() {
    return ensure_block() ? *pos_++ : kEndOfStream;
}

void ByteSource::unget(int c) {
    if (c < 0 || c > 255) return;
    if (pos_ > block_begin_ && pos_[-1] == c) {  // the usual case: the byte just read
        --pos_;
        return;
    }
    if (!pushed_back_) {
        saved_begin_ = block_begin_;
        saved_pos_ = pos_;
        saved_end_ = end_;
        pushed_back_ = true;
    }
    pushback_byte_ = static_cast<unsigned char>(c);
    block_begin_ = pos_ = &pushback_byte_;
    end_ = pos_ + 1;
}

FileByteSource::~FileByteSource() {
    close();
}

bool FileByteSource::open(const std::string& file_name) {
    close();
    set_name(file_name);
    file_ = std::fopen(file_name.c_str(), "rb");
    if (file_ == nullptr) return false;
    struct stat st {};
    size_ = fstat(fileno(file_), &st) == 0 && S_ISREG(st.st_mode) ? size_t(st.st_size) : 0;
    if (block_.empty()) block_.resize(kBlockSize);
    exhausted_ = false;
    return true;
}

void FileByteSource::close() {
    if (file_ != nullptr) std::fclose(file_);
    file_ = nullptr;
    size_ = 0;
    exhausted_ = true;
    clear_pushback();
    set_block(nullptr, nullptr);
}

bool FileByteSource::rewind() {
    clear_pushback();
    set_block(nullptr, nullptr);
    if (file_ == nullptr) return false;
    std::clearerr(file_);
    exhausted_ = std::fseek(file_, 0, SEEK_SET) != 0;
    return !exhausted_;
}

bool FileByteSource::next_block() {
    if (exhausted_ || file_ == nullptr) return false;
    size_t n = std::fread(block_.data(), 1, block_.size(), file_);
    // fread only comes back short at the end of the file or on an error: either ends it.
    if (n < block_.size()) exhausted_ = true;
    if (n == 0) return false;
    set_block(block_.data(), block_.data() + n);
    return true;
}

namespace {

// A regular file's bytes from an offset on, read with pread: the file position the first source
// reads from is left alone, so both can be read at once.
class FilePartSource final : public ByteSource {
  public:
    FilePartSource(std::string name, int fd, size_t offset, size_t size)
        : ByteSource(std::move(name)), fd_(fd), first_(offset), next_(offset), size_(size) {
        block_.resize(FileByteSource::kBlockSize);
    }
    bool rewind() override {
        clear_pushback();
        set_block(nullptr, nullptr);
        next_ = first_;
        exhausted_ = false;
        return true;
    }
    size_t size_hint() const override { return size_ > first_ ? size_ - first_ : 0; }

  protected:
    bool next_block() override {
        if (exhausted_) return false;
        ssize_t n;
        do {
            n = ::pread(fd_, block_.data(), block_.size(), off_t(next_));
        } while (n < 0 && errno == EINTR);
        if (n <= 0) {
            exhausted_ = true;
            return false;
        }
        next_ += size_t(n);
        set_block(block_.data(), block_.data() + n);
        return true;
    }

  private:
    int fd_;
    size_t first_, next_, size_;
    bool exhausted_ = false;
    std::vector<unsigned char> block_;
};

}  // namespace

std::unique_ptr<ByteSource> FileByteSource::source_from(size_t offset) const {
    // Only a regular file reads the same bytes twice (size_ is 0 for anything else).
    if (file_ == nullptr || size_ == 0) return nullptr;
    return std::make_unique<FilePartSource>(name(), fileno(file_), offset, size_);
}

std::unique_ptr<ByteSource> MemoryByteSource::source_from(size_t offset) const {
    if (offset > size_) offset = size_;
    return std::make_unique<MemoryByteSource>(data_ + offset, size_ - offset, name());
}

MemoryByteSource::MemoryByteSource(const void* data, size_t size, std::string name)
    : ByteSource(std::move(name)),
      data_(static_cast<const unsigned char*>(data)),
      size_(data == nullptr ? 0 : size) {}

MemoryByteSource::MemoryByteSource(std::vector<unsigned char>&& bytes, std::string name)
    : ByteSource(std::move(name)), owned_(std::move(bytes)) {
    data_ = owned_.data();
    size_ = owned_.size();
}

MemoryByteSource::MemoryByteSource(std::string&& bytes, std::string name)
    : ByteSource(std::move(name)), owned_(bytes.begin(), bytes.end()) {
    bytes.clear();
    data_ = owned_.data();
    size_ = owned_.size();
}

bool MemoryByteSource::rewind() {
    clear_pushback();
    set_block(nullptr, nullptr);
    delivered_ = false;
    return true;
}

bool MemoryByteSource::next_block() {
    if (delivered_ || size_ == 0) return false;
    delivered_ = true;
    set_block(data_, data_ + size_);
    return true;
}

}  // namespace film
