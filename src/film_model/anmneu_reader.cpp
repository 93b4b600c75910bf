// Reading an ANMNEU film: lines 1-7, free lines with the info text, the symbol definitions in
// two passes (count, then read), then the frames.
#include "film_model/anmneu_reader.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <new>
#include <set>

#include "film_model/cad_unwrap.h"
#include "film_model/contour_reader.h"
#include "film_model/contour_text_line.h"
#include "mw31/file_services.h"
#include "mw31/format.h"
#include "mw31/temp_names.h"
#include "mw31/text_services.h"

namespace film {

namespace {

constexpr const char* kSymbolMarker = "--- Symbol-Dateien ---";

// A file being read line by line, with one report for lines that had to be cut.
struct LineSource {
    FILE* f = nullptr;
    const std::string* name = nullptr;
    const ReportFn& report;
    const ContourReading& contours;
    const std::function<void(int frames_read)>& progress;
    bool cut_reported = false;

    bool next(std::string* line) {
        bool cut = false;
        if (!film::read_text_line_cut(f, line, &cut)) return false;
        if (cut && !cut_reported) {
            report(mw31::format_text(
                "%s: Zeile zu lang, gekuerzt / line too long, cut (max. %d Zeichen)\n",
                name->c_str(), film::kMaxTextLine));
            cut_reported = true;
        }
        return true;
    }
};

bool is_begin_line(const std::string& line, int* number) {
    if (line.compare(0, 5, "begin") != 0 || line.size() < 6) {
        if (line == "begin") {
            *number = 0;
            return true;
        }
        return false;
    }
    if (static_cast<unsigned char>(line[5]) >= '!') return false;
    *number = parse_int(std::string_view(line).substr(6));
    return true;
}

std::string trimmed(std::string s) {
    while (!s.empty() && static_cast<unsigned char>(s.back()) < '!') s.pop_back();
    return s;
}

bool is_frame_line(const std::string& line) {
    return !line.empty() && line[0] == '#';
}

// Lines 1 to 7; false after a message when they are not there.
bool read_head(LineSource* in, const std::string& name, int* p, int* f, double v[4]) {
    std::string line;
    if (!in->next(&line) || line.compare(0, 6, "ANMNEU") != 0) {
        in->report(mw31::format_text("%s ist keine ANMNEU-Datei", name.c_str()));
        return false;
    }
    bool ok = in->next(&line);
    *p = parse_int(line);
    ok = ok && in->next(&line);
    *f = parse_int(line);
    for (int k = 0; k < 4; ++k) {
        ok = ok && in->next(&line);
        v[k] = parse_real(line);
    }
    if (!ok) {
        in->report(mw31::format_text("%s: Dateikopf unvollstaendig / incomplete file head\n",
                                     name.c_str()));
    }
    return ok;
}

// The info text of one block: the file is made at the first line that shows something, so a
// block of blank lines leaves none; a file that cannot be made or written is said, and then
// the film has no info text.
class InfoTextFile {
  public:
    InfoTextFile(LineSource* in, AnmneuFilm* film) : in_(in), film_(film) {}
    ~InfoTextFile() { end(); }
    void start() {
        end();
        open_ = true;
        pending_.clear();
    }
    void add(const std::string& line) {
        if (!open_ || failed_) return;
        if (!file_) {
            const bool shows = std::any_of(line.begin(), line.end(), [](char c) {
                return static_cast<unsigned char>(c) >= '!';
            });
            if (!shows) {
                pending_ += line + '\n';
                return;
            }
            const std::string path = mw31::temp_info_name();
            file_ = mw31::create_temp_file(path);
            if (!file_) return fail(errno);
            film_->has_info_text = true;
            write(pending_);
            pending_.clear();
        }
        write(line + '\n');
    }
    void end() {
        if (file_ && std::fclose(file_) != 0) fail(errno);
        file_ = nullptr;
        open_ = false;
    }

  private:
    void write(const std::string& text) {
        if (file_ && std::fwrite(text.data(), 1, text.size(), file_) != text.size()) fail(errno);
    }
    void fail(int error) {
        if (file_) std::fclose(file_);
        file_ = nullptr;
        failed_ = true;
        film_->has_info_text = false;
        const std::string path = mw31::temp_info_name();
        std::remove(path.c_str());
        in_->report(mw31::format_text(
            "%s: Infotext nicht geschrieben / info text not written: %s: %s", film_->name.c_str(),
            path.empty() ? "(no temporary folder)" : path.c_str(), std::strerror(error)));
    }

