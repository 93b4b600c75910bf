// The ANM3D loader: pre-scan, header, info text, the keyword lines of the body and the frame
// records. Vector graphics go through the films' contour reader, mesh bodies through faces3.
#include "gl3d/scene_loader.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <utility>

#include "faces3/faces3_output.h"
#include "faces3/vrml_import.h"
#include "film_model/contour_reader.h"
#include "film_model/contour_text_line.h"
#include "mw31/atomic_file.h"
#include "mw31/file_services.h"
#include "mw31/format.h"
#include "mw31/temp_names.h"
#include "numeric/vec3.h"

namespace gl3d {

namespace {

constexpr const char* kLoaderName = "kvgl_animation";

bool is_separator(char c) {
    return c == ' ' || c == '\t' || c == ',' || c == ';';
}

bool starts_with(std::string_view line, std::string_view word) {
    return line.substr(0, word.size()) == word;
}

// Lines end at a line feed; a carriage return before it is dropped, so files written with
// CR LF read alike.
class LineReader {
  public:
    explicit LineReader(FILE* f) : f_(f) {}
    ~LineReader() { std::free(buf_); }
    bool next(std::string_view* line) {
        const ssize_t n = getline(&buf_, &cap_, f_);
        if (n < 0) return false;
        size_t len = size_t(n);
        if (len && buf_[len - 1] == '\n') --len;
        if (len && buf_[len - 1] == '\r') --len;
        *line = std::string_view(buf_, len);
        ++number_;
        return true;
    }
    int number() const { return number_; }

  private:
    FILE* f_;
    char* buf_ = nullptr;
    size_t cap_ = 0;
    int number_ = 0;
};

// Routes the mesh library's output hooks (plain function pointers) to the loader's
// functions while a load runs.
struct Faces3Hooks {
    static inline const film::ReportFn* message = nullptr;
    static inline const film::ReportFn* terminal = nullptr;
    static void on_message(const char* text) {
        if (message && *message) (*message)(text);
    }
    static void on_terminal(const char* text) {
        if (terminal && *terminal) (*terminal)(text);
    }
    Faces3Hooks(const film::ReportFn& m, const film::ReportFn& t) {
        message = &m;
        terminal = &t;
        faces3_set_message_output(on_message);
        faces3_set_terminal_output(on_terminal);
    }
    ~Faces3Hooks() {
        faces3_set_message_output(nullptr);
        faces3_set_terminal_output(nullptr);
        message = terminal = nullptr;
    }
};

std::string directory_of(const std::string& file) {
    const size_t slash = file.find_last_of('/');
    return slash == std::string::npos ? std::string() : file.substr(0, slash);
}

class Loader {
  public:
    Loader(FILE* f, Scene* scene, const LoadOptions& options, std::string directory)
        : lines_(f), f_(f), scene_(scene), options_(options), directory_(std::move(directory)) {}

    void read_body();
    bool read_header(const std::string& file_name);

  private:
    void report(const std::string& text) {
        if (options_.report) options_.report(text);
    }
    void note_bad_number(bool bad);
    int numbers(const std::vector<std::string_view>& tokens, size_t first, double* out, int max) {
        bool bad = false;
        const int n = read_scene_numbers(tokens, first, out, max, &bad);
        note_bad_number(bad);
        return n;
    }
    int numbers_of(std::string_view line, size_t skip, double* out, int max) {
        bool bad = false;
        const int n = read_scene_line_numbers(line.substr(skip), out, max, &bad);
        note_bad_number(bad);
        return n;
    }
    SceneObject* open_object() { return open_ ? &pending_ : nullptr; }
    int next_part_id() const {
        return int(scene_->objects.size()) * kPartIdObjectFactor + int(pending_.parts.size());
    }
    // The part slot is taken only when the constructor made the part.
    bool has_room() const { return open_ && pending_.parts.size() < size_t(kMaxPartsPerObject); }
    void add_part(int kind, size_t index) { pending_.parts.push_back({kind, int(index)}); }

