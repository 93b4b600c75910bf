// What recording costs: real film pictures (the four-bar example, 800 x 600) handed to the
// recording as the film window hands them (picture read, palette mapping, RLE8 or raw 8-bit
// coding, writing), the peak memory of a 3600-picture recording, and H.264 through our
// writer beside the ffmpeg program encoding the same pictures with the same settings.
#include <benchmark/benchmark.h>
#include <sys/resource.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "film_model/colour_table.h"
#include "film_model/frame_store.h"
#include "film_model/line_film_painter.h"
#include "film_model/line_film_reader.h"
#include "film_model/paint_basics.h"
#include "film_out/avi_export.h"
#include "mw31/backend.h"
#include "mw31/qt/qt_backend.h"
#include "video/video_file.h"

namespace {

namespace fs = std::filesystem;

constexpr int kW = 800, kH = 600;
constexpr int kKeptPictures = 24;  // every third frame of the film, kept for the timed loops
constexpr int kLongRecording = 3600;

struct Film {
    film::FrameStore store;
    film::FilmView view = film::fitted_view(kW, kH);
    film::ColourTable colours;
    Film() {
        const std::string name = std::string(KV_SOURCE_DIR) + "/examples/fourbar_binary.anm";
        if (film::read_line_film_file(name, &store, film::erase_rect_mapper(view)) != 0 ||
            store.frame_count() < 2) {
            std::fprintf(stderr, "cannot read %s\n", name.c_str());
            std::exit(1);
        }
    }
    int shown(int i) const { return 1 + i % (store.frame_count() - 1); }
};
Film& film_data() {
    static Film f;
    return f;
}

// Made on first use, so that the memory benchmark runs before they exist.
const std::vector<std::unique_ptr<mw31::Picture>>& kept_pictures() {
    static std::vector<std::unique_ptr<mw31::Picture>> pictures;
    if (pictures.empty()) {
        Film& f = film_data();
        for (int i = 0; i < kKeptPictures; ++i)
            pictures.push_back(
                film::render_film_frame(f.store, f.shown(3 * i), kW, kH, f.colours, &f.view));
    }
    return pictures;
}

std::string scratch(const std::string& name) {
    const char* t = std::getenv("TMPDIR");
    return std::string(t && *t ? t : "/tmp") + "/kv_bench_record_" + std::to_string(getpid()) +
           "_" + name;
}

double elapsed_ms(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
        .count();
}

double peak_rss_mb() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return double(u.ru_maxrss) / 1024.0;
}

// 3600 pictures drawn one after the other into one picture, as the window draws them.
void BM_PeakMemoryOfALongRecording(benchmark::State& state) {
    Film& f = film_data();
    auto picture = mw31::create_picture(kW, kH);
    const std::string path = scratch("long.avi");
    const double before = peak_rss_mb();
    for (auto _ : state) {
        film_out::AviExport rec;
        film_out::avi_begin(&rec, film_out::AviTarget{path, video::AviCodec::kRle8});
        film::LineFilmFramePainter painter(f.store, 1);
        const film::PaintStyle style{1, false, &f.colours};
        for (int i = 0; i < kLongRecording; ++i) {
            mw31::Canvas& c = picture->canvas();
            c.fill_rect(mw31::Rect{0, 0, kW, kH}, mw31::Brush{mw31::Rgb{255, 255, 255}});
            painter.set_frame(f.shown(i));
            painter.paint_background(c, f.view, style);
            painter.paint(c, f.view, style);
            film_out::avi_add_picture(&rec, *picture);
        }
        if (film_out::avi_finish(&rec) != 0) state.SkipWithError("the recording failed");
        state.counters["pictures"] = rec.pictures;
        state.counters["file_MB"] = double(fs::file_size(path)) / 1e6;
    }
    fs::remove(path);
    state.counters["peak_rss_MB"] = peak_rss_mb();
    state.counters["rss_before_MB"] = before;
}
// Registered first: the peak is that of the whole process so far.
BENCHMARK(BM_PeakMemoryOfALongRecording)->Iterations(1)->Unit(benchmark::kSecond);