    LineSource* in_;
    AnmneuFilm* film_;
    FILE* file_ = nullptr;
    bool open_ = false;
    bool failed_ = false;
    std::string pending_;
};

// Free lines up to the symbol marker; the info text between its markers goes to the
// temporary info file. False when the marker never comes.
bool read_free_lines(LineSource* in, AnmneuFilm* film) {
    std::string line;
    InfoTextFile info(in, film);
    bool found = false;
    while (in->next(&line)) {
        if (line == kSymbolMarker) {
            found = true;
            break;
        }
        if (line == "--- Start Infotext ---") {
            info.start();
        } else if (line == "--- Ende Infotext ---") {
            info.end();
        } else {
            info.add(line);
        }
    }
    return found;
}

// One symbol block after its "begin" line: the lines up to "end" (not included) or up to a
// frame line, which is left in *pending for the caller.
void collect_block(LineSource* in, std::vector<std::string>* block, std::string* pending,
                   bool* at_frames) {
    std::string line;
    block->clear();
    *at_frames = false;
    while (in->next(&line)) {
        if (is_word_line(line, "end")) return;
        if (is_frame_line(line)) {
            *pending = line;
            *at_frames = true;
            return;
        }
        block->push_back(line);
    }
}

struct SymbolNumberCheck {
    const ReportFn& report;
    bool reported = false;
    bool valid(int n, int p, const std::string& name) {
        if (n >= 1 && n <= p) return true;
        if (!reported) {
            report(mw31::format_text(
                "%s: Symbolnummer %d nicht in 1..%d, Definition uebersprungen / symbol number "
                "out of range, definition skipped\n",
                name.c_str(), n, p));
            reported = true;
        }
        return false;
    }
};

// First pass: how many elements each symbol can need (its lines, the lines of files it
// includes, and two spare), so that the second pass has its room ready.
void count_symbol_lines(LineSource* in, AnmneuFilm* film, std::vector<int>* room) {
    std::string line, pending;
    std::vector<std::string> block;
    room->assign(film->symbols.size(), 0);
    bool at_frames = false;
    while (!at_frames && in->next(&line)) {
        if (is_frame_line(line)) break;
        int n = 0;
        if (!is_begin_line(line, &n)) continue;
        collect_block(in, &block, &pending, &at_frames);
        if (n >= 1 && n <= film->symbol_count()) {
            // A symbol defined twice gets the room of its larger definition.
            (*room)[n - 1] =
                std::max((*room)[n - 1], film::contour_room_for_lines(block, in->contours) + 2);
        }
    }
}

void load_contour(const std::vector<std::string>& lines, int room, const ContourReading& reading,
                  FilmSymbol* symbol) {
    symbol->elements.assign(size_t(room), film::ContourElement{});
    std::string text;
    for (const std::string& l : lines) {
        text += l;
        text += '\n';
    }
    int count = 0;
    // The block is handed over on its own, so that a missing "end" cannot swallow the frames.
    if (!text.empty()) {
        FILE* block = fmemopen(text.data(), text.size(), "r");
        if (block) {
            film::do_load_detail_def(block, symbol->elements.data(), &count, room, reading);
            std::fclose(block);
        }
    }
    symbol->elements.resize(size_t(count));
    symbol->elements.shrink_to_fit();
}

// Second pass over the symbol section; returns the first frame line, if any.
bool read_symbols(LineSource* in, AnmneuFilm* film, const std::vector<int>& room,
                  std::string* first_frame) {
    std::string line;
    std::vector<std::string> block;
    SymbolNumberCheck check{in->report};
    while (in->next(&line)) {
        if (is_frame_line(line)) {
            *first_frame = line;
            return true;
        }
        int n = 0;
        if (!is_begin_line(line, &n)) continue;
        bool at_frames = false;
        collect_block(in, &block, first_frame, &at_frames);
        if (check.valid(n, film->symbol_count(), film->name)) {
            FilmSymbol& symbol = film->symbols[size_t(n - 1)];
            // Three lines of heading; the third names the colour. Trailing blanks are not part
            // of the name (they would turn the symbol white).
            if (block.size() >= 3) symbol.colour = film::colour_from_name(trimmed(block[2]));
            const std::vector<std::string> contour(
                block.begin() + std::min<size_t>(3, block.size()), block.end());
            load_contour(contour, room[size_t(n - 1)], in->contours, &symbol);
        }
        if (at_frames) return true;
    }
    return false;
}

void read_c_line(const std::string& line, AnmneuFrame* frame) {
    const char* p = line.c_str() + 1;
    char* end = nullptr;
    frame->c1 = parse_real(p);
    double value = mw31::strtod_c(p, &end);
    if (end != p) {
        p = end;
        value = mw31::strtod_c(p, &end);
        if (end != p && std::isfinite(value)) frame->c2 = value;
    }
    const size_t colon = line.find(':');
    if (colon != std::string::npos) frame->label = line.substr(colon + 1, kAnmneuMaxLabel);
}

void append_caption(const std::string& text, AnmneuFrame* frame) {
    if (!frame->caption.empty() && int(frame->caption.size()) < kAnmneuMaxCaption) {
        frame->caption += ';';
    }
    const size_t room =
        size_t(kAnmneuMaxCaption) - std::min(frame->caption.size(), size_t(kAnmneuMaxCaption));
    frame->caption.append(text, 0, room);
}

void read_frames(LineSource* in, AnmneuFilm* film, std::string line) {
    AnmneuFrame* frame = nullptr;
    int next_symbol = 0;
    bool range_reported = false;
    int frames_read = 0;
    constexpr int kProgressEveryFrames = 64;
    do {
        if (is_frame_line(line)) {
            if (++frames_read % kProgressEveryFrames == 0 && in->progress)
                in->progress(frames_read);
            const int i = parse_int(std::string_view(line).substr(1));
            frame = nullptr;
            if (i < 0 || i >= kAnmneuMaxFrames) {
                if (!range_reported) {
                    in->report(mw31::format_text(
                        "%s: Bildnummer %d nicht in 0..%d, uebersprungen / frame number out of "
                        "range, skipped\n",
                        film->name.c_str(), i, kAnmneuMaxFrames - 1));
                    range_reported = true;
                }
                continue;
            }
            if (size_t(i) >= film->frames.size()) film->frames.resize(size_t(i) + 1);
            frame = &film->frames[size_t(i)];
            frame->present = true;
            next_symbol = 0;
            continue;
        }
        if (!frame || line.empty()) continue;
        const char c = line[0];
        if (c == 'x' && line.size() >= 2 && line[1] == ' ') {
            append_caption(line.substr(2), frame);
        } else if (c == 'c') {
            read_c_line(line, frame);
        } else if (std::isdigit(static_cast<unsigned char>(c)) || c == '+' || c == '-' ||
                   c == '.') {
            if (next_symbol < film->symbol_count()) {
                if (frame->placements.size() <= size_t(next_symbol)) {
                    frame->placements.resize(size_t(next_symbol) + 1);
                }
                frame->placements[size_t(next_symbol)] = parse_symbol_placement(line);
                ++next_symbol;
            }
        }
    } while (in->next(&line));
}

}  // namespace

SymbolPlacement anmneu_placement(const AnmneuFilm& film, int frame, int symbol) {
    if (frame < 0 || size_t(frame) >= film.frames.size() || symbol < 0) return {};
    const std::vector<SymbolPlacement>& p = film.frames[size_t(frame)].placements;
    return size_t(symbol) < p.size() ? p[size_t(symbol)] : SymbolPlacement{};
}

int anmneu_next_frame(const AnmneuFilm& film, int frame) {
    const int next = frame + 1;
    if (next < film.frame_count) return next;
    if (next >= 0 && size_t(next) < film.frames.size() && film.frames[size_t(next)].present) {
        return next;
    }
    return frame;
}

namespace {

// A film cut short (a copy that broke off) has fewer frames than its head says: the frames
// after the last one read have no placements and would show every part at the origin. They
// are not played, and the user is told.
int played_frames(LineSource* in, AnmneuFilm* film) {
    const int declared = film->frame_count;
    int present = 0, last = -1;
    for (int i = 0; i < declared; ++i)
        if (film->frames[size_t(i)].present) {
            ++present;
            last = i;
        }
    if (present < declared) {
        in->report(mw31::format_text(
            "%s: nur %d von %d Getriebestellungen in der Datei / only %d of %d frames in the "
            "file%s\n",
            film->name.c_str(), present, declared, present, declared,
            last + 1 < declared ? ", the film ends after the last one" : ""));
        film->frame_count = last + 1;
    }
    return film->frame_count;
}

// Everything after opening; -1 after a message when the film cannot be used.
int read_opened(LineSource* in, const std::string& name, AnmneuFilm* film) {
    int p = 0, frames = 0;
    double v[4] = {};
    if (!read_head(in, name, &p, &frames, v)) return -1;
    if (p < 0 || p > kAnmneuMaxSymbols || frames < 0) {
        in->report(mw31::format_text(
            "%s: ungueltige Anzahl von Symbolen (%d) oder Getriebestellungen (%d) / invalid "
            "number of symbols or frames\n",
            name.c_str(), p, frames));
        return -1;
    }
    if (frames > kAnmneuMaxFrames) {
        in->report(
            mw31::format_text("%s: zu viele Getriebestellungen / too many frames (max. %d)\n",
                              name.c_str(), kAnmneuMaxFrames));
        frames = kAnmneuMaxFrames;
    }
    film->file_window = WorldWindow{v[0], v[1], v[2], v[3]};
    film->window = fit_world_window(v[0], v[1], v[2], v[3]);
    film->initial = film->window;
    if (!read_free_lines(in, film)) {
        in->report(mw31::format_text("%s: Zeile \"%s\" fehlt / line missing\n", name.c_str(),
                                     kSymbolMarker));
        return -1;
    }
    film->symbols.resize(size_t(p));
    film->frames.resize(size_t(frames));
    film->frame_count = frames;
    std::vector<int> room;
    count_symbol_lines(in, film, &room);

    // Second pass, from the start of the file.
    std::rewind(in->f);
    std::string line;
    while (in->next(&line) && line != kSymbolMarker) {
    }
    if (read_symbols(in, film, room, &line)) read_frames(in, film, line);
    return played_frames(in, film);
}

}  // namespace

int read_anmneu_film(const std::string& name, AnmneuFilm* film, const ReportFn& report,
                     const std::string& user_name,
                     const std::function<void(int frames_read)>& progress) {
    // An unwrapped copy lives in the private temporary folder: the user knows the film by the
    // name they gave, and its includes lie beside that film, not beside the copy.
    std::string shown = user_name.empty() ? cad_unwrap_origin(name) : user_name;
    if (shown.empty()) shown = name;
    *film = AnmneuFilm{};
    film->name = shown;
    FILE* f = mw31::open_file(name, "r");
    if (!f) {
        report(mw31::format_text(
            "Kann Datei nicht zum Lesen oeffnen / Cannot open file for read:\n%s", shown.c_str()));
        return -1;
    }
    // Relative includes are also looked for beside the film.
    ContourReading contours;
    const size_t slash = shown.find_last_of("/\\");
    if (slash != std::string::npos) contours.include_directory = shown.substr(0, slash);
    contours.report = report;
    std::set<std::string> missing_includes;
    contours.missing_said = &missing_includes;
    LineSource in{f, &film->name, report, contours, progress};
    int result = -1;
    try {
        result = read_opened(&in, shown, film);
    } catch (const std::bad_alloc&) {
        report(mw31::format_text("%s: nicht genuegend Speicherplatz / no memory\n", shown.c_str()));
    }
    mw31::close_file(f);
    if (result < 0) {
        *film = AnmneuFilm{};
        film->name = shown;
    }
    return result;
}

SymbolPlacement parse_symbol_placement(const std::string& line) {
    double v[5] = {0, 0, 0, 1, 1};
    const char* p = line.c_str();
    for (int k = 0; k < 5; ++k) {
        char* end = nullptr;
        const double value = mw31::strtod_c(p, &end);
        if (end == p) break;
        if (std::isfinite(value)) v[k] = value;
        p = end;
    }
    return SymbolPlacement{v[0], v[1], v[2], v[3], v[4]};
}

}  // namespace film
