// Reading a film for the merge. Frames are read as the player reads them (captions and c
// lines passed over, placement lines in part order), so films with captions merge too.
#include "film_out/merge_source.h"

#include <sys/stat.h>

#include <cctype>
#include <cmath>
#include <cstdio>

#include "film_model/anmneu_reader.h"
#include "film_model/cad_unwrap.h"
#include "film_model/contour_reader.h"
#include "film_model/contour_text_line.h"
#include "film_out/merge_tables.h"
#include "mw31/file_services.h"
#include "mw31/format.h"
#include "mw31/text_services.h"

namespace film_out {

namespace {

bool starts_with(const std::string& s, const char* prefix) {
    return s.rfind(prefix, 0) == 0;
}

bool blank(const std::string& s) {
    for (char c : s)
        if (static_cast<unsigned char>(c) > ' ') return false;
    return true;
}

std::string unquoted(const std::string& s) {
    if (s.size() >= 2 && (s.front() == '"' || s.front() == '`') && s.back() == s.front())
        return s.substr(1, s.size() - 2);
    return s;
}

// The transform state of one contour file, followed only as far as needed to restore it.
struct Scope {
    double tx = 0, ty = 0, phi = 0;
    bool shift_first = false;
    double unit = 1.0;
    bool fresh() const { return tx == 0 && ty == 0 && phi == 0 && !shift_first && unit == 1.0; }
    bool same(const Scope& o) const {
        return tx == o.tx && ty == o.ty && phi == o.phi && shift_first == o.shift_first &&
               unit == o.unit;
    }
    void follow(const std::string& line) {
        if (film::is_word_line(line, "grad")) {
            unit = M_PI / 180.0;
            return;
        }
        if (film::is_word_line(line, "rad")) {
            unit = 1.0;
            return;
        }
        if (line.empty() || (line[0] != 't' && line[0] != 'T' && line[0] != 'q')) return;
        const std::vector<std::string> a = film::split_contour_arguments(line.substr(1));
        const auto arg = [&](size_t i) { return i < a.size() ? film::parse_real(a[i]) : 0.0; };
        if (line[0] == 'q') {
            if (!shift_first) {
                tx += arg(0);
                ty += arg(1);
                phi += arg(2) * unit;
            }
            return;
        }
        tx = arg(0);
        ty = arg(1);
        phi = arg(2) * unit;
        shift_first = line[0] == 'T';
    }
    // Lines that set this state whatever was in force.
    void emit(std::vector<std::string>* out) const {
        out->push_back("rad");
        out->push_back(
            mw31::format_text("%c %.17g %.17g %.17g", shift_first ? 'T' : 't', tx, ty, phi));
        if (unit != 1.0) out->push_back("grad");
    }
};

struct Inlining {
    std::string directory;
    int opens_left = film::kMaxIncludeOpens;
};

FILE* open_include(const std::string& file, const Inlining& in) {
    FILE* f = mw31::open_file(file, "r");
    if (!f && !file.empty() && file[0] != '/' && file[0] != '\\' && !in.directory.empty())
        f = mw31::open_file(in.directory + "/" + file, "r");
    return f;
}

Scope write_out(const std::vector<std::string>& lines, int depth, Inlining* in,
                std::vector<std::string>* out);

// The lines of an included file up to its "end".
std::vector<std::string> include_lines(FILE* f) {
    std::vector<std::string> lines;
    std::string line;
    while (mw31::read_whole_line(f, &line) && !film::is_word_line(line, "end"))
        lines.push_back(line);
    return lines;
}

Scope write_out(const std::vector<std::string>& lines, int depth, Inlining* in,
                std::vector<std::string>* out) {
    Scope scope;
    for (const std::string& line : lines) {
        scope.follow(line);
        if (line.empty() || line[0] != 'i') {
            out->push_back(line);
            continue;
        }
        const std::vector<std::string> args = film::split_contour_arguments(line.substr(1));
        FILE* f = nullptr;
        if (!args.empty() && depth < film::kMaxIncludeDepth && in->opens_left > 0) {
            --in->opens_left;
            f = open_include(unquoted(args[0]), *in);
        }
        if (!f) {
            // Left to the player, which looks again and says what is missing.
            out->push_back(line);
            continue;
        }
        const std::vector<std::string> included = include_lines(f);
        mw31::close_file(f);
        if (!scope.fresh()) Scope{}.emit(out);
        const Scope after = write_out(included, depth + 1, in, out);
        if (!after.same(scope)) scope.emit(out);
    }
    return scope;
}

// Removes the unwrapped copy of a CAD export however reading ends.
struct TempFile {
    std::string name;
    ~TempFile() {
        if (!name.empty()) mw31::remove_file(name);
    }
};

struct Reader {
    FILE* f = nullptr;
    ~Reader() {
        if (f) mw31::close_file(f);
    }
};

void add_row(MergePartTable* t, double angle, const double v[5]) {
    t->t.push_back(angle);
    t->x.push_back(v[0]);
    t->y.push_back(v[1]);
    t->phi.push_back(v[2]);
    t->sx.push_back(v[3]);
    t->sy.push_back(v[4]);
}

void set_placement(const film::SymbolPlacement& s, double v[5]) {
    v[0] = s.x;
    v[1] = s.y;
    v[2] = s.phi;
    v[3] = s.sx;
    v[4] = s.sy;
}

bool is_placement(const std::string& line) {
    if (line.empty()) return false;
    const char c = line[0];
    return std::isdigit(static_cast<unsigned char>(c)) || c == '+' || c == '-' || c == '.';
}

// The table from the first frame line on: one row per frame, at most F + 1 rows; a film
// that ends early is closed with its first row at one full cycle.
void read_table(FILE* f, std::string line, MergeSource* s) {
    const size_t parts = s->parts.size();
    const size_t max_rows = size_t(s->frames) + 1;
    std::vector<double> row(parts * 5);
    size_t rows = 0, placed = 0;
    bool in_frame = false;
    const auto finish = [&] {
        for (size_t p = 0; p < parts; ++p)
            add_row(&s->parts[p].table, kMergeCycle * double(rows) / double(s->frames),
                    &row[p * 5]);
        ++rows;
    };
    do {
        if (!line.empty() && line[0] == '#') {
            if (in_frame) finish();
            if (rows >= max_rows) {
                in_frame = false;
                break;
            }
            in_frame = true;
            placed = 0;
            for (size_t p = 0; p < parts; ++p) set_placement(film::SymbolPlacement{}, &row[p * 5]);
            continue;
        }
        if (in_frame && placed < parts && is_placement(line)) {
            set_placement(film::parse_symbol_placement(line), &row[placed * 5]);
            ++placed;
        }
    } while (mw31::read_whole_line(f, &line));
    if (in_frame && rows < max_rows) finish();
    if (rows < max_rows && rows > 0) {
        for (MergePart& part : s->parts) {
            MergePartTable& t = part.table;
            const double first[5] = {t.x[0], t.y[0], nearest_turn(t.phi[0], t.phi.back()), t.sx[0],
                                     t.sy[0]};
            add_row(&t, t.t[0] + kMergeCycle, first);
        }
    }
}

// The begin line after "begin" and its number.
std::string begin_rest(const std::string& line) {
    size_t at = 5;
    while (at < line.size() && static_cast<unsigned char>(line[at]) <= ' ') ++at;
    while (at < line.size() && static_cast<unsigned char>(line[at]) > ' ') ++at;
    while (at < line.size() && static_cast<unsigned char>(line[at]) <= ' ') ++at;
    return line.substr(at);
}

std::string directory_of(const std::string& name) {
    const std::string native = mw31::native_file_name(name);
    const size_t slash = native.find_last_of('/');
    if (slash == std::string::npos) return std::string();
    return slash == 0 ? std::string("/") : native.substr(0, slash);
}

}  // namespace

std::vector<std::string> merge_contour_lines(const std::vector<std::string>& lines,
                                             const std::string& include_directory) {
    Inlining in{include_directory};
    std::vector<std::string> out;
    write_out(lines, 0, &in, &out);
    return out;
}

int merge_read_film(const std::string& name, int part_room, MergeSource* s) {
    *s = MergeSource{};
    s->name = name;
    if (name.empty()) {
        mw31::message_printf("Leerer Filmdateiverweis / Empty animation file reference");
        return 1;
    }
    Reader in;
    // A device or a pipe named as a film would block or never end.
    struct stat st;
    const bool plain =
        ::stat(mw31::native_file_name(name).c_str(), &st) == 0 && S_ISREG(st.st_mode);
    in.f = plain ? mw31::open_file(name, "rb") : nullptr;
    if (!in.f) {
        mw31::message_printf("kann Datei nicht oeffnen / cannot open %s", name.c_str());
        return 1;
    }
    std::string line;
    mw31::read_whole_line(in.f, &line);
    TempFile unwrapped;
    if (starts_with(line, "# CAD-") && line.find("---") != std::string::npos) {
        mw31::close_file(in.f);
        in.f = nullptr;
        std::string said;
        const auto keep = [&said](const std::string& m) { said = m; };
        if (mw31::film_temp_name(&unwrapped.name) != 0 ||
            film::cad_unwrap_anmneu(name, unwrapped.name, keep) != 0 ||
            !(in.f = mw31::open_file(unwrapped.name, "rb"))) {
            if (said.empty())
                said = mw31::format_text(
                    "vereinigung_flm_files: %s: ist keine FLM-Datei / is no FLM file",
                    name.c_str());
            mw31::message_printf("%s", said.c_str());
            return 1;
        }
        mw31::read_whole_line(in.f, &line);
    }
    if (!starts_with(line, "ANMNEU")) {
        mw31::message_printf("vereinigung_flm_files: %s: ist keine FLM-Datei / is no FLM file",
                             name.c_str());
        return 1;
    }
    mw31::read_whole_line(in.f, &line);  // the part count: the begin lines decide
    mw31::read_whole_line(in.f, &line);
    s->frames = film::parse_int(line);
    if (s->frames < 1) {
        mw31::message_printf(
            "vereinigung_flm_files: %s: keine Getriebestellungen / no frames (F = %d)",
            name.c_str(), s->frames);
        return 1;
    }
    for (double& v : s->window) {
        mw31::read_whole_line(in.f, &line);
        v = film::parse_real(line);
    }
    if (!mw31::read_whole_line(in.f, &line) || line != "--- Start Infotext ---") {
        mw31::message_printf("%s: Infotext fehlt / missing infotext", name.c_str());
        return 1;
    }
    while (mw31::read_whole_line(in.f, &line) && line != "--- Ende Infotext ---")
        s->info.push_back(line);
    while (mw31::read_whole_line(in.f, &line) && line != "--- Symbol-Dateien ---") {
    }

    const std::string include_directory = directory_of(name);
    const auto table_missing = [&] {
        mw31::message_printf(
            "vereinigung_flm_files: %s: Koordinatentabelle fehlt / coordinate table missing",
            name.c_str());
        return 1;
    };
    for (;;) {
        if (!mw31::read_whole_line(in.f, &line)) return table_missing();
        if (!line.empty() && line[0] == '#') break;
        if (blank(line)) continue;
        if (!starts_with(line, "begin") ||
            (line.size() > 5 && static_cast<unsigned char>(line[5]) > ' ')) {
            mw31::message_printf("%s: begin erwartet / begin expected", name.c_str());
            return 1;
        }
        if (int(s->parts.size()) >= part_room) {
            mw31::message_printf("vereinigung_flm_files: zu viele Bauteile / too many parts");
            return 1;
        }
        MergePart part;
        part.begin_rest = begin_rest(line);
        std::string* heading[3] = {&part.heading[0], &part.heading[1], &part.colour};
        for (std::string* h : heading)
            if (!mw31::read_whole_line(in.f, h)) return table_missing();
        std::vector<std::string> body;
        bool at_table = false;
        while (mw31::read_whole_line(in.f, &line)) {
            if (film::is_word_line(line, "end")) break;
            if (!line.empty() && line[0] == '#') {
                at_table = true;  // a part without its end: the table starts here
                break;
            }
            body.push_back(line);
        }
        part.body = merge_contour_lines(body, include_directory);
        s->parts.push_back(std::move(part));
        if (at_table) break;
        if (std::feof(in.f)) return table_missing();
    }
    read_table(in.f, line, s);
    return 0;
}

}  // namespace film_out