// The whole path of a recorded picture, ms per picture.
void BM_RecordFilmPicture(benchmark::State& state, video::AviCodec codec) {
    const auto& pictures = kept_pictures();
    const std::string path = scratch("film.avi");
    film_out::AviExport rec;
    film_out::avi_begin(&rec, film_out::AviTarget{path, codec});
    size_t i = 0;
    for (auto _ : state) {
        if (film_out::avi_add_picture(&rec, *pictures[i++ % pictures.size()]) != 0) {
            state.SkipWithError(rec.error.message.c_str());
            break;
        }
    }
    const int pictures_written = rec.pictures;
    film_out::avi_finish(&rec);
    state.counters["MB_per_picture"] =
        pictures_written > 0 ? double(fs::file_size(path)) / pictures_written / 1e6 : 0.0;
    fs::remove(path);
}
BENCHMARK_CAPTURE(BM_RecordFilmPicture, rle8, video::AviCodec::kRle8)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_RecordFilmPicture, raw8, video::AviCodec::kRaw8)
    ->Unit(benchmark::kMillisecond);

// The kept pictures as RGB rows, three passes over them: the pictures both encoders get.
constexpr int kH264Passes = 3;
const std::vector<std::vector<uint8_t>>& kept_rgb() {
    static std::vector<std::vector<uint8_t>> rows;
    if (rows.empty())
        for (const auto& p : kept_pictures()) rows.push_back(p->rgb_rows());
    return rows;
}

void BM_H264OurWriter(benchmark::State& state) {
    if (!video::video_container_available(video::VideoContainer::kMp4)) {
        state.SkipWithError("no FFmpeg in this build");
        return;
    }
    const auto& rows = kept_rgb();
    const std::string path = scratch("ours.mp4");
    const int count = kH264Passes * int(rows.size());
    double wall_ms = 0;
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        video::AviOptions o;
        o.width = kW;
        o.height = kH;
        o.rate = film_out::kAviRate;
        std::unique_ptr<video::VideoWriter> w;
        video::Result r = video::video_create(path, o, &w);
        for (int i = 0; r.ok() && i < count; ++i)
            r = w->add_picture(
                video::rgb24_picture(rows[size_t(i) % rows.size()].data(), kW, kH, kW * 3));
        if (r.ok()) r = w->finish();
        if (!r.ok()) state.SkipWithError(r.message.c_str());
        wall_ms += elapsed_ms(start);
    }
    state.counters["ms_per_picture"] = wall_ms / double(count) / double(state.iterations());
    fs::remove(path);
}
BENCHMARK(BM_H264OurWriter)->Iterations(3)->UseRealTime()->Unit(benchmark::kMillisecond);

// The same pictures, rate and x264 settings (veryfast, crf 18, 31-picture GOP, yuv420p,
// bilinear accurate scaling), read by the ffmpeg program from a raw RGB file. Once with one
// thread as our writer codes, once with ffmpeg's own choice of threads.
void BM_H264FfmpegProgram(benchmark::State& state, bool one_thread) {
    const auto& rows = kept_rgb();
    const std::string input = scratch("frames.rgb"), output = scratch("cli.mp4");
    const int count = kH264Passes * int(rows.size());
    {
        std::ofstream out(input, std::ios::binary);
        for (int i = 0; i < count; ++i) {
            const auto& r = rows[size_t(i) % rows.size()];
            out.write(reinterpret_cast<const char*>(r.data()), std::streamsize(r.size()));
        }
    }
    const std::string command =
        "ffmpeg -v error -y -f rawvideo -pix_fmt rgb24 -s 800x600 -r 15 -i '" + input +
        "' -c:v libx264 -preset veryfast -crf 18 -g 31 " + (one_thread ? "-threads 1 " : "") +
        "-pix_fmt yuv420p -sws_flags bilinear+accurate_rnd '" + output + "'";
    double wall_ms = 0;
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        if (std::system(command.c_str()) != 0) {
            state.SkipWithError("the ffmpeg program failed (is it installed?)");
            break;
        }
        wall_ms += elapsed_ms(start);
    }
    state.counters["ms_per_picture"] = wall_ms / double(count) / double(state.iterations());
    fs::remove(input);
    fs::remove(output);
}
BENCHMARK_CAPTURE(BM_H264FfmpegProgram, one_thread, true)
    ->Iterations(3)
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_H264FfmpegProgram, own_threads, false)
    ->Iterations(3)
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    mw31::set_backend(mw31::make_qt_backend(argc, argv));
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    mw31::set_backend(nullptr);
    return 0;
}
