// Double-dash options cannot clash with the film's own one-dash options.
#include "main/command_line.h"

#include <cmath>
#include <cstdlib>

#include "film/film_keys.h"
#include "mw31/text_services.h"

namespace kurvlab {

namespace {

bool parse_int(const std::string& text, int* out) {
    char* end = nullptr;
    const long v = std::strtol(text.c_str(), &end, 10);
    if (text.empty() || *end != '\0' || v < -1000000000L || v > 1000000000L) return false;
    *out = int(v);
    return true;
}

bool parse_size(const std::string& text, int* w, int* h) {
    const size_t x = text.find_first_of("xX");
    if (x == std::string::npos) return false;
    return parse_int(text.substr(0, x), w) && parse_int(text.substr(x + 1), h) && *w > 0 &&
           *h > 0 && *w <= 16384 && *h <= 16384;
}

// "X1,Y1,X2,Y2": four finite numbers.
bool parse_measure(const std::string& text, BatchRequest* batch) {
    double v[4];
    const char* p = text.c_str();
    for (int k = 0; k < 4; ++k) {
        char* end = nullptr;
        v[k] = mw31::strtod_c(p, &end);
        if (end == p || !std::isfinite(v[k])) return false;
        p = end;
        if (k < 3) {
            if (*p != ',') return false;
            ++p;
        }
    }
    if (*p != '\0') return false;
    batch->measure = true;
    batch->measure_from_x = v[0];
    batch->measure_from_y = v[1];
    batch->measure_to_x = v[2];
    batch->measure_to_y = v[3];
    return true;
}

// "X,Y" or "X1,Y1,X2,Y2": `count` finite numbers separated by commas.
bool parse_reals(const std::string& text, int count, double* v) {
    const char* p = text.c_str();
    for (int k = 0; k < count; ++k) {
        char* end = nullptr;
        v[k] = mw31::strtod_c(p, &end);
        if (end == p || !std::isfinite(v[k])) return false;
        p = end;
        if (k < count - 1) {
            if (*p != ',') return false;
            ++p;
        }
    }
    return *p == '\0';
}

// What the motion options ask for must fit together; "" when it does.
std::string motion_conflict(const BatchRequest& b) {
    const bool traces = !b.trace_points.empty();
    if (traces && b.track) return "--trace and --track cannot be used together";
    if (!b.motion_csv.empty() && !traces && !b.track) return "--csv needs --trace or --track";
    if (!b.motion_svg.empty() && !traces) return "--svg draws traces: give --trace X,Y";
    if (!b.track_png.empty() && !b.track) return "--png draws the chart of --track";
    if (traces && b.motion_csv.empty() && b.motion_svg.empty() && b.output_dxf.empty() &&
        b.sweep_png.empty())
        return "--trace needs --csv OUT.csv, --svg OUT.svg, --dxf OUT.dxf or --sweep OUT.png";
    if (b.track && b.motion_csv.empty() && b.track_png.empty() && b.output_dxf.empty())
        return "--track needs --csv OUT.csv or --png CHART.png";
    if (b.wants_motion() && (b.info || !b.output_png.empty() || !b.record.empty() ||
                             !b.output_pdf.empty() || !b.merge_out.empty()))
        return "--trace, --track and --sweep cannot be combined with --info, --output, "
               "--record, --pdf or --merge-out";
    return "";
}

// The value as the user gave it, for messages that say where the fault is.
std::string quoted(const std::string& v) {
    return "\"" + v + "\"";
}

}  // namespace

CommandLine parse_command_line(int argc, char** argv) {
    CommandLine cl;
    cl.film_args.push_back("kurvlab");
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        auto value = [&](std::string* out) {
            if (i + 1 >= argc) {
                cl.error = a + " needs a value";
                return false;
            }
            *out = argv[++i];
            return true;
        };
        std::string v;
        if (a == "--help" || a == "-h") {
            cl.help = true;
        } else if (a == "--version") {
            cl.version = true;
        } else if (a == "--info") {
            cl.batch.info = true;
        } else if (a == "--output") {
            if (value(&v)) cl.batch.output_png = v;
        } else if (a == "--frame") {
            if (value(&v) && !parse_int(v, &cl.batch.frame)) cl.error = "--frame needs a number";
            cl.batch.frame_given = true;
        } else if (a == "--size") {
            if (value(&v) && !parse_size(v, &cl.batch.width, &cl.batch.height))
                cl.error = "--size needs WIDTHxHEIGHT, for example 800x600";
        } else if (a == "--phi") {
            if (value(&v) && (!parse_int(v, &cl.batch.phi_factor) ||
                              (cl.batch.phi_factor != 1 && cl.batch.phi_factor != 10 &&
                               cl.batch.phi_factor != 100)))
                cl.error = "--phi needs 1, 10 or 100";
        } else if (a == "--substep") {
            if (value(&v) && !parse_int(v, &cl.batch.substep))
                cl.error = "--substep needs a number";
        } else if (a == "--record") {
            if (value(&v)) cl.batch.record = v;
        } else if (a == "--codec") {
            if (value(&v)) {
                cl.batch.record_codec = v;
                if (v != "raw" && v != "rle8" && v != "raw24" && v != "msvc")
                    cl.error = "--codec needs raw, rle8, raw24 or msvc";
            }
        } else if (a == "--merge-out") {
            value(&cl.batch.merge_out);
        } else if (a == "--stamp") {
            cl.batch.record_stamp = true;
        } else if (a == "--step") {
            if (value(&v) && (!parse_int(v, &cl.batch.record_step) || cl.batch.record_step < 1))
                cl.error = "--step needs a number of at least 1";
        } else if (a == "--pdf") {
            if (value(&v)) cl.batch.output_pdf = v;
        } else if (a == "--dxf") {
            if (value(&v)) cl.batch.output_dxf = v;
        } else if (a == "--paper") {
            if (value(&v)) {
                cl.batch.paper = v;
                if (v != "A4" && v != "A3" && v != "Letter")
                    cl.error = "--paper needs A4, A3 or Letter";
            }
        } else if (a == "--portrait") {
            cl.batch.portrait = true;
        } else if (a == "--grid") {
            cl.batch.grid = true;
        } else if (a == "--measure") {
            if (value(&v) && !parse_measure(v, &cl.batch))
                cl.error = "--measure needs X1,Y1,X2,Y2 in world units, for example 0,0,10,5";
        } else if (a == "--trace") {
            double p[2];
            if (value(&v)) {
                if (parse_reals(v, 2, p))
                    cl.batch.trace_points.push_back({p[0], p[1]});
                else
                    cl.error =
                        "--trace needs X,Y in the film's units, for example 61.7,71.8; "
                        "got " +
                        quoted(v);
            }
        } else if (a == "--track") {
            double p[4];
            if (value(&v)) {
                if (parse_reals(v, 4, p)) {
                    cl.batch.track = true;
                    cl.batch.track_from = {p[0], p[1]};
                    cl.batch.track_to = {p[2], p[3]};
                } else {
                    cl.error =
                        "--track needs X1,Y1,X2,Y2 in the film's units, for example "
                        "40,0,136.7,71.1; got " +
                        quoted(v);
                }
            }
        } else if (a == "--csv") {
            value(&cl.batch.motion_csv);
        } else if (a == "--svg") {
            value(&cl.batch.motion_svg);
        } else if (a == "--png") {
            value(&cl.batch.track_png);
        } else if (a == "--sweep") {
            value(&cl.batch.sweep_png);
        } else if (a.rfind("--", 0) == 0) {
            cl.error = "unknown option " + a;
        } else {
            cl.film_args.push_back(a);
        }
        if (!cl.error.empty()) break;
    }
    if (cl.error.empty() && (cl.batch.substep < 0 || cl.batch.substep >= cl.batch.phi_factor))
        cl.error = "--substep must lie between 0 and the --phi factor minus 1";
    if (cl.error.empty()) cl.error = motion_conflict(cl.batch);
    if (cl.error.empty() && cl.batch.active() && cl.film_args.size() < 2)
        cl.error =
            "--info, --output, --record, --pdf, --dxf, --trace, --track and --sweep "
            "need a film";
    return cl;
}

