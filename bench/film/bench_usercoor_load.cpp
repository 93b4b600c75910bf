// Load speed of a 50 MB user-coordinates film (as the ANMNEU conversion writes them) beside
// plainly reading and summing the same bytes.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "film_model/byte_source.h"
#include "film_model/usercoor_reader.h"
#include "support/run_in_child.h"

namespace {

std::string temp_dir() {
    const char* t = std::getenv("TMPDIR");
    return t != nullptr && *t != '\0' ? t : "/tmp";
}

// A four-bar linkage turning: per frame its label, a few parts of lines and arcs in world
// millimetres, printed with six significant digits as the conversion does.
std::string make_film(size_t bytes) {
    std::string text = "usercoor\nc1\nq100000\na-70,180,-70,130\nf\n";
    char buf[160];
    for (int frame = 0; text.size() < bytes; ++frame) {
        const double phi = frame * 2 * M_PI / 360.0;
        std::snprintf(buf, sizeof buf, "s-9,%g,Kurbelwinkel phi = %.1f Grad\n", 120.0 - 6.66667,
                      std::fmod(frame, 360.0));
        text += buf;
        for (int part = 0; part < 60; ++part) {
            const double a = phi + part * 0.1047, r = 10 + part * 1.7;
            const double x = 40 * std::cos(a) + part, y = 40 * std::sin(a) - part / 3.0;
            std::snprintf(buf, sizeof buf, "c%d\n", part % 14);
            text += buf;
            for (int k = 0; k < 6; ++k) {
                const double b = a + k * 1.0471975512;
                std::snprintf(buf, sizeof buf, "l%g,%g,%g,%g\n", x + r * std::cos(b),
                              y + r * std::sin(b), x + r * std::cos(b + 1.0471975512),
                              y + r * std::sin(b + 1.0471975512));
                text += buf;
            }
            std::snprintf(buf, sizeof buf, "h%g,%g,%g,%g,%g\n", x, y,
                          std::fmod(a * 180 / M_PI, 360.0), std::fmod(a * 180 / M_PI, 360.0) + 90,
                          r / 4);
            text += buf;
        }
        text += "x0,0,0,0\n";
    }
    return text;
}

struct Film {
    std::string path = temp_dir() + "/kv_bench_usercoor.anm";
    size_t size = 0;
    Film() {
        const std::string text = make_film(50u << 20);
        std::ofstream(path, std::ios::binary).write(text.data(), std::streamsize(text.size()));
        size = text.size();
    }
    ~Film() {
        if (!std::getenv("KV_KEEP")) std::remove(path.c_str());
    }
};

Film* film_file = nullptr;

void BM_SumUsercoor(benchmark::State& state) {
    std::vector<unsigned char> block(1 << 20);
    for (auto _ : state) {
        FILE* f = std::fopen(film_file->path.c_str(), "rb");
        unsigned long sum = 0;
        size_t n;
        while ((n = std::fread(block.data(), 1, block.size(), f)) > 0) {
            for (size_t i = 0; i < n; ++i) sum += block[i];
        }
        std::fclose(f);
        benchmark::DoNotOptimize(sum);
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(film_file->size));
}

// As the program loads: a film this big is read in two halves at once where there are two
// processors.
void BM_LoadUsercoor(benchmark::State& state) {
    for (auto _ : state) {
        film::UsercoorFilm film;
        if (film::read_usercoor_film_file(film_file->path, &film) != 0) state.SkipWithError("load");
        benchmark::DoNotOptimize(film.records.data());
        state.counters["frames"] = film.frame_count();
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(film_file->size));
}

// The same film read in one piece on one thread.
void BM_LoadUsercoorOnePiece(benchmark::State& state) {
    film::UsercoorLimits one_piece;
    one_piece.two_halves_from = SIZE_MAX;
    for (auto _ : state) {
        film::UsercoorFilm film;
        film::FileByteSource source;
        if (!source.open(film_file->path) ||
            film::read_usercoor_film(source, &film, one_piece) != 0)
            state.SkipWithError("load");
        benchmark::DoNotOptimize(film.records.data());
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(film_file->size));
}

// The load right after the plain reading of the same file, so that both see the same machine.
// Processor time is the whole process's, both threads of a load in two halves together.
BENCHMARK(BM_SumUsercoor)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_LoadUsercoor)
    ->Unit(benchmark::kMillisecond)
    ->MinTime(2.0)
    ->MeasureProcessCPUTime()
    ->UseRealTime();
