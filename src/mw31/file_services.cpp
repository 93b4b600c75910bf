// Opening, reading, copying and naming files.
#include "mw31/file_services.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <vector>

#include "mw31/atomic_file.h"
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

bool read_whole_line(FILE* stream, std::string* line) {
    line->clear();
    int c;
    bool any = false;
    while ((c = std::getc(stream)) != EOF) {
        any = true;
        if (c == '\n') break;
        *line += char(c);
    }
    if (!line->empty() && line->back() == '\r') line->pop_back();
    return any;
}

int copy_file(const std::string& source, const std::string& target, std::string* error) {
    if (error) error->clear();
    const std::string from = native_file_name(source);
    const std::string to = native_file_name(target);
    if (from == to) return 0;
    // Two names of one file: already a copy (and a rename would split a hard link).
    struct stat a, b;
    if (::stat(from.c_str(), &a) == 0 && ::stat(to.c_str(), &b) == 0 && a.st_dev == b.st_dev &&
        a.st_ino == b.st_ino)
        return 0;
    FILE* in = std::fopen(from.c_str(), "rb");
    if (!in) {
        if (error) *error = file_error_text(errno);
        return 1;
    }
    // The target is replaced only when the whole copy is on disk: a full disk must not
    // leave a film cut short where the old one was.
    AtomicFile out;
    bool ok = out.begin(to);
    char block[8192];
    while (ok) {
        const std::size_t n = std::fread(block, 1, sizeof block, in);
        if (n > 0 && !out.write(block, n)) ok = false;
        if (n < sizeof block) {
            if (std::ferror(in)) {
                if (error) *error = "read error in " + from;
                std::fclose(in);
                return 1;  // out removes its temporary
            }
            break;
        }
    }
    std::fclose(in);
    if (ok) ok = out.commit();
    if (!ok && error) *error = out.error();
    return ok ? 0 : 1;
}

int film_temp_name(std::string* buffer) {
    if (!buffer) return 1;
    buffer->clear();
    std::string path = temp_directory();
    if (path.empty()) return 1;  // no private folder: the reason was shown
    path += "/KV_XXXXXX";
    std::vector<char> name(path.begin(), path.end());
    name.push_back('\0');
    const int fd = ::mkostemp(name.data(), O_CLOEXEC);
    if (fd < 0) return 1;
    ::close(fd);
    *buffer = name.data();
    return 0;
}

}  // namespace mw31
