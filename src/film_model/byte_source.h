// One reading interface for line films: a buffered file or bytes held in memory. get() is an
// inline read from the current block, so a reader can walk a 50 MB film byte by byte cheaply.
#pragma once

#include <cstddef>
#include <cstdio>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace film {

class ByteSource {
  public:
    static constexpr int kEndOfStream = -1;

    virtual ~ByteSource() = default;
    ByteSource(const ByteSource&) = delete;
    ByteSource& operator=(const ByteSource&) = delete;

    // The next byte (0..255), or kEndOfStream once the stream is exhausted (and ever after).
    int get() { return pos_ < end_ ? *pos_++ : refill(); }

    // Pushes one byte back so that the next get() returns it; kEndOfStream is ignored. At least
    // one byte of push-back is always available.
    void unget(int c);

    // For a reader that walks the bytes itself: refills the current block if it is used up and
    // hands out its unread bytes [*pos, *end) (empty, and false, at the end of the stream). The
    // reader reports how far it got with set_position() before using the source otherwise.
    bool take_block(const unsigned char** pos, const unsigned char** end) {
        const bool ok = pos_ < end_ || ensure_block();
        *pos = pos_;
        *end = end_;
        return ok;
    }
    void set_position(const unsigned char* pos) { pos_ = pos; }

    // Back to the first byte; false when that is not possible (the stream is then exhausted).
    virtual bool rewind() = 0;

    // The name used in messages (the file name, or a short description).
    const std::string& name() const { return name_; }

    // How many bytes the whole stream holds, as far as known in advance (0 when unknown).
    // Readers size their output from it; the stream may still turn out shorter or longer.
    virtual size_t size_hint() const { return 0; }

    // Another source over the same bytes from `offset` on, to be read on another thread while
    // this one is read; nullptr where the bytes cannot be read twice.
    virtual std::unique_ptr<ByteSource> source_from(size_t offset) const {
        (void)offset;
        return nullptr;
    }

  protected:
    explicit ByteSource(std::string name) : name_(std::move(name)) {}

    // Called when the current block is used up: makes a new, non-empty block current through
    // set_block() and returns true, or returns false at the end of the stream.
    virtual bool next_block() = 0;
    void set_block(const unsigned char* begin, const unsigned char* end) {
        block_begin_ = pos_ = begin;
        end_ = end;
    }
    void clear_pushback() { pushed_back_ = false; }
    void set_name(std::string name) { name_ = std::move(name); }

  private:
    int refill();
    bool ensure_block();

    const unsigned char* block_begin_ = nullptr;
    const unsigned char* pos_ = nullptr;
    const unsigned char* end_ = nullptr;
    // A pushed-back byte that is not the one just read lives here as a one-byte block; the
    // interrupted block is resumed after it.
    unsigned char pushback_byte_ = 0;
    bool pushed_back_ = false;
    const unsigned char* saved_pos_ = nullptr;
    const unsigned char* saved_end_ = nullptr;
    const unsigned char* saved_begin_ = nullptr;
    std::string name_;
};

// Reads a file in large blocks (never byte-wise system calls).
class FileByteSource final : public ByteSource {
  public:
    static constexpr size_t kBlockSize = 1 << 17;

    FileByteSource() : ByteSource("") {}
    ~FileByteSource() override;

    // Opens the file in byte mode; false when it cannot be opened.
    bool open(const std::string& file_name);
    bool is_open() const { return file_ != nullptr; }
    void close();
    bool rewind() override;
    size_t size_hint() const override { return size_; }
    std::unique_ptr<ByteSource> source_from(size_t offset) const override;

  protected:
    bool next_block() override;

  private:
    FILE* file_ = nullptr;
    size_t size_ = 0;  // of a regular file when opened
    bool exhausted_ = false;
    std::vector<unsigned char> block_;
};

// Reads bytes held in memory: either borrowed (the caller keeps them alive and unchanged while
// the source is used) or moved in.
class MemoryByteSource final : public ByteSource {
  public:
    MemoryByteSource(const void* data, size_t size, std::string name = "(memory)");
    explicit MemoryByteSource(std::vector<unsigned char>&& bytes, std::string name = "(memory)");
    explicit MemoryByteSource(std::string&& bytes, std::string name = "(memory)");
    bool rewind() override;
    size_t size_hint() const override { return size_; }
    std::unique_ptr<ByteSource> source_from(size_t offset) const override;

  protected:
    bool next_block() override;

  private:
    std::vector<unsigned char> owned_;
    const unsigned char* data_ = nullptr;
    size_t size_ = 0;
    bool delivered_ = false;
};

}  // namespace film
