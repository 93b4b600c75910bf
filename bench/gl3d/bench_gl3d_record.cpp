// Recording 360 pictures of 1024 x 768 from the offscreen surface: what the recording costs per
// picture beyond drawing and reading it, in Video 1 and uncompressed, beside the ffmpeg program
// coding the same pictures to Video 1 (-c:v msvideo1) from a raw file. The scene is the example
// slider-crank, three turns. Each is run KV_BENCH_RECORD_ROUNDS times (default 2) in turn and
// the fastest wall time counts; processor time (all threads, or the ffmpeg child) is printed
// beside it, as it depends less on what else the machine does. KV_BENCH_RECORD_DIR sets where
// the files go (default $TMPDIR).
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "gl3d/light_settings.h"
#include "gl3d/renderer.h"
#include "gl3d/scene_loader.h"
#include "gl3d/viewer_recording.h"
#include "mw31/egl/offscreen_gl.h"

namespace {

constexpr int kWidth = 1024, kHeight = 768, kPictures = 360;

double now_ms();

// Processor time of this process (who = RUSAGE_SELF) or its ended children, in ms.
double cpu_ms(int who) {
    rusage u{};
    getrusage(who, &u);
    return (double(u.ru_utime.tv_sec) + double(u.ru_stime.tv_sec)) * 1e3 +
           (double(u.ru_utime.tv_usec) + double(u.ru_stime.tv_usec)) * 1e-3;
}

struct Cost {
    double wall = 1e300, cpu = 1e300;  // the fastest round of each
    void take(double w, double c) {
        wall = std::min(wall, w);
        cpu = std::min(cpu, c);
    }
};

template <typename F>
void measure(Cost* cost, int who, F&& f) {
    const double c0 = cpu_ms(who), t0 = now_ms();
    f();
    const double t = now_ms() - t0, c = cpu_ms(who) - c0;
    cost->take(t, c);
}

double now_ms() {
    return std::chrono::duration<double, std::milli>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

// Draws frame (n mod the scene's frames) and reads the surface, as the headless recording
// does; optionally every picture is also appended to a raw file for the ffmpeg program.
class BenchSurface final : public gl3d::RecordingSurface {
  public:
    BenchSurface(gl3d::Scene* scene, mw31::OffscreenGl* gl, const gl3d::LightSettings& lights,
                 std::ofstream* raw)
        : scene_(scene), gl_(gl), raw_(raw) {
        settings_.lights = lights;
        settings_.width = kWidth;
        settings_.height = kHeight;
    }
    void draw(const gl3d::Playback& p) override {
        const int f = p.frame % scene_->frame_count();
        gl3d::apply_frame(scene_, f);
        scene_->current_frame = f;
        gl3d::render_scene(scene_, settings_);
    }
    bool capture(int, int, std::vector<uint8_t>* rows) override {
        *rows = gl_->read_rgb_rows();
        if (raw_)
            raw_->write(reinterpret_cast<const char*>(rows->data()), std::streamsize(rows->size()));
        return true;
    }

  private:
    gl3d::Scene* scene_;
    mw31::OffscreenGl* gl_;
    std::ofstream* raw_;
    gl3d::RenderSettings settings_;
};

// Draws and reads every picture the way record_pass does, without any file.
void draw_only(gl3d::RecordingSurface* s) {
    gl3d::Playback p;
    gl3d::start_playback(&p, kPictures);
    std::vector<uint8_t> rows;
    s->draw(p);
    for (int i = 0; i < kPictures; ++i) {
        gl3d::step_frame(&p);
        s->draw(p);
        s->capture(kWidth, kHeight, &rows);
    }
}

void record(gl3d::RecordingSurface* s, const std::string& path, video::AviCodec codec) {
    gl3d::Playback p;
    gl3d::start_playback(&p, kPictures);
    const int n = gl3d::record_pass(&p, s, {path, codec}, kWidth, kHeight);
    if (n != kPictures) std::fprintf(stderr, "%s: %d pictures\n", path.c_str(), n);
}

}  // namespace

int main() {
    const char* dir_env = std::getenv("KV_BENCH_RECORD_DIR");
    const char* tmp = std::getenv("TMPDIR");
    const std::string dir = dir_env && *dir_env ? dir_env : tmp && *tmp ? tmp : "/tmp";
    gl3d::Scene scene;
    gl3d::LoadOptions options;
    options.report = [](const std::string&) {};
    if (gl3d::load_scene(std::string(KV_SOURCE_DIR) + "/examples/slidercrank_3d.anm", &scene,
                         options) != 0 ||
        scene.frame_count() <= 0) {
        std::fprintf(stderr, "the example scene does not load\n");
        return 1;
    }
    std::string error;
    auto gl = mw31::OffscreenGl::create(kWidth, kHeight, &error);
    if (!gl) {
        std::fprintf(stderr, "no offscreen GL: %s\n", error.c_str());
        return 1;
    }
    const gl3d::LightSettings lights = gl3d::read_light_settings(gl3d::environment_then_profile());
    gl3d::setup_context(lights);

    const std::string raw_path = dir + "/kv_bench_record.rgb";
    const std::string msvc_path = dir + "/kv_bench_record_msvc.avi";
    const std::string raw24_path = dir + "/kv_bench_record_raw24.avi";
    const std::string ffmpeg_path = dir + "/kv_bench_record_ffmpeg.avi";

    // The raw pictures for ffmpeg, written once outside every timing.
    {
        std::ofstream raw(raw_path, std::ios::binary);
        BenchSurface writing(&scene, gl.get(), lights, &raw);
        draw_only(&writing);
    }
    BenchSurface s(&scene, gl.get(), lights, nullptr);
    draw_only(&s);  // warm-up
    const char* rounds_env = std::getenv("KV_BENCH_RECORD_ROUNDS");
    const int rounds = rounds_env && std::atoi(rounds_env) > 0 ? std::atoi(rounds_env) : 2;
    const std::string cmd = "ffmpeg -v error -y -f rawvideo -pix_fmt rgb24 -s " +
                            std::to_string(kWidth) + "x" + std::to_string(kHeight) + " -r 15 -i '" +
                            raw_path + "' -c:v msvideo1 '" + ffmpeg_path + "'";
    Cost drawing, msvc, raw24, ffmpeg;
    int rc = 0;
    for (int round = 0; round < rounds; ++round) {
        measure(&drawing, RUSAGE_SELF, [&] { draw_only(&s); });
        measure(&msvc, RUSAGE_SELF, [&] { record(&s, msvc_path, video::AviCodec::kMsvc); });
        measure(&raw24, RUSAGE_SELF, [&] { record(&s, raw24_path, video::AviCodec::kRaw24); });
        std::remove(raw24_path.c_str());
        measure(&ffmpeg, RUSAGE_CHILDREN, [&] { rc = std::system(cmd.c_str()); });
    }

    std::ifstream msvc_file(msvc_path, std::ios::binary | std::ios::ate);
    std::ifstream ffmpeg_file(ffmpeg_path, std::ios::binary | std::ios::ate);
    double load[3] = {0, 0, 0};
    std::FILE* la = std::fopen("/proc/loadavg", "r");
    if (la) {
        if (std::fscanf(la, "%lf %lf %lf", &load[0], &load[1], &load[2]) != 3) load[0] = -1;
        std::fclose(la);
    }
    const auto per = [](double ms) { return ms / kPictures; };
    std::printf("%d pictures of %d x %d, slider-crank example, fastest of %d rounds\n", kPictures,
                kWidth, kHeight, rounds);
    std::printf("                                  wall ms/picture   processor ms/picture\n");
    std::printf("drawing and reading alone:        %8.2f          %8.2f\n", per(drawing.wall),
                per(drawing.cpu));
    std::printf("Video 1 (msvc), beyond drawing:   %8.2f          %8.2f   (file %.1f MB)\n",
                per(msvc.wall - drawing.wall), per(msvc.cpu - drawing.cpu),
                double(msvc_file.tellg()) / 1e6);
    std::printf("uncompressed 24-bit, beyond:      %8.2f          %8.2f\n",
                per(raw24.wall - drawing.wall), per(raw24.cpu - drawing.cpu));
    if (rc == 0)
        std::printf("ffmpeg -c:v msvideo1 (program):   %8.2f          %8.2f   (file %.1f MB)\n",
                    per(ffmpeg.wall), per(ffmpeg.cpu), double(ffmpeg_file.tellg()) / 1e6);
    else
        std::printf("ffmpeg -c:v msvideo1 (program):   not run (exit %d)\n", rc);
    std::printf("load average: %.2f %.2f %.2f\n", load[0], load[1], load[2]);
    for (const std::string& p : {raw_path, msvc_path, raw24_path, ffmpeg_path})
        std::remove(p.c_str());
    return 0;
}
