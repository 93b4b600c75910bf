// Load speed of line films (a 50 MB text film and its binary twin) beside plainly reading and
// summing the same bytes, and the peak memory of loading a 1 MB film.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "film/line_film_reader.h"

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

// The same bytes one at a time through the reader's byte source.
void sum_file_bytewise(benchmark::State& state, const std::string& path, size_t size) {
    for (auto _ : state) {
        film::FileByteSource source;
        source.open(path);
        unsigned long sum = 0;
        for (int c; (c = source.get()) != film::ByteSource::kEndOfStream;) sum += unsigned(c);
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
void BM_GetSumText(benchmark::State& s) {
    sum_file_bytewise(s, films->text_path, films->text_size);
}
void BM_GetSumBinary(benchmark::State& s) {
    sum_file_bytewise(s, films->binary_path, films->binary_size);
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
BENCHMARK(BM_SumText)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_GetSumText)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_LoadText)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_SumBinary)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_GetSumBinary)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_LoadBinary)->Unit(benchmark::kMillisecond)->MinTime(2.0);

// Remembers each benchmark's throughput so that the ratios can be printed at the end.
class RatioReporter : public benchmark::ConsoleReporter {
  public:
    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& r : runs) {
            auto it = r.counters.find("bytes_per_second");
            if (it == r.counters.end()) continue;
            std::string name = r.benchmark_name();
            mb_per_s[name.substr(0, name.find('/'))] = it->second / 1e6;
        }
    }
    std::map<std::string, double> mb_per_s;
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
void report_peak_memory_for_1mb_film() {
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
    std::printf(
        "peak memory loading a 1 MB text film: VmHWM %.1f MB for the whole process (%.1f MB "
        "before the load); %d frames, %zu records (%.1f MB of records)\n",
        after / 1024.0, before / 1024.0, store.frame_count(), records,
        double(records * sizeof(film::FilmRecord)) / (1 << 20));
}

}  // namespace

int main(int argc, char** argv) {
    report_peak_memory_for_1mb_film();
    benchmark::Initialize(&argc, argv);
    Films generated;
    films = &generated;
    std::printf("text film %.1f MB, binary twin %.1f MB\n", generated.text_size / 1e6,
                generated.binary_size / 1e6);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    auto& m = reporter.mb_per_s;
    for (const char* kind : {"Text", "Binary"}) {
        const double load = m["BM_Load" + std::string(kind)];
        const double sum = m["BM_Sum" + std::string(kind)];
        const double get_sum = m["BM_GetSum" + std::string(kind)];
        if (load > 0 && sum > 0 && get_sum > 0) {
            std::printf(
                "%-6s load %7.1f MB/s | read+sum in blocks %7.1f MB/s: %.2f of it | read+sum "
                "byte by byte %7.1f MB/s: %.2f of it (target 0.25)\n",
                kind, load, sum, load / sum, get_sum, load / get_sum);
        }
    }
    benchmark::Shutdown();
    return 0;
}
