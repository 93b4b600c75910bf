// Load speed of line films (a 50 MB text film and its binary twin) beside plainly reading and
// summing the same bytes, and the peak memory of loading a 1 MB film.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "film_model/line_film_reader.h"

namespace {

std::string temp_dir() {
    const char* t = std::getenv("TMPDIR");
    return t != nullptr && *t != '\0' ? t : "/tmp";
}

void put_short(std::string* out, int v) {
    out->push_back(char((v >> 8) & 0xff));
    out->push_back(char(v & 0xff));
}

// A mechanism-like film: per frame a colour, ~500 lines and a few arcs, in both encodings.
void make_films(size_t text_bytes, std::string* text, std::string* binary) {
    text->assign("r1279,1023,q100000,F\n");
    binary->assign("R");
    put_short(binary, 1279);
    put_short(binary, 1023);
    binary->append("F\n");
    char buf[96];
    unsigned seed = 1862;
    auto rnd = [&seed](int n) {
        seed = seed * 1103515245u + 12345u;
        return int((seed >> 8) % unsigned(n));
    };
    while (text->size() < text_bytes) {
        for (int k = 0; k < 500; ++k) {
            int c = rnd(16), x1 = rnd(1280), y1 = rnd(1024), x2 = rnd(1280), y2 = rnd(1024);
            if (k % 50 == 0) {
                std::snprintf(buf, sizeof buf, "c%d\n", c);
                text->append(buf);
                binary->push_back('C');
                put_short(binary, c);
            }
            std::snprintf(buf, sizeof buf, "l%d,%d,%d,%d\n", x1, y1, x2, y2);
            text->append(buf);
            binary->push_back('L');
            for (int v : {x1, y1, x2, y2}) put_short(binary, v);
        }
        text->append("x\n");
        binary->push_back('X');
    }
}

void write_file(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary).write(bytes.data(), std::streamsize(bytes.size()));
}

struct Films {
    std::string text_path = temp_dir() + "/kv_bench_film_text.anm";
    std::string binary_path = temp_dir() + "/kv_bench_film_binary.anm";
    size_t text_size = 0, binary_size = 0;
    Films() {
        std::string text, binary;
        make_films(50u << 20, &text, &binary);
        write_file(text_path, text);
        write_file(binary_path, binary);
        text_size = text.size();
        binary_size = binary.size();
    }
    ~Films() {
        std::remove(text_path.c_str());
        std::remove(binary_path.c_str());
    }
};

Films* films = nullptr;

void sum_file(benchmark::State& state, const std::string& path, size_t size) {
    std::vector<unsigned char> block(1 << 20);
    for (auto _ : state) {
        FILE* f = std::fopen(path.c_str(), "rb");
        unsigned long sum = 0;
        size_t n;
        while ((n = std::fread(block.data(), 1, block.size(), f)) > 0) {
            for (size_t i = 0; i < n; ++i) sum += block[i];
        }
        std::fclose(f);
        benchmark::DoNotOptimize(sum);
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(size));
}

void load_file(benchmark::State& state, const std::string& path, size_t size) {
    for (auto _ : state) {
        film::FrameStore store;
        if (film::read_line_film_file(path, &store, nullptr) != 0) state.SkipWithError("load");
        benchmark::DoNotOptimize(store.records.data());
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(size));
}

void BM_SumText(benchmark::State& s) {
    sum_file(s, films->text_path, films->text_size);
}
void BM_LoadText(benchmark::State& s) {
    load_file(s, films->text_path, films->text_size);
}
void BM_SumBinary(benchmark::State& s) {
    sum_file(s, films->binary_path, films->binary_size);
}
void BM_LoadBinary(benchmark::State& s) {
    load_file(s, films->binary_path, films->binary_size);
}
// Each load right after the plain reading of the same file, so that both see the same machine.
BENCHMARK(BM_SumText)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_LoadText)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_SumBinary)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_LoadBinary)->Unit(benchmark::kMillisecond)->MinTime(2.0);

