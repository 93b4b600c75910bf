// Opening, reading, copying and naming files.
#include "mw31/file_services.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <vector>

#include "mw31/temp_names.h"

namespace mw31 {

namespace {

// Reads one line, storing at most limit characters through store.
template <class Store>
bool read_line(FILE* stream, std::size_t limit, Store store) {
    // After a "\r", a following "\n" belongs to the same line end.
    auto finish_cr = [stream] {
        const int d = std::getc(stream);
        if (d != '\n' && d != EOF) std::ungetc(d, stream);
    };
    std::size_t n = 0;
    for (;;) {
        const int c = std::getc(stream);
        if (n == limit) {
            // Full: the rest of the line comes with the next call, but a line end that
            // follows right away is taken so that it does not make an empty line.
            if (c == '\r')
                finish_cr();
            else if (c != '\n' && c != EOF)
                std::ungetc(c, stream);
            return true;
        }
        if (c == EOF) return n > 0;
        if (c == '\n') return true;
        if (c == '\r') {
            finish_cr();
            return true;
        }
        store(char(c));
        ++n;
    }
}

}  // namespace

std::string native_file_name(const std::string& name) {
    std::string out = name;
    for (char& c : out)
        if (c == '\\') c = '/';
    return out;
}

FILE* open_file(const std::string& name, const char* mode) {
    if (!mode) return nullptr;
    return std::fopen(native_file_name(name).c_str(), mode);
}

void close_file(FILE* stream) {
    if (stream) std::fclose(stream);
}

int remove_file(const std::string& name) {
    return std::remove(native_file_name(name).c_str()) == 0 ? 0 : 1;
}

int open_raw(const std::string& name, int flags, int mode) {
    return ::open(native_file_name(name).c_str(), flags, mode);
}

bool read_text_line(FILE* stream, char* buffer, int count) {
    if (!buffer || count < 1) return false;
    buffer[0] = '\0';
    if (!stream || count < 2) return false;
    std::size_t n = 0;
    const bool got = read_line(stream, std::size_t(count - 1), [&](char c) { buffer[n++] = c; });
    buffer[n] = '\0';
    return got;
}

bool read_text_line(FILE* stream, std::string* line, int max_chars) {
    if (!line) return false;
    line->clear();
    if (!stream || max_chars < 1) return false;
    return read_line(stream, std::size_t(max_chars), [line](char c) { *line += c; });
}

int copy_file(const std::string& source, const std::string& target) {
    const std::string from = native_file_name(source);
    const std::string to = native_file_name(target);
    if (from == to) return 0;
    // Two names of one file: copying would truncate the source before reading it.
    struct stat a, b;
    if (::stat(from.c_str(), &a) == 0 && ::stat(to.c_str(), &b) == 0 && a.st_dev == b.st_dev &&
        a.st_ino == b.st_ino)
        return 0;
    FILE* in = std::fopen(from.c_str(), "rb");
    if (!in) return 1;
    FILE* out = std::fopen(to.c_str(), "wb");
    if (!out) {
        std::fclose(in);
        return 1;
    }
    char block[1024];
    bool ok = true;
    for (;;) {
        const std::size_t n = std::fread(block, 1, sizeof block, in);
        if (n > 0 && std::fwrite(block, 1, n, out) != n) {
            ok = false;
            break;
        }
        if (n < sizeof block) {
            ok = !std::ferror(in);
            break;
        }
    }
    std::fclose(in);
    if (std::fclose(out) != 0) ok = false;
    return ok ? 0 : 1;
}

int film_temp_name(std::string* buffer) {
    if (!buffer) return 1;
    buffer->clear();
    std::string path = temp_directory();
    if (path.empty() || path.back() != '/') path += '/';
    path += "KV_XXXXXX";
    std::vector<char> name(path.begin(), path.end());
    name.push_back('\0');
    const int fd = ::mkstemp(name.data());
    if (fd < 0) return 1;
    ::close(fd);
    *buffer = name.data();
    return 0;
}

}  // namespace mw31
