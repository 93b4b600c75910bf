// Reader of the contour language; every symbol of an ANMNEU film and every vector graphic
// of the 3D viewer is read here.
#include "film_model/contour_reader.h"

#include <sys/stat.h>

#include <cctype>
#include <cmath>

#include "film_model/contour_text_line.h"
#include "mw31/file_services.h"
#include "mw31/format.h"

namespace film {

namespace {

bool is_separator(char c) {
    return c == ' ' || c == '\t' || c == ',' || c == ';';
}

// The transform and angle unit in force; every file (includes too) starts with a fresh one.
struct Transform {
    double tx = 0, ty = 0, phi = 0;
    bool shift_first = false;  // mode S: shift, then rotate
    double unit = 1.0;         // factor of transform angles: 1 (rad) or pi/180 (grad)

    void apply(double px, double py, double* x, double* y) const {
        const double c = std::cos(phi), s = std::sin(phi);
        if (shift_first) {
            px += tx;
            py += ty;
            *x = c * px - s * py;
            *y = s * px + c * py;
        } else {
            *x = c * px - s * py + tx;
            *y = s * px + c * py + ty;
        }
    }
};

// What one top-level call shares with the includes it reads.
struct ReadState {
    const ContourReading& reading;
    ContourElement* elements;
    int max;
    int count = 0;
    bool full_reported = false;
    bool long_line_reported = false;
    bool depth_reported = false;
    int includes_left = kMaxIncludeOpens;
    std::set<std::string> missing_said{};  // when the reading brings no set of its own
};

double number_arg(const std::vector<std::string>& args, size_t i) {
    return i < args.size() ? parse_real(args[i]) : 0.0;
}

std::string unquoted(const std::string& s) {
    if (s.size() >= 2 && (s.front() == '"' || s.front() == '`') && s.back() == s.front()) {
        return s.substr(1, s.size() - 2);
    }
    return s;
}

// A relative name is looked up in the current directory first, as films always did, then
// beside the film that is being read, so a film plays from wherever it is started.
FILE* open_include(const std::string& name, const ContourReading& reading) {
    const std::string file = unquoted(name);
    FILE* f = mw31::open_file(file, "r");
    const std::string& dir = reading.include_directory;
    if (!f && !file.empty() && file[0] != '/' && file[0] != '\\' && !dir.empty())
        f = mw31::open_file(dir + "/" + file, "r");
    return f;
}

void read_contour(FILE* stream, ReadState* st, int depth);

void handle_line(const std::string& line, Transform* tf, ReadState* st, int depth) {
    if (is_word_line(line, "grad")) {
        tf->unit = M_PI / 180.0;
        return;
    }
    if (is_word_line(line, "rad")) {
        tf->unit = 1.0;
        return;
    }
    if (line.empty()) return;
    const char command = line[0];
    if (std::string("tTqnmdcfi").find(command) == std::string::npos) return;
    const std::vector<std::string> args = split_contour_arguments(line.substr(1));
    ContourElement e;
    switch (command) {
        case 't':
        case 'T':
            tf->tx = number_arg(args, 0);
            tf->ty = number_arg(args, 1);
            tf->phi = number_arg(args, 2) * tf->unit;
            tf->shift_first = command == 'T';
            return;
        case 'q':
            if (!tf->shift_first) {
                tf->tx += number_arg(args, 0);
                tf->ty += number_arg(args, 1);
                tf->phi += number_arg(args, 2) * tf->unit;
            }
            return;
        case 'n':
        case 'm':
        case 'd':
            e.kind = command == 'n' ? kContourPoint : command == 'm' ? kContourMove : kContourDraw;
            tf->apply(number_arg(args, 0), number_arg(args, 1), &e.x, &e.y);
            break;
        case 'c':
            // Arc angles are degrees whatever unit the transform commands use.
            e.kind = kContourArc;
            tf->apply(number_arg(args, 0), number_arg(args, 1), &e.x, &e.y);
            e.r = number_arg(args, 2);
            e.start = number_arg(args, 3) * M_PI / 180.0 + tf->phi;
            e.end = number_arg(args, 4) * M_PI / 180.0 + tf->phi;
            break;
        case 'f': {
            e.kind = kContourColour;
            const std::string name = args.empty() ? std::string() : args[0];
            const bool number = !name.empty() && std::isdigit(static_cast<unsigned char>(name[0]));
            e.x = number ? parse_int(name) : colour_from_name(name);
            break;
        }
        case 'i': {
            if (args.empty()) return;
            if (depth >= kMaxIncludeDepth || st->includes_left <= 0) {
                if (!st->depth_reported) {
                    st->reading.report(mw31::format_text(
                        "%s: zu viele oder zu tief verschachtelte Dateien / too many or too "
                        "deeply nested include files (max. %d, %d)\n",
                        st->reading.message_name.c_str(), kMaxIncludeOpens, kMaxIncludeDepth));
                    st->depth_reported = true;
                }
                return;
            }
            --st->includes_left;
            FILE* included = open_include(args[0], st->reading);
            if (!included) {
                // The parts it held are left out: say which file, once.
                std::set<std::string>& said =
                    st->reading.missing_said ? *st->reading.missing_said : st->missing_said;
                const std::string file = unquoted(args[0]);
                if (said.insert(file).second)
                    st->reading.report(
                        mw31::format_text("%s: Include-Datei fehlt / include file missing: %s",
                                          st->reading.message_name.c_str(), file.c_str()));
                return;
            }
            read_contour(included, st, depth + 1);
            mw31::close_file(included);
            return;
        }
    }
    st->elements[st->count++] = e;
}

void read_contour(FILE* stream, ReadState* st, int depth) {
    Transform tf;
    std::string line;
    bool cut = false;
    while (read_text_line_cut(stream, &line, &cut)) {
        if (is_word_line(line, st->reading.end_word.c_str())) return;
        if (st->count >= st->max) {
            if (!st->full_reported) {
                st->reading.report(mw31::format_text(
                    "%s: zu viele Konturelemente / too many contour elements (max. %d)\n",
                    st->reading.message_name.c_str(), st->max));
                st->full_reported = true;
            }
            continue;  // keep reading so that the stream ends up after "end"
        }
        if (cut && !st->long_line_reported) {
            st->reading.report(
                mw31::format_text("%s: Zeile zu lang, gekuerzt / line too long, cut (max. %d)\n",
                                  st->reading.message_name.c_str(), kMaxTextLine));
            st->long_line_reported = true;
        }
        handle_line(line, &tf, st, depth);
    }
}

int include_room(const std::string& name, int depth, int* opens_left,
                 const ContourReading& reading);

int room_for_line(const std::string& line, int depth, int* opens_left,
                  const ContourReading& reading) {
    if (line.empty() || line[0] != 'i' || depth >= kMaxIncludeDepth || *opens_left <= 0) return 1;
    const std::vector<std::string> args = split_contour_arguments(line.substr(1));
    return 1 + (args.empty() ? 0 : include_room(args[0], depth + 1, opens_left, reading));
}

int include_room(const std::string& name, int depth, int* opens_left,
                 const ContourReading& reading) {
    --*opens_left;
    FILE* f = open_include(name, reading);
    if (!f) return 0;
    int room = 0;
    std::string line;
    bool cut = false;
    while (read_text_line_cut(f, &line, &cut) && !is_word_line(line, reading.end_word.c_str())) {
        const int more = room_for_line(line, depth, opens_left, reading);
        room = more > (1 << 28) - room ? (1 << 28) : room + more;
    }
    mw31::close_file(f);
    return room;
}

}  // namespace

std::vector<std::string> split_contour_arguments(const std::string& text) {
    std::vector<std::string> args;
    size_t i = 0;
    while (true) {
        while (i < text.size() && is_separator(text[i])) ++i;
        if (i >= text.size()) break;
        std::string token;
        while (i < text.size() && !is_separator(text[i])) {
            const char c = text[i];
            if (c == '"' || c == '`') {
                token += c;
                ++i;
                while (i < text.size() && text[i] != c) token += text[i++];
                token += c;  // a missing closing quote is supplied
                if (i < text.size()) ++i;
            } else {
                token += c;
                ++i;
            }
        }
        args.push_back(token);
    }
    return args;
}

int do_load_detail_def(FILE* stream, ContourElement* elements, int* count_out, int max,
                       const ContourReading& reading) {
    ReadState st{reading, elements, max < 0 ? 0 : max};
    if (stream) read_contour(stream, &st, 0);
    *count_out = st.count;
    return 0;
}

int contour_room_for_lines(const std::vector<std::string>& lines, const ContourReading& reading) {
    int room = 0;
    int opens_left = kMaxIncludeOpens;
    for (const std::string& line : lines) {
        const int more = room_for_line(line, 0, &opens_left, reading);
        room = more > (1 << 28) - room ? (1 << 28) : room + more;
    }
    return room;
}

}  // namespace film