// Remembers each benchmark's throughput by processor time (what the other engineers' builds on
// the shared cores distort least) and by wall-clock time, for the summary at the end.
class RatioReporter : public benchmark::ConsoleReporter {
  public:
    struct Rate {
        double cpu_mb_s = 0, wall_mb_s = 0;
    };
    explicit RatioReporter(std::map<std::string, size_t> bytes) : bytes_(std::move(bytes)) {}
    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& r : runs) {
            if (r.run_type != Run::RT_Iteration || r.iterations == 0) continue;
            std::string name = r.benchmark_name();
            name = name.substr(0, name.find('/'));
            const auto size = bytes_.find(name);
            if (size == bytes_.end()) continue;
            const double mb = double(size->second) * double(r.iterations) / 1e6;
            rates[name] = Rate{mb / r.cpu_accumulated_time, mb / r.real_accumulated_time};
        }
    }
    std::map<std::string, Rate> rates;

  private:
    std::map<std::string, size_t> bytes_;
};

long peak_resident_kb() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmHWM:", 0) == 0) return std::atol(line.c_str() + 6);
    }
    return -1;
}

// Measured first, before the 50 MB films exist, so that the peak is this load's.
std::string peak_memory_for_1mb_film() {
    std::string text, binary;
    make_films(1u << 20, &text, &binary);
    const std::string path = temp_dir() + "/kv_bench_film_1mb.anm";
    write_file(path, text);
    text.clear();
    text.shrink_to_fit();
    binary.clear();
    binary.shrink_to_fit();
    const long before = peak_resident_kb();
    film::FrameStore store;
    film::read_line_film_file(path, &store, nullptr);
    const long after = peak_resident_kb();
    std::remove(path.c_str());
    const size_t records = store.records.size();
    char line[256];
    std::snprintf(line, sizeof line,
                  "peak memory loading a 1 MB text film: VmHWM %.1f MB for the whole process "
                  "(%.1f MB before the load; target: under 80 MB); %d frames, %zu records (%.1f "
                  "MB of records)",
                  after / 1024.0, before / 1024.0, store.frame_count(), records,
                  double(records * sizeof(film::FilmRecord)) / (1 << 20));
    std::printf("%s\n", line);
    return line;
}

}  // namespace

int main(int argc, char** argv) {
    const std::string peak_line = peak_memory_for_1mb_film();
    benchmark::Initialize(&argc, argv);
    Films generated;
    films = &generated;
    std::printf("text film %.1f MB, binary twin %.1f MB\n", generated.text_size / 1e6,
                generated.binary_size / 1e6);
    RatioReporter reporter({{"BM_SumText", generated.text_size},
                            {"BM_LoadText", generated.text_size},
                            {"BM_SumBinary", generated.binary_size},
                            {"BM_LoadBinary", generated.binary_size}});
    benchmark::RunSpecifiedBenchmarks(&reporter);
    std::printf(
        "\nMB/s by processor time (wall-clock time in brackets); read+sum reads the same file in "
        "1 MB blocks and adds up its bytes; target: load at least 0.25 of read+sum\n");
    for (const char* kind : {"Text", "Binary"}) {
        const auto load = reporter.rates.find("BM_Load" + std::string(kind));
        const auto sum = reporter.rates.find("BM_Sum" + std::string(kind));
        if (load == reporter.rates.end() || sum == reporter.rates.end()) continue;
        const RatioReporter::Rate& l = load->second;
        const RatioReporter::Rate& r = sum->second;
        std::printf(
            "%-6s film: load MB/s %7.1f (%7.1f) | read+sum MB/s %7.1f (%7.1f) | ratio %.3f "
            "(%.3f)\n",
            kind, l.cpu_mb_s, l.wall_mb_s, r.cpu_mb_s, r.wall_mb_s, l.cpu_mb_s / r.cpu_mb_s,
            l.wall_mb_s / r.wall_mb_s);
    }
    std::printf("%s\n", peak_line.c_str());
    std::ifstream loadavg("/proc/loadavg");
    std::string load_average;
    std::getline(loadavg, load_average);
    std::printf("load average at the end: %s (2 cores, shared)\n", load_average.c_str());
    benchmark::Shutdown();
    return 0;
}