namespace {

// The options and environment; the keys follow them.
std::string usage_options_text() {
    return "usage: kurvlab [FILM [-nN] [-pN] [-sN] [-xF] [-c] [-f]]\n"
           "       kurvlab FILM --info\n"
           "       kurvlab FILM --output PICTURE.png [--frame N] [--size WxH] [--phi F --substep "
           "K]\n"
           "               [--grid] [--measure X1,Y1,X2,Y2]\n"
           "       kurvlab FILM --record VIDEO.{avi,mp4,webm,gif} [--codec raw|rle8|raw24|msvc]\n"
           "               [--size WxH] [--step N] [--stamp]\n"
           "       kurvlab FILM --pdf OUT.pdf [--frame N] [--paper A4|A3|Letter] [--portrait]\n"
           "       kurvlab FILM --dxf OUT.dxf [--frame N] [--size WxH]\n"
           "       kurvlab DEFINITION.txt --merge-out MERGED.flm\n"
           "       kurvlab FILM --trace X,Y [--trace X,Y ...] [--frame N]\n"
           "               --csv OUT.csv | --svg OUT.svg | --dxf OUT.dxf\n"
           "       kurvlab FILM --track X1,Y1,X2,Y2 [--frame N] --csv OUT.csv [--png CHART.png]\n"
           "       kurvlab FILM --sweep OUT.png [--size WxH] [--trace X,Y ...]\n"
           "\n"
           "Plays an animation film; without FILM an open-file dialog asks for one, again and\n"
           "again until cancelled.\n"
           "\n"
           "  -nN      number of passes through the film (default 1000000)\n"
           "  -pN      pause after each frame in ms (the program always appends -p1)\n"
           "  -sN      size of the in-memory conversion buffer in bytes (default 10000000)\n"
           "  -xF      the video picture is F times the window size (at least 1.0)\n"
           "  -c       play an ANMNEU film converted to user coordinates\n"
           "  -f       with -c, convert to a file instead of memory\n"
           "  --info   print what the reader found in the film, open no window\n"
           "  --output draw frame N (default 1) into a PNG picture (default size 800x600); for\n"
           "           ANMNEU films --phi F (1, 10, 100) and --substep K (0..F-1) pick an\n"
           "           in-between picture\n"
           "  --grid   with --output of ANMNEU and user-coordinates films: the grid under the\n"
           "           frame, as the window's g shows it\n"
           "  --measure X1,Y1,X2,Y2  with --output of those films: the measurement from the\n"
           "           reference point (X1, Y1) to the direction point (X2, Y2), in world units,\n"
           "           with its length and angle, as z and r in the window show it\n"
           "  --record record one pass of the film (every N-th frame with --step N) into a\n"
           "           video of --size (default 800x600) at 15 pictures per second, as the film\n"
           "           window records it; .avi is coded with --codec (rle8 by default, raw\n"
           "           8-bit, raw24 24-bit or msvc Video 1; 3D scenes: msvc by default, raw\n"
           "           24-bit), .mp4 with H.264, .webm with VP9; a film whose\n"
           "           last frame shows its first again leaves it out, so the video loops\n"
           "           without a repeated picture; --stamp writes the frame number (and the\n"
           "           cycle angle of ANMNEU films) into the top left corner, also of the\n"
           "           recordings made in the film window (v, q)\n"
           "  --pdf    print frame N into a PDF as a printer would print it (landscape A4\n"
           "           unless --paper and --portrait say otherwise)\n"
           "  --dxf    export frame N as a DXF drawing (ANMNEU films in world units, line films\n"
           "           in film units with y upwards); --size sets the window whose width the\n"
           "           chords of scaled arcs follow\n"
           "  --merge-out  merge the films a merge definition names into this ANMNEU film\n"
           "           without playing it; --info of a definition lists its entries, the\n"
           "           total window and the step count and writes nothing\n"
           "  --trace  follow the point X,Y of frame N (the first frame a pass shows by\n"
           "           default) through every frame: on the part drawn nearest to it (ANMNEU\n"
           "           and merged films), or on the record end nearest to it (line and\n"
           "           user-coordinates films); --csv writes frame, angle and x, y of every\n"
           "           trace, --svg the traces as polylines, --dxf frame N with the traces\n"
           "  --track  the distance and direction from the first point to the second in every\n"
           "           frame, with the least and greatest; --csv writes frame, angle,\n"
           "           distance, direction, --png draws them over the cycle\n"
           "  --sweep  every frame of a pass drawn over each other into one picture (with the\n"
           "           --trace curves of ANMNEU films over them)\n"
           "  --help, --version\n"
           "\n"
           "Environment:\n"
           "  FILMFENSTERX, FILMFENSTERY  client size of the film window (default 800 x 600)\n"
           "  KURVLAB_DIR                 directory the open-file dialog starts in\n"
           "  KURVLAB_EDITOR, VISUAL, EDITOR  the text editor for info and merge texts\n"
           "  KURVLAB_TERMINAL_ECHO=1     copy the text terminal's output to standard error\n"
           "  TMPDIR                      directory of temporary files (default /tmp)\n"
           "  DATEN                       directory of glgrafic.size for the 3D window\n"
           "  KVGL_OFF, KVGL_*            3D viewer switches, light and colour values\n"
           "  FACES3_*                    mesh import settings\n"
           "  VEC3_PARALLEL_EPS           tolerance for parallel vectors\n"
           "\n"
           "Settings are kept in ~/.config/kurvlab/kurvlab.conf; in section [KURVLAB] the key\n"
           "AVIOUTFILE names a fixed file for the film window's recordings.\n";
}

}  // namespace

std::string usage_text() {
    return usage_options_text() + "\n" + film::film_window_keys_text();
}

}  // namespace kurvlab
