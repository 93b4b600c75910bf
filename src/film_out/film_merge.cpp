// Everything is read before anything is written: the info texts and part definitions are
// collected in memory, the output goes through an atomic file.
#include "film_out/film_merge.h"

#include <sys/stat.h>

#include <cmath>
#include <map>
#include <memory>
#include <new>

#include "film_out/merge_source.h"
#include "mw31/atomic_file.h"
#include "mw31/file_services.h"
#include "mw31/format.h"

namespace film_out {

namespace {

constexpr const char* kRule = "--------------------------------------------------";

// Part definitions of one entry, renumbered from first_number; with several films every part
// takes the entry's colour and the contour's own colour commands go.
void append_parts(const MergeSource& s, int first_number, const char* colour, bool several,
                  std::string* out) {
    int number = first_number;
    for (const MergePart& part : s.parts) {
        mw31::format_append(out, "begin %d %s\n", number++, part.begin_rest.c_str());
        *out += part.heading[0] + '\n';
        *out += part.heading[1] + '\n';
        *out += (several ? std::string(colour) : part.colour) + '\n';
        for (const std::string& line : part.body) {
            // Every line starting with "f" is a colour command to the contour reader.
            if (several && !line.empty() && line[0] == 'f') continue;
            *out += line + '\n';
        }
        *out += "end\n";
    }
}

// True when the output would replace one of the films being merged.
bool overwrites_a_film(const std::string& output,
                       const std::map<std::string, std::unique_ptr<MergeSource>>& films) {
    struct stat out;
    if (::stat(mw31::native_file_name(output).c_str(), &out) != 0) return false;
    for (const auto& film : films) {
        struct stat in;
        if (::stat(mw31::native_file_name(film.first).c_str(), &in) == 0 &&
            in.st_dev == out.st_dev && in.st_ino == out.st_ino)
            return true;
    }
    return false;
}

std::string last_component(const std::string& name) {
    const size_t slash = name.find_last_of('/');
    return slash == std::string::npos ? name : name.substr(slash + 1);
}

struct Window {
    double xmin = 1e38, xmax = -1e38, ymin = 1e38, ymax = -1e38;
    void grow(double x, double y) {
        if (!std::isfinite(x) || !std::isfinite(y)) return;
        xmin = std::fmin(xmin, x);
        xmax = std::fmax(xmax, x);
        ymin = std::fmin(ymin, y);
        ymax = std::fmax(ymax, y);
    }
};

bool flush(mw31::AtomicFile* file, std::string* buffer) {
    const bool ok = file->write(*buffer);
    buffer->clear();
    return ok;
}

// Everything a merge reads before it writes: the films, the info texts, the part definitions,
// the total window fitted to 1.3 and the step count.
struct MergeReading {
    // Copies of one film share what was read of it.
    std::map<std::string, std::unique_ptr<MergeSource>> read;
    std::vector<const MergeSource*> sources;  // per entry
    std::string info, parts;
    int total_parts = 0;
    double xmin = 0, xmax = 0, ymin = 0, ymax = 0, hx = 0, hy = 0;
    int steps = 0;
};

int read_entries(const std::vector<MergeEntry>& entries, int step_count, MergeReading* r) {
    const bool several = entries.size() > 1;
    Window window;
    double candidate = 120;
    for (size_t k = 0; k < entries.size(); ++k) {
        const MergeEntry& e = entries[k];
        std::unique_ptr<MergeSource>& slot = r->read[e.film];
        const bool first_time = !slot;
        if (first_time) {
            slot = std::make_unique<MergeSource>();
            if (merge_read_film(e.film, kMergeMaxParts - r->total_parts, slot.get()) != 0) return 1;
        }
        const MergeSource& s = *slot;
        if (r->total_parts + int(s.parts.size()) > kMergeMaxParts) {
            mw31::message_printf("vereinigung_flm_files: zu viele Bauteile / too many parts");
            return 1;
        }
        r->sources.push_back(&s);
        candidate = std::fmax(candidate, merge_step_candidate(s.frames, e.i));

        const double c = std::cos(e.dw), sn = std::sin(e.dw);
        for (double x : {s.window[0], s.window[1]})
            for (double y : {s.window[2], s.window[3]})
                window.grow(c * x - sn * y + e.dx, sn * x + c * y + e.dy);

        if (first_time) {
            if (several)
                mw31::format_append(&r->info, "%s (%s):\n%s\n\n", e.film.c_str(),
                                    merge_colour_name(k), kRule);
            else
                mw31::format_append(&r->info, "%s:\n%s\n\n", e.film.c_str(), kRule);
            for (const std::string& line : s.info) r->info += line + '\n';
        }
        append_parts(s, r->total_parts + 1, merge_colour_name(k), several, &r->parts);
        r->total_parts += int(s.parts.size());
    }

    mw31::format_append(&r->info, "\n\n%s\nEinzelne Filmdateien:\n\n", kRule);
    for (const MergeEntry& e : entries)
        mw31::format_append(&r->info, "dx=%.3lf dy=%.3lf dw=%.3lf i=%.3lf dphi=%.3lf film=%s\n",
                            e.dx, e.dy, e.dw * 180.0 / M_PI, e.i, e.phase, e.film.c_str());

    if (window.xmin > window.xmax || window.ymin > window.ymax) window = Window{-1, 1, -1, 1};
    const double cx = (window.xmin + window.xmax) / 2, cy = (window.ymin + window.ymax) / 2;
    double hx = (window.xmax - window.xmin) / 2, hy = (window.ymax - window.ymin) / 2;
    if (1.3 * hy < hx)
        hy = hx / 1.3;
    else
        hx = 1.3 * hy;
    r->xmin = cx - hx, r->xmax = cx + hx, r->ymin = cy - hy, r->ymax = cy + hy;
    r->hx = hx, r->hy = hy;
    r->steps = merge_step_count(step_count, candidate);
    return 0;
}

int merge(const std::vector<MergeEntry>& entries, const std::string& output_name, int step_count) {
    MergeReading r;
    if (read_entries(entries, step_count, &r) != 0) return 1;
    const auto& read = r.read;
    const auto& sources = r.sources;
    std::string& info = r.info;
    std::string& parts = r.parts;
    const int total_parts = r.total_parts;
    const double xmin = r.xmin, xmax = r.xmax, ymin = r.ymin, ymax = r.ymax, hx = r.hx, hy = r.hy;
    const int n = r.steps;

    if (overwrites_a_film(output_name, read)) {
        mw31::message_printf(
            "vereinigung_flm_files: %s: Ausgabedatei ist einer der Filme / the output file is one "
            "of the animations",
            output_name.c_str());
        return 1;
    }
    mw31::AtomicFile file;
    if (!file.begin(output_name)) {
        mw31::message_printf("kann Datei nicht oeffnen / cannot open file %s\n%s",
                             output_name.c_str(), file.error().c_str());
        return 1;
    }
    std::string out;
    mw31::format_append(&out, "ANMNEU\n%d\n%d\n%lf\n%lf\n%lf\n%lf\n", total_parts, n, xmin, xmax,
                        ymin, ymax);
    out += "--- Start Infotext ---\n";
    out += info;
    out += "--- Ende Infotext ---\n--- Symbol-Dateien ---\n";
    out += parts;
    info.clear();
    parts.clear();
    flush(&file, &out);

    const std::string label = last_component(output_name);
    std::vector<double> cosines, sines;
    for (const MergeEntry& e : entries) {
        cosines.push_back(std::cos(e.dw));
        sines.push_back(std::sin(e.dw));
    }
    for (int step = 0; step <= n; ++step) {
        const double cycle = kMergeCycle * double(step) / double(n);
        mw31::format_append(&out, "# %d\nc %lf %lf %lf:%s   phi = %.3lf Grad\n", step,
                            xmin + 0.02 * hx, ymin + 0.02 * hy, 0.04 * hy, label.c_str(), cycle);
        for (size_t k = 0; k < entries.size(); ++k) {
            const MergeEntry& e = entries[k];
            const double theta = cycle * e.i + e.phase;
            for (const MergePart& part : sources[k]->parts) {
                const MergePartTable& t = part.table;
                const TablePosition at = periodic_position(t.t, theta, kMergeCycle);
                const double x = table_value(t.x, at), y = table_value(t.y, at);
                mw31::format_append(
                    &out, "%lf %lf %lf %lf %lf\n", cosines[k] * x - sines[k] * y + e.dx,
                    sines[k] * x + cosines[k] * y + e.dy, table_value(t.phi, at) + e.dw,
                    table_value(t.sx, at), table_value(t.sy, at));
            }
        }
        if (out.size() > (1u << 20)) flush(&file, &out);
    }
    flush(&file, &out);
    if (!file.commit()) {
        mw31::message_printf("kann Datei nicht oeffnen / cannot open file %s\n%s",
                             output_name.c_str(), file.error().c_str());
        return 1;
    }
    return 0;
}

}  // namespace

int merge_summary(const std::vector<MergeEntry>& entries, int step_count, MergeSummary* summary) {
    MergeReading r;
    if (entries.empty() || read_entries(entries, step_count, &r) != 0) return 1;
    summary->parts = r.total_parts;
    summary->steps = r.steps;
    summary->xmin = r.xmin, summary->xmax = r.xmax, summary->ymin = r.ymin, summary->ymax = r.ymax;
    summary->frames.clear();
    for (const MergeSource* s : r.sources) summary->frames.push_back(s->frames);
    return 0;
}

int vereinigung_flm_files(const std::vector<MergeEntry>& entries, const std::string& output_name,
                          int step_count) {
    if (entries.empty()) {
        mw31::message_printf("vereinigung_flm_files: keine Filmdateien / no animation files");
        return 1;
    }
    if (entries.size() > size_t(kMergeMaxEntries)) {
        mw31::message_printf(
            "vereinigung_flm_files: zu viele Filmdateien / too many animation files");
        return 1;
    }
    try {
        return merge(entries, output_name, step_count);
    } catch (const std::bad_alloc&) {
        mw31::message_printf(
            "vereinigung_flm_files: kein Speicherplatz fuer Tabellen / no memory for tables");
        return 1;
    }
}

}  // namespace film_out
