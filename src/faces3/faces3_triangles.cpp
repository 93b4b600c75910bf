// Reader of the library's line-based triangle lists, from a file name or from a stream
// that is left positioned after the closing "end_triangles" line.
#include <charconv>
#include <climits>
#include <cstdio>
#include <istream>
#include <string>
#include <string_view>
#include <vector>

#include "faces3/faces3_body.h"

namespace {

// Lines longer than this are cut; nothing in a valid list comes close.
constexpr size_t kMaxLine = 4096;

class LineSource {
  public:
    virtual ~LineSource() = default;
    // Next line without its line break; false at the end of the input.
    virtual bool next(std::string& line) = 0;
};

class FileLines : public LineSource {
  public:
    explicit FileLines(std::FILE* fp) : fp_(fp) {}
    bool next(std::string& line) override {
        line.clear();
        int c = std::getc(fp_);
        if (c == EOF) return false;
        while (c != EOF && c != '\n') {
            if (line.size() < kMaxLine) line.push_back(static_cast<char>(c));
            c = std::getc(fp_);
        }
        return true;
    }

  private:
    std::FILE* fp_;
};

class StreamLines : public LineSource {
  public:
    explicit StreamLines(std::istream& in) : in_(in) {}
    bool next(std::string& line) override {
        if (!std::getline(in_, line)) return false;
        if (line.size() > kMaxLine) line.resize(kMaxLine);
        return true;
    }

  private:
    std::istream& in_;
};

bool is_space(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f';
}

std::string_view trim(std::string_view s) {
    while (!s.empty() && is_space(s.front())) s.remove_prefix(1);
    while (!s.empty() && is_space(s.back())) s.remove_suffix(1);
    return s;
}

// Whitespace-separated words of a line.
std::vector<std::string_view> words(std::string_view s) {
    std::vector<std::string_view> w;
    size_t i = 0;
    while (i < s.size()) {
        while (i < s.size() && is_space(s[i])) ++i;
        const size_t b = i;
        while (i < s.size() && !is_space(s[i])) ++i;
        if (i > b) w.push_back(s.substr(b, i - b));
    }
    return w;
}

// Locale-independent number parsing; the whole word must be a number.
bool number(std::string_view w, double& v) {
    if (!w.empty() && w.front() == '+') w.remove_prefix(1);
    const auto r = std::from_chars(w.data(), w.data() + w.size(), v);
    return r.ec == std::errc() && r.ptr == w.data() + w.size();
}

bool integer(std::string_view w, int& v) {
    if (!w.empty() && w.front() == '+') w.remove_prefix(1);
    const auto r = std::from_chars(w.data(), w.data() + w.size(), v);
    return r.ec == std::errc() && r.ptr == w.data() + w.size();
}

// Reads count numbers from words[first ...]; false unless all are there.
bool numbers(const std::vector<std::string_view>& w, size_t first, int count, double* out) {
    if (w.size() < first + count) return false;
    for (int i = 0; i < count; ++i) {
        if (!number(w[first + i], out[i])) return false;
    }
    return true;
}

struct Header {
    double placement[12] = {0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0, 1};
    double factor = 0.001;
    int n = 0;  // 0 = not given
};

double checked_factor(double f) {
    return f >= 1e-12 ? f : 0.001;
}

int times3(int n) {
    return n > INT_MAX / 3 ? INT_MAX : 3 * n;
}

Faces3Koerper* read_list(LineSource& src) {
    Header h;
    std::string line;
    bool have_line = false;
    // Header: "triangles", "n", "t" and "f" lines up to the first other line.
    while ((have_line = src.next(line))) {
        const auto w = words(line);
        if (w.size() == 1 && w[0] == "triangles") continue;
        if (w.size() >= 2 && w[0] == "n") {
            int n = 0;
            if (integer(w[1], n)) {
                if (n < 1) {
                    h = Header{};  // restart the header
                } else {
                    h.n = n;
                }
                continue;
            }
        }
        if (w.size() >= 1 && w[0] == "t") {
            double pl[12];
            if (numbers(w, 1, 12, pl)) {
                std::copy(pl, pl + 12, h.placement);
                continue;
            }
        }
        if (w.size() >= 1 && w[0] == "f") {
            double f;
            if (numbers(w, 1, 1, &f)) {
                h.factor = checked_factor(f);
                continue;
            }
        }
        break;
    }
    if (!have_line) return nullptr;
    if (trim(line).empty() || trim(line) == "end_triangles") {
        // No body; still consume the list so that a caller reading on finds what follows.
        if (trim(line) != "end_triangles") {
            while (src.next(line) && trim(line) != "end_triangles") {
            }
        }
        return nullptr;
    }
    const int n = h.n;
    Faces3Koerper* k = n > 0 ? faces3_new_koerper("triangles", times3(n), times3(n), n, 1)
                             : faces3_new_koerper("triangles", 0, 0, 0, 0);
    if (!k) return nullptr;
    faces3_open_flaeche(k, "~oberflaeche");
    const bool nosearch = faces3_get_nosearch() != 0;
    long long read = 0;
    do {
        const std::string_view l = trim(line);
        if (l == "end_triangles") break;
        const auto w = words(l);
        if (!w.empty() && w[0] == "t") {
            double pl[12];
            if (numbers(w, 1, 12, pl)) std::copy(pl, pl + 12, h.placement);
            continue;
        }
        if (!w.empty() && w[0] == "N") {
            int v[4];
            if (nosearch && w.size() >= 5 && integer(w[1], v[0]) && integer(w[2], v[1]) &&
                integer(w[3], v[2]) && integer(w[4], v[3])) {
                faces3_set_nachbarn(k, v[0], v[1], v[2], v[3]);
            }
            continue;
        }
        if (n > 0 && read >= n) continue;
        double c[9];
        if (!numbers(w, 0, 9, c)) continue;  // not a triangle line: skipped
        ++read;
        const double* pl = h.placement;
        double q[9];
        for (int p = 0; p < 3; ++p) {
            const double x = c[3 * p], y = c[3 * p + 1], z = c[3 * p + 2];
            for (int a = 0; a < 3; ++a) {
                q[3 * p + a] = h.factor * (pl[a] + x * pl[3 + a] + y * pl[6 + a] + z * pl[9 + a]);
            }
        }
        faces3_insert_dreieck(k, q[0], q[1], q[2], q[3], q[4], q[5], q[6], q[7], q[8]);
    } while (src.next(line));
    k->typ = FACES3_TYP_NETZ;
    if (!nosearch) {
        faces3_kantenpunkte_zerlegen(k);
        faces3_cpt_nachbarn(k);
    }
    return k;
}

}  // namespace

Faces3Koerper* faces3_rcv_from_triangles(std::FILE* fp) {
    if (!fp) return nullptr;
    FileLines src(fp);
    return read_list(src);
}

Faces3Koerper* faces3_rcv_from_triangles(std::istream& in) {
    StreamLines src(in);
    return read_list(src);
}

Faces3Koerper* faces3_rcv_from_triangles(const char* filename) {
    if (!filename) return nullptr;
    std::FILE* fp = std::fopen(filename, "rb");
    if (!fp) return nullptr;
    Faces3Koerper* k = faces3_rcv_from_triangles(fp);
    std::fclose(fp);
    return k;
}

Faces3Koerper* faces3_rcv_from_triangles(const char* filename, std::FILE* fp, int is_open) {
    return is_open ? faces3_rcv_from_triangles(fp) : faces3_rcv_from_triangles(filename);
}
