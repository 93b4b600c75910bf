// Writing ANMNEU films as user-coordinates records.
#include "film_out/usercoor_conversion.h"

#include <algorithm>
#include <cmath>
#include <cstdarg>
#include <cstdlib>
#include <vector>

#include "film_model/anmneu_reader.h"
#include "film_model/contour_placement.h"
#include "mw31/atomic_file.h"
#include "mw31/file_services.h"
#include "mw31/floating_text.h"
#include "mw31/format.h"
#include "mw31/text_services.h"

namespace film_out {

FilmMemoryStream& usercoor_memory_stream() {
    static FilmMemoryStream stream;
    return stream;
}

void memory_stream_clear(FilmMemoryStream* m, long size) {
    m->bytes.clear();
    m->size = size < kMinMemoryStreamSize ? kDefaultMemoryStreamSize : size;
    m->written = 0;
    m->read_pos = 0;
}

void memory_stream_write(FilmMemoryStream* m, const std::string& text) {
    const long room = m->size - long(m->bytes.size());
    if (room > 0) m->bytes.append(text, 0, size_t(std::min<long>(room, long(text.size()))));
    m->written += long(text.size());
}

int memory_stream_get(FilmMemoryStream* m) {
    if (m->read_pos >= long(m->bytes.size())) return EOF;
    return static_cast<unsigned char>(m->bytes[size_t(m->read_pos++)]);
}

void write_record(RecordTarget* t, const std::string& line) {
    if (t->file) {
        std::fwrite(line.data(), 1, line.size(), t->file);
        std::fputc('\n', t->file);
    } else if (t->memory) {
        memory_stream_write(t->memory, line);
        memory_stream_write(t->memory, "\n");
    }
}

namespace {

// One record line through the formatting engine, without a string of its own per line.
void put_record(RecordTarget* t, const char* format, ...) KV_PRINTF(2, 3);
void put_record(RecordTarget* t, const char* format, ...) {
    va_list args;
    va_start(args, format);
    if (t->file) {
        t->line.clear();
        mw31::format_append_v(&t->line, format, args);
        t->line += '\n';
        std::fwrite(t->line.data(), 1, t->line.size(), t->file);
    } else if (t->memory) {
        FilmMemoryStream* m = t->memory;
        const size_t before = m->bytes.size();
        mw31::format_append_v(&m->bytes, format, args);
        m->bytes += '\n';
        m->written += long(m->bytes.size() - before);
        if (long(m->bytes.size()) > m->size) m->bytes.resize(size_t(std::max(m->size, 0L)));
    }
    va_end(args);
}

void put_bytes(RecordTarget* t, const char* text, size_t n) {
    if (t->file) {
        std::fwrite(text, 1, n, t->file);
    } else if (t->memory) {
        FilmMemoryStream* m = t->memory;
        const long room = m->size - long(m->bytes.size());
        if (room > 0) m->bytes.append(text, size_t(std::min<long>(room, long(n))));
        m->written += long(n);
    }
}

// A record of a letter and numbers as "%lg" writes them, separated by commas: the lines and
// arcs, which are nearly all of a film, skip the format text.
template <size_t N>
void put_numbers(RecordTarget* t, char letter, const double (&values)[N]) {
    char line[N * (mw31::kNumberTextMax + 1) + 2];
    char* p = line;
    *p++ = letter;
    for (size_t k = 0; k < N; ++k) {
        if (k > 0) *p++ = ',';
        p += mw31::format_number(p, 'g', -1, values[k]);
    }
    *p++ = '\n';
    put_bytes(t, line, size_t(p - line));
}

void emit_arc(RecordTarget* t, const film::ContourElement& e, const film::SymbolPlacement& p,
              const film::Placer& place) {
    if (film::placement_is_scaled(p)) {
        std::vector<film::WorldPoint>& chords = t->chords;
        film::arc_polyline(e.x, e.y, e.r, e.start * 180 / M_PI, e.end * 180 / M_PI, p,
                           t->pixel_width, t->world_width, &chords);
        for (size_t k = 1; k < chords.size(); ++k) {
            put_numbers(t, 'l', {chords[k - 1].x, chords[k - 1].y, chords[k].x, chords[k].y});
        }
        return;
    }
    const film::WorldPoint centre = place(e.x, e.y);
    double a1 = (p.phi + e.start) * 180 / M_PI, a2 = (p.phi + e.end) * 180 / M_PI;
    if (a2 < a1) std::swap(a1, a2);
    if (a2 - a1 > 360) a2 = a1 + 360;
    if (a1 < 0) {
        a1 += 360;
        a2 += 360;
    }
    put_numbers(t, 'h', {centre.x, centre.y, a1, a2, e.r});
}

// "phi = " followed by a full turn: the film has come round once.
bool label_marks_full_turn(const std::string& label) {
    const size_t at = label.find("phi = ");
    if (at == std::string::npos) return false;
    const char* p = label.c_str() + at + 6;
    char* end = nullptr;
    const double v = mw31::strtod_c(p, &end);
    return end != p && std::fabs(v - 360) < 0.001;
}

void emit_film(RecordTarget* t, const film::AnmneuFilm& film, const film::WorldWindow& w,
               const UsercoorOptions& options) {
    put_record(t, "usercoor");
    put_record(t, "c1");
    put_record(t, "q%d", int(std::floor(options.angle_divisor + 0.5)));
    put_record(t, "a%lg,%lg,%lg,%lg", w.xl, w.xr, w.yb, w.yt);
    put_record(t, "f");
    const double label_drop = (w.yt - w.yb) / 30;
    for (int i = 0; i < film.frame_count; ++i) {
        const film::AnmneuFrame& frame = film.frames[size_t(i)];
        if (label_marks_full_turn(frame.label)) break;
        if (!frame.label.empty()) {
            put_record(t, "s%lg,%lg,%s", frame.c1, frame.c2 - label_drop, frame.label.c_str());
        }
        for (int s = 0; s < film.symbol_count(); ++s) {
            const film::FilmSymbol& symbol = film.symbols[size_t(s)];
            emit_symbol_records(t, symbol.elements.data(), int(symbol.elements.size()),
                                film::anmneu_placement(film, i, s), symbol.colour);
        }
        put_record(t, "x0,0,0,0");
    }
}

}  // namespace

void emit_symbol_records(RecordTarget* t, const film::ContourElement* elements, int count,
                         const film::SymbolPlacement& p, int colour) {
    put_record(t, "c%d", colour);
    const film::Placer place(p);
    for (int k = 0; k < count; ++k) {
        const film::ContourElement& e = elements[k];
        switch (film::contour_kind(e)) {
            case film::kContourMove: {
                const film::WorldPoint w = place(e.x, e.y);
                t->current_x = w.x;
                t->current_y = w.y;
                break;
            }
            case film::kContourDraw: {
                const film::WorldPoint w = place(e.x, e.y);
                put_numbers(t, 'l', {t->current_x, t->current_y, w.x, w.y});
                t->current_x = w.x;
                t->current_y = w.y;
                break;
            }
            case film::kContourArc:
                emit_arc(t, e, p, place);
                break;
            case film::kContourColour:
                put_record(t, "c%d", int(e.x));
                break;
            default:
                break;
        }
    }
}

int film_to_usercoor(const film::AnmneuFilm& film, const char* target_file,
                     const UsercoorOptions& options) {
    if (film.frame_count <= 0) return 1;
    if (target_file) {
        // Written beside the target and renamed when complete: a failure keeps an older file.
        mw31::AtomicFile out;
        if (!out.begin(target_file)) {
            mw31::message_printf(
                "Kann Datei nicht zum Schreiben oeffnen / Cannot open file for write:\n%s",
                target_file);
            return 1;
        }
        RecordTarget t{out.stream(), nullptr};
        t.pixel_width = options.pixel_width;
        t.world_width = film.initial.xr - film.initial.xl;
        emit_film(&t, film, film.initial, options);
        if (!out.commit()) {
            mw31::message_printf("Kann Datei nicht schreiben / cannot write the file:\n%s: %s",
                                 target_file, out.error().c_str());
            return 1;
        }
        return 0;
    }
    FilmMemoryStream& m = usercoor_memory_stream();
    long size = options.memory_size;
    for (int attempt = 0; attempt < 2; ++attempt) {
        memory_stream_clear(&m, size);
        RecordTarget t{nullptr, &m};
        t.pixel_width = options.pixel_width;
        t.world_width = film.file_window.xr - film.file_window.xl;
        emit_film(&t, film, film.file_window, options);
        if (!memory_stream_overflowed(m)) break;
        size = m.written + kMemoryStreamRetryMargin;
    }
    return 0;
}

int anmneu_to_usercoor(const std::string& film_name, const char* target_file,
                       const UsercoorOptions& options) {
    film::AnmneuFilm film;
    if (film::read_anmneu_film(film_name, &film) < 0) return 1;
    return film_to_usercoor(film, target_file, options);
}

}  // namespace film_out