BENCHMARK(BM_LoadUsercoorOnePiece)->Unit(benchmark::kMillisecond)->MinTime(2.0);

// Remembers the throughput by processor time and by wall-clock time for the summary.
class RatioReporter : public benchmark::ConsoleReporter {
  public:
    struct Rate {
        double cpu_mb_s = 0, wall_mb_s = 0;
    };
    Rate sum, load, one_piece;
    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& r : runs) {
            if (r.run_type != Run::RT_Iteration || r.iterations == 0) continue;
            const double mb = double(film_file->size) * double(r.iterations) / 1e6;
            const Rate rate{mb / r.cpu_accumulated_time, mb / r.real_accumulated_time};
            const std::string name = r.benchmark_name();
            if (name.rfind("BM_SumUsercoor", 0) == 0) sum = rate;
            if (name.rfind("BM_LoadUsercoor/", 0) == 0) load = rate;
            if (name.rfind("BM_LoadUsercoorOnePiece", 0) == 0) one_piece = rate;
        }
    }
};

// Peak resident memory of one load in a child of its own, in MB (0 when the load failed).
struct Peak {
    long peak_kb = 0;
    bool loaded = false;
};
double load_peak_mb(bool in_two_halves) {
    const Peak p = run_in_child<Peak>([in_two_halves] {
        film::UsercoorLimits limits;
        if (!in_two_halves) limits.two_halves_from = SIZE_MAX;
        film::UsercoorFilm film;
        film::FileByteSource source;
        Peak r;
        r.loaded =
            source.open(film_file->path) && film::read_usercoor_film(source, &film, limits) == 0;
        return r;
    });
    return p.loaded ? p.peak_kb / 1024.0 : 0;
}

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    Film generated;
    film_file = &generated;
    std::printf("user-coordinates film %.1f MB\n", generated.size / 1e6);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    const RatioReporter::Rate& l = reporter.load;
    const RatioReporter::Rate& s = reporter.sum;
    const RatioReporter::Rate& o = reporter.one_piece;
    if (s.cpu_mb_s > 0 && s.wall_mb_s > 0) {
        std::printf(
            "\nMB/s by wall-clock time (processor time of the whole process in brackets); "
            "read+sum reads the same file in 1 MB blocks and adds up its bytes; target: load "
            "at least 0.2 of read+sum\n"
            "usercoor film: load MB/s %7.1f (%7.1f) | read+sum MB/s %7.1f (%7.1f) | ratio %.3f "
            "(%.3f)\n"
            "read in one piece on one thread: MB/s %7.1f (%7.1f) | ratio %.3f (%.3f)\n",
            l.wall_mb_s, l.cpu_mb_s, s.wall_mb_s, s.cpu_mb_s, l.wall_mb_s / s.wall_mb_s,
            l.cpu_mb_s / s.cpu_mb_s, o.wall_mb_s, o.cpu_mb_s, o.wall_mb_s / s.wall_mb_s,
            o.cpu_mb_s / s.cpu_mb_s);
    }
    std::printf("peak resident memory of one load: %.1f MB in two halves, %.1f MB in one piece\n",
                load_peak_mb(true), load_peak_mb(false));
    std::ifstream loadavg("/proc/loadavg");
    std::string load_average;
    std::getline(loadavg, load_average);
    std::printf("load average at the end: %s (2 cores, shared)\n", load_average.c_str());
    benchmark::Shutdown();
    return 0;
}