    void begin_object(std::string_view line);
    void vektorgrafik(std::string_view line);
    void triangles(std::string_view line);
    void vrml(std::string_view line);
    void polygon(std::string_view line);
    void cylinder(std::string_view line, bool tube);
    void box(std::string_view line);
    void frame_record();
    bool add_body(Faces3Koerper* k, int flags, const double* placement, bool from_triangles);

    LineReader lines_;
    FILE* f_;
    Scene* scene_;
    const LoadOptions& options_;
    std::string directory_;
    std::vector<std::string_view> tokens_;
    SceneObject pending_;
    bool open_ = false;
    int colour_ = 0xFFFFFF;
    ViewRecord view_from_file_ = unset_view();
    bool bad_number_reported_ = false;
    bool frames_beyond_reported_ = false;
    // Placements of the last kept record: the next one is given that room at once.
    size_t last_record_positions_ = 0;
};

void Loader::note_bad_number(bool bad) {
    if (bad && !bad_number_reported_) {
        report(mw31::format_text(
            "%s: %s Zeile %d: keine gueltige Zahl, der Rest der Zeile gilt nicht / not a valid "
            "number, the rest of the line is ignored",
            kLoaderName, scene_->file_name.c_str(), lines_.number()));
        bad_number_reported_ = true;
    }
}

bool Loader::read_header(const std::string& file_name) {
    std::string_view line;
    if (!lines_.next(&line) || line != "ANM3D") {
        report(mw31::format_text("%s ist keine 3D-Animation", file_name.c_str()));
        return false;
    }
    double v = 0;
    if (!lines_.next(&line) || numbers_of(line, 0, &v, 1) < 1 || v < 1 || v > 2e9) return false;
    const int objects = int(v);
    v = -1;
    if (!lines_.next(&line) || numbers_of(line, 0, &v, 1) < 1 || v < 0 || v > 2e9) return false;
    const int declared = int(v);

    const std::string info_name =
        options_.info_name.empty() ? mw31::temp_info_name() : options_.info_name;
    if (!info_name.empty()) std::remove(info_name.c_str());
    bool in_info = false, info_started = false;
    std::string info;
    while (lines_.next(&line) && line != "--- Symbol-Dateien ---") {
        if (line == "--- Start Infotext ---") {
            in_info = true;
        } else if (line == "--- Ende Infotext ---") {
            in_info = false;
        } else if (in_info) {
            if (!info_started)
                for (char c : line)
                    if (static_cast<unsigned char>(c) >= '!') info_started = true;
            if (info_started) (info += line) += '\n';
        }
    }
    // The previous scene goes only once this file is known to be an animation.
    scene_->clear();
    scene_->file_name = file_name;
    scene_->object_count = objects;
    scene_->declared_frames = declared;
    if (info_started && !info_name.empty()) {
        std::string error;
        if (mw31::write_file_atomically(info_name, info, &error))
            scene_->info_text_present = true;
        else
            report(mw31::format_text("%s: kann %s nicht schreiben / cannot write %s: %s",
                                     kLoaderName, info_name.c_str(), info_name.c_str(),
                                     error.c_str()));
    }
    return true;
}

void Loader::read_body() {
    std::string_view line;
    while (lines_.next(&line)) {
        if (starts_with(line, "objectspos")) {
            numbers_of(line, 10, scene_->global.data(), 12);
        } else if (starts_with(line, "view")) {
            numbers_of(line, 4, view_from_file_.data(), 12);
        } else if (starts_with(line, "begin")) {
            begin_object(line);
        } else if (line == "end") {
            if (open_) scene_->objects.push_back(std::move(pending_));
            pending_ = SceneObject{};
            open_ = false;
        } else if (starts_with(line, "color")) {
            double rgb[3] = {1, 1, 1};
            numbers_of(line, 5, rgb, 3);
            colour_ = packed_colour(rgb[0], rgb[1], rgb[2]);
        } else if (starts_with(line, "vektorgrafik")) {
            vektorgrafik(line);
        } else if (starts_with(line, "triangles")) {
            triangles(line);
        } else if (starts_with(line, "vrml")) {
            vrml(line);
        } else if (starts_with(line, "polygon")) {
            polygon(line);
        } else if (starts_with(line, "zylinder")) {
            cylinder(line, false);
        } else if (starts_with(line, "rohr")) {
            cylinder(line, true);
        } else if (starts_with(line, "quader")) {
            box(line);
        } else if (starts_with(line, "#")) {
            frame_record();
        }
    }
    // An object without its "end" line never counts.
    scene_->current_frame = scene_->frame_count() - 1;
    scene_->view = view_from_file_;
}

void Loader::begin_object(std::string_view line) {
    split_scene_tokens(line, &tokens_);
    std::string name = tokens_.size() > 2 ? std::string(tokens_[2]) : std::string();
    if (name.size() > 255) name.resize(255);
    std::string_view colour_line;
    double rgb[3] = {1, 1, 1};
    if (lines_.next(&colour_line)) numbers_of(colour_line, 0, rgb, 3);
    if (scene_->objects.size() >= size_t(kMaxObjects)) return;
    pending_ = SceneObject{};
    pending_.name = std::move(name);
    open_ = true;
    colour_ = packed_colour(rgb[0], rgb[1], rgb[2]);
}

void Loader::vektorgrafik(std::string_view line) {
    double v[13] = {0};
    std::copy(kIdentityPlacement.begin(), kIdentityPlacement.end(), v + 1);
    numbers_of(line, 12, v, 13);
    // The contour's lines up to "end_vektorgrafik" or "end" are taken out of the file here
    // and handed to the one contour reader of the films, which knows a single end word.
    std::string text;
    std::vector<std::string> contour_lines;
    std::string_view l;
    while (lines_.next(&l) && !film::is_word_line(l, "end_vektorgrafik") &&
           !film::is_word_line(l, "end")) {
        (text += l) += '\n';
        contour_lines.emplace_back(l);
    }
    if (!has_room() || scene_->vector_graphics.size() >= size_t(kMaxVectorGraphics)) return;
    film::ContourReading reading;
    reading.include_directory = directory_;
    reading.message_name = "kvgl_load_detail_def";
    reading.report = options_.report;
    const int room = film::contour_room_for_lines(contour_lines, reading);
    const int max = room < kMaxVectorElements ? room : kMaxVectorElements;
    std::vector<film::ContourElement> elements(size_t(max) + 1);
    int count = 0;
    if (FILE* mem = text.empty() ? nullptr : fmemopen(text.data(), text.size(), "r")) {
        film::do_load_detail_def(mem, elements.data(), &count, max, reading);
        std::fclose(mem);
    }
    if (count <= 0) return;  // a contour without elements makes no part
    elements.resize(size_t(count));
    VectorGraphicPart part;
    part.part_id = next_part_id();
    part.option = int(std::trunc(std::isfinite(v[0]) ? std::fmax(-2e9, std::fmin(v[0], 2e9)) : 0));
    part.object_name = pending_.name;
    Placement p;
    std::copy(v + 1, v + 13, p.begin());
    part.part_matrix = placement_matrix(p);
    // The scene box sees the contour under its part placement (z = 0 in the contour plane).
    for (const film::ContourElement& e : elements) {
        const int kind = film::contour_kind(e);
        if (kind < film::kContourPoint || kind > film::kContourArc) continue;
        const double r = kind == film::kContourArc ? std::fabs(e.r) : 0;
        for (double dx : {-r, r})
            for (double dy : {-r, r})
                scene_->box.widen(p[0] + (e.x + dx) * p[3] + (e.y + dy) * p[6],
                                  p[1] + (e.x + dx) * p[4] + (e.y + dy) * p[7],
                                  p[2] + (e.x + dx) * p[5] + (e.y + dy) * p[8]);
    }
    part.elements = std::move(elements);
    scene_->vector_graphics.push_back(std::move(part));
    add_part(kPartVector, scene_->vector_graphics.size() - 1);
}

bool Loader::add_body(Faces3Koerper* k, int flags, const double* placement, bool from_triangles) {
    if (!k) return false;
    BodyHandle body(k);
    if (placement && !(from_triangles && (flags & 2))) faces3_placement(k, placement);
    double b[6];
    if (faces3_bbox(k, &b[0], &b[1], &b[2], &b[3], &b[4], &b[5]) == 0) {
        scene_->box.widen(b[0] * 1000, b[2] * 1000, b[4] * 1000);
        scene_->box.widen(b[1] * 1000, b[3] * 1000, b[5] * 1000);
    }
    MeshBodyPart part;
    part.body = std::move(body);
    part.part_id = next_part_id();
    part.colour = colour_;
    part.flags = flags;
    part.object_name = pending_.name;
    scene_->bodies.push_back(std::move(part));
    add_part(kPartBody, scene_->bodies.size() - 1);
    return true;
}

void Loader::triangles(std::string_view line) {
    double flags = 0;
    numbers_of(line, 9, &flags, 1);
    // The list is read from this file whether or not a part is made, so that its lines are
    // never taken for keywords.
    const int saved = faces3_get_nosearch();
    faces3_set_nosearch(1);
    Faces3Koerper* k = faces3_rcv_from_triangles(f_);
    faces3_set_nosearch(saved);
    if (k) faces3_save_geometrie(k);
    if (!has_room() || scene_->bodies.size() >= size_t(kMaxBodies)) {
        faces3_free_koerper(k);
        return;
    }
    const int f = std::isfinite(flags) ? int(std::fmax(-2e9, std::fmin(flags, 2e9))) : 0;
    add_body(k, f, nullptr, true);
}

void Loader::vrml(std::string_view line) {
    split_scene_tokens(line.substr(4), &tokens_);
    if (tokens_.empty()) return;
    std::string name(tokens_[0]);
    if (name.size() >= 2 && name.front() == '"' && name.back() == '"')
        name = name.substr(1, name.size() - 2);
    if (name.empty() || !has_room() || scene_->bodies.size() >= size_t(kMaxBodies)) return;
    double v[13] = {0};
    std::copy(kIdentityPlacement.begin(), kIdentityPlacement.end(), v + 1);
    const int given = numbers(tokens_, 1, v, 13);
    // The translation is given in scene millimetres like every other length of the file; the
    // body is in metres.
    double placement[12];
    std::copy(v + 1, v + 13, placement);
    for (int i = 0; i < 3; ++i) placement[i] *= 0.001;
    std::string path = name;
    if (name[0] != '/' && !directory_.empty()) {
        if (FILE* probe = std::fopen(name.c_str(), "r"))
            std::fclose(probe);
        else
            path = directory_ + "/" + name;
    }
    Faces3Koerper* k = faces3_rcv_from_vrml(path.c_str());
    const int flags = std::isfinite(v[0]) ? int(std::fmax(-2e9, std::fmin(v[0], 2e9))) : 0;
    add_body(k, flags, given > 1 ? placement : nullptr, false);
}

void Loader::polygon(std::string_view line) {
    double n = 0;
    numbers_of(line, 7, &n, 1);
    const int count = n > kMaxPolygonPoints ? kMaxPolygonPoints : n < 0 ? 0 : int(n);
    PolygonPart part;
    std::string_view l;
    for (int i = 0; i < count; ++i) {
        const int c = std::getc(f_);
        if (c == EOF) break;
        std::ungetc(c, f_);
        if (!(std::isdigit(c) || c == '+' || c == '-' || c == '.')) break;
        if (!lines_.next(&l)) break;
        double xyz[3] = {0, 0, 0};
        numbers_of(l, 0, xyz, 3);
        part.x.push_back(xyz[0]);
        part.y.push_back(xyz[1]);
        part.z.push_back(xyz[2]);
    }
    if (part.x.empty() || !has_room() || scene_->polygons.size() >= size_t(kMaxPolygons)) return;
    for (size_t i = 0; i < part.x.size(); ++i) scene_->box.widen(part.x[i], part.y[i], part.z[i]);
    part.colour = colour_;
    part.part_id = next_part_id();
    part.object_name = pending_.name;
    scene_->polygons.push_back(std::move(part));
    add_part(kPartPolygon, scene_->polygons.size() - 1);
}

int truncated(double v) {
    return std::isfinite(v) ? int(std::trunc(std::fmax(-2e9, std::fmin(v, 2e9)))) : 0;
}

void Loader::cylinder(std::string_view line, bool tube) {
    double v[11] = {0};
    numbers_of(line, tube ? 4 : 8, v, tube ? 11 : 10);
    if (!has_room() || scene_->cylinders.size() >= size_t(kMaxCylinders)) return;
    CylinderPart part;
    part.facets = truncated(v[0] + 0.5);
    part.base = {v[1], v[2], v[3]};
    part.outer_radius = v[4];
    int k = 5;
    part.inner_radius = tube ? v[k++] : v[4];
    part.length = v[k++];
    part.axis = {v[k], v[k + 1], v[k + 2]};
    part.option = truncated(v[k + 3]);
    part.part_id = next_part_id();
    part.colour = colour_;
    part.object_name = pending_.name;
    scene_->cylinders.push_back(std::move(part));
    add_part(kPartCylinder, scene_->cylinders.size() - 1);
}

void Loader::box(std::string_view line) {
    double v[13] = {0};
    numbers_of(line, 6, v, 13);
    if (!has_room() || scene_->boxes.size() >= size_t(kMaxBoxes)) return;
    BoxPart part;
    part.edges = {v[0], v[1], v[2]};
    part.corner = {v[3], v[4], v[5]};
    part.dir1 = {v[6], v[7], v[8]};
    part.dir2 = {v[9], v[10], v[11]};
    vec3_cross(part.dir1.data(), part.dir2.data(), part.dir3.data());
    part.option = truncated(v[12]);
    part.part_id = next_part_id();
    part.colour = colour_;
    part.object_name = pending_.name;
    scene_->boxes.push_back(std::move(part));
    add_part(kPartBox, scene_->boxes.size() - 1);
}

void Loader::frame_record() {
    // Room for the declared count + 1 records; further records are read and dropped.
    const bool keep = scene_->frames.size() <= size_t(scene_->declared_frames);
    if (!keep && !frames_beyond_reported_) {
        report(mw31::format_text(
            "%s: %s hat mehr als %d+1 Getriebestellungen, der Rest wird ignoriert / has more "
            "than %d+1 frames, the rest is ignored",
            kLoaderName, scene_->file_name.c_str(), scene_->declared_frames,
            scene_->declared_frames));
        frames_beyond_reported_ = true;
    }
    FrameRecord record;
    if (keep) record.positions.reserve(last_record_positions_);
    size_t placements = 0;  // dropped records only count theirs
    std::string_view l;
    while (placements < size_t(scene_->object_count) && lines_.next(&l)) {
        if (starts_with(l, "c ")) {
            record.caption = l.substr(2, 255);
        } else if (starts_with(l, "x ")) {
            if (!record.extra.empty()) record.extra += ';';
            record.extra += l.substr(2);
        } else {
            ++placements;
            if (keep)
                numbers_of(l, 0, record.positions.emplace_back(kIdentityPlacement).data(), 12);
        }
    }
    if (!keep) return;
    last_record_positions_ = placements;
    record.has_extra = !record.extra.empty();
    scene_->frames.push_back(std::move(record));
}

}  // namespace

void split_scene_tokens(std::string_view line, std::vector<std::string_view>* tokens) {
    tokens->clear();
    size_t i = 0;
    const size_t n = line.size();
    while (i < n) {
        while (i < n && is_separator(line[i])) ++i;
        if (i >= n) break;
        const size_t start = i;
        const char q = line[i];
        if (q == '"' || q == '`') {
            const size_t close = line.find(q, i + 1);
            i = close == std::string_view::npos ? n : close + 1;
        } else {
            while (i < n && !is_separator(line[i])) ++i;
        }
        tokens->push_back(line.substr(start, i - start));
    }
}

int read_scene_numbers(const std::vector<std::string_view>& tokens, size_t first, double* out,
                       int max, bool* bad) {
    *bad = false;
    int n = 0;
    for (size_t i = first; i < tokens.size() && n < max; ++i) {
        std::string_view t = tokens[i];
        if (!t.empty() && t[0] == '+') t.remove_prefix(1);
        double v = 0;
        const auto [end, ec] = std::from_chars(t.data(), t.data() + t.size(), v);
        if (ec != std::errc() || end == t.data() || !std::isfinite(v)) {
            *bad = true;
            break;
        }
        out[n++] = v;
    }
    return n;
}

int read_scene_line_numbers(std::string_view line, double* out, int max, bool* bad) {
    *bad = false;
    const char* p = line.data();
    const char* const end = p + line.size();
    int n = 0;
    while (n < max) {
        while (p < end && is_separator(*p)) ++p;
        if (p == end) break;
        if (*p == '+') ++p;
        // No number contains a separator, so from_chars given the rest of the line reads the
        // same as given the token alone. A quoted token (which may run over separators) is no
        // number either: from_chars fails at its quote, so the line ends there as with tokens.
        double v = 0;
        const auto [stop, ec] = std::from_chars(p, end, v);
        if (ec != std::errc() || stop == p || !std::isfinite(v)) {
            *bad = true;
            break;
        }
        out[n++] = v;
        p = stop;
        while (p < end && !is_separator(*p)) ++p;  // what follows the number in its token
    }
    return n;
}

PreScan prescan_scene_file(std::FILE* f) {
    PreScan scan;
    std::vector<char> block(1 << 20);
    size_t record_sum = 0, largest = 0;
    bool line_start = true, in_x_line = false, x_pending = false;
    size_t x_length = 0;
    size_t got;
    while ((got = std::fread(block.data(), 1, block.size(), f)) > 0) {
        const char* p = block.data();
        const char* const end = p + got;
        while (p < end) {
            if (line_start || x_pending) {
                // The first byte of a line, or the one after an "x" there.
                const char c = *p++;
                if (line_start) {
                    line_start = false;
                    if (c == '#') {
                        ++scan.frame_records;
                        largest = std::max(largest, record_sum);
                        record_sum = 0;
                    } else if (c == 'x' && scan.frame_records > 0) {
                        x_pending = true;  // an "x " line if a blank follows
                        continue;
                    }
                } else {
                    x_pending = false;
                    in_x_line = c == ' ';
                    x_length = 0;
                    if (in_x_line) continue;
                }
                if (c == '\n') line_start = true;
                continue;
            }
            // The rest of the line, or of the block. A CR before the LF is no text of an
            // "x " line when both are in the same block.
            const char* lf = static_cast<const char*>(std::memchr(p, '\n', size_t(end - p)));
            const char* stop = lf ? lf : end;
            if (in_x_line) x_length += size_t(stop - p) - (lf && lf > p && lf[-1] == '\r');
            p = stop;
            if (!lf) break;
            if (in_x_line) record_sum += x_length + 1;
            in_x_line = false;
            line_start = true;
            ++p;
        }
    }
    if (in_x_line) record_sum += x_length + 1;
    largest = std::max(largest, record_sum);
    scan.extra_text_room = std::max<size_t>(largest, 65536);
    return scan;
}

int load_scene(const std::string& file_name, Scene* scene, const LoadOptions& options) {
    FILE* f = mw31::open_file(file_name, "rb");
    if (!f) {
        if (options.report)
            options.report(mw31::format_text(
                "%s Datei/File %s: kann nicht geoeffnet werden / cannot be opened", kLoaderName,
                file_name.c_str()));
        return 1;
    }
    const int result = load_scene_stream(f, file_name, scene, options);
    std::fclose(f);
    return result;
}

int load_scene_stream(std::FILE* f, const std::string& file_name, Scene* scene,
                      const LoadOptions& options) {
    const PreScan scan = prescan_scene_file(f);
    std::rewind(f);
    const Faces3Hooks hooks(options.report, options.terminal);
    Loader loader(f, scene, options, directory_of(mw31::native_file_name(file_name)));
    if (!loader.read_header(file_name)) return 1;
    scene->extra_text_room = scan.extra_text_room;
    scene->frame_records_found = scan.frame_records;
    scene->frames.reserve(std::min(scan.frame_records, size_t(scene->declared_frames) + 1));
    loader.read_body();
    return 0;
}

}  // namespace gl3d
