// From the command to a 1024 x 768 PNG of a 200,000-triangle body: `kurvlab SCENE --output`
// (the body read from VRML 1.0) beside f3d on the same mesh as OBJ, each as a whole process.
// Wall time and peak memory (max RSS) of every run; medians and the pairwise ratio are printed.
// Debian's f3d needs an X display even for --output; without one a private Xvfb is started for
// it once, outside the timing. KV_BENCH_GL3D_RUNS sets the counted runs (after one warm-up run of
// each).
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "mesh_files.h"

namespace {

struct Run {
    bool ok = false;
    double seconds = 0;
    double max_rss_mb = 0;
    std::string failure;
};

bool executable_on_path(const std::string& name, std::string* found) {
    const char* path = std::getenv("PATH");
    std::string p = path ? path : "/usr/bin:/bin";
    size_t start = 0;
    while (start <= p.size()) {
        size_t end = p.find(':', start);
        if (end == std::string::npos) end = p.size();
        const std::string candidate = p.substr(start, end - start) + "/" + name;
        if (end > start && access(candidate.c_str(), X_OK) == 0) {
            *found = candidate;
            return true;
        }
        start = end + 1;
    }
    return false;
}

// Runs argv in dir with its output sent to log; the run counts when it exits with 0 and the
// picture is there.
Run run(const std::vector<std::string>& argv, const std::string& dir, const std::string& log,
        const std::string& picture, const std::string& display = "") {
    Run r;
    std::remove(picture.c_str());
    const auto t0 = std::chrono::steady_clock::now();
    const pid_t pid = fork();
    if (pid == 0) {
        if (chdir(dir.c_str()) != 0) _exit(126);
        if (!display.empty()) setenv("DISPLAY", display.c_str(), 1);
        const int fd = open(log.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
        if (fd >= 0) {
            dup2(fd, 1);
            dup2(fd, 2);
        }
        std::vector<char*> args;
        for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
        args.push_back(nullptr);
        execv(args[0], args.data());
        _exit(127);
    }
    if (pid < 0) return r;
    int status = 0;
    struct rusage usage = {};
    if (wait4(pid, &status, 0, &usage) != pid) return r;
    r.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    r.max_rss_mb = usage.ru_maxrss / 1024.0;  // kilobytes on Linux
    struct stat st = {};
    if (WIFSIGNALED(status))
        r.failure = "signal " + std::to_string(WTERMSIG(status));
    else if (WEXITSTATUS(status) != 0)
        r.failure = "exit status " + std::to_string(WEXITSTATUS(status));
    else if (stat(picture.c_str(), &st) != 0 || st.st_size == 0)
        r.failure = "no picture";
    r.ok = r.failure.empty();
    return r;
}

// A private X server: its pid, and the display name through *display ("" when none came up).
pid_t start_xvfb(const std::string& xvfb, std::string* display) {
    int fds[2];
    if (pipe(fds) != 0) return -1;
    const pid_t pid = fork();
    if (pid == 0) {
        close(fds[0]);
        const int null = open("/dev/null", O_WRONLY);
        if (null >= 0) dup2(null, 1), dup2(null, 2);
        const std::string fd = std::to_string(fds[1]);
        execl(xvfb.c_str(), xvfb.c_str(), "-displayfd", fd.c_str(), "-screen", "0", "1280x1024x24",
              "-nolisten", "tcp", static_cast<char*>(nullptr));
        _exit(127);
    }
    close(fds[1]);
    char buf[32] = {0};
    // The read end stays open while the server runs: it fails when it cannot finish its write.
    const ssize_t n = pid > 0 ? read(fds[0], buf, sizeof buf - 1) : 0;
    if (n > 0) *display = ":" + std::to_string(std::atoi(buf));
    return pid;
}

double median(std::vector<double> v) {
    if (v.empty()) return 0;
    std::sort(v.begin(), v.end());
    const size_t n = v.size();
    return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

struct Series {
    std::vector<double> seconds, rss;
    int failed = 0;
    std::string failure;
    void add(const Run& r) {
        if (!r.ok) {
            ++failed;
            failure = r.failure;
            return;
        }
        seconds.push_back(r.seconds);
        rss.push_back(r.max_rss_mb);
    }
};

void print_series(const char* name, const Series& s) {
    if (s.seconds.empty()) {
        std::printf("%-8s every run failed (%s)\n", name, s.failure.c_str());
        return;
    }
    std::printf("%-8s time median %.3f s (min %.3f, max %.3f), max RSS median %.1f MB (max %.1f)",
                name, median(s.seconds), *std::min_element(s.seconds.begin(), s.seconds.end()),
                *std::max_element(s.seconds.begin(), s.seconds.end()), median(s.rss),
                *std::max_element(s.rss.begin(), s.rss.end()));
    if (s.failed) std::printf(", %d runs failed (%s)", s.failed, s.failure.c_str());
    std::printf("\n");
}

}  // namespace

int main() {
    const char* env = std::getenv("KV_BENCH_GL3D_RUNS");
    const int runs = std::max(1, env ? std::atoi(env) : 5);
    const std::string dir = bench3d::temp_dir() + "/kv_bench_gl3d_output";
    mkdir(dir.c_str(), 0755);

    bench3d::Torus t;
    t.nu = 500, t.nv = 200;  // 200,000 triangles, in metres
    t.major = 0.1, t.minor = 0.04;
    const std::string wrl = dir + "/torus.wrl", obj = dir + "/torus.obj",
                      scene = dir + "/torus.anm", log = dir + "/output.log";
    if (!bench3d::write_vrml(wrl, t) || !bench3d::write_obj(obj, t)) {
        std::printf("cannot write the mesh files in %s\n", dir.c_str());
        return 1;
    }
    std::FILE* f = std::fopen(scene.c_str(), "wb");
    if (!f) return 1;
    std::fprintf(f,
                 "ANM3D\n1\n1\n--- Symbol-Dateien ---\nbegin x torus\n0.8 0.7 0.3\nvrml %s 0\n"
                 "end\n# 0\n0 0 0 1 0 0 0 1 0 0 0 1\n",
                 wrl.c_str());
    std::fclose(f);
    std::remove(log.c_str());

    // The figures are only comparable with the load they were taken under.
    if (std::FILE* l = std::fopen("/proc/loadavg", "r")) {
        char text[64] = {0};
        if (std::fgets(text, sizeof text, l)) std::printf("load average at start: %s", text);
        std::fclose(l);
    }
    std::printf(
        "mesh: %d triangles (VRML 1.0 for kurvlab, OBJ for f3d); %d runs each after one "
        "warm-up, alternating\n",
        t.triangles(), runs);
    const std::vector<std::string> ours = {KV_KURVLAB_PATH, scene, "--output", dir + "/x.png",
                                           "--frame",       "0",   "--size",   "1024x768"};
    std::string f3d_path;
    const bool have_f3d = executable_on_path("f3d", &f3d_path);
    if (!have_f3d) std::printf("f3d not installed: kurvlab is timed alone\n");
    const std::vector<std::string> theirs = {f3d_path,       "--output", dir + "/y.png",
                                             "--resolution", "1024,768", obj};

    std::string display = std::getenv("DISPLAY") ? std::getenv("DISPLAY") : "", xvfb;
    pid_t xvfb_pid = -1;
    if (have_f3d && display.empty()) {
        if (executable_on_path("Xvfb", &xvfb)) xvfb_pid = start_xvfb(xvfb, &display);
        std::printf("f3d needs an X display: %s\n", display.empty()
                                                        ? "none could be started"
                                                        : ("private Xvfb " + display).c_str());
    }

    Series a, b;
    std::vector<double> ratios;
    run(ours, dir, log, dir + "/x.png");
    if (have_f3d) run(theirs, dir, log, dir + "/y.png", display);
    for (int i = 0; i < runs; ++i) {
        const Run ra = run(ours, dir, log, dir + "/x.png");
        a.add(ra);
        if (!have_f3d) continue;
        const Run rb = run(theirs, dir, log, dir + "/y.png", display);
        b.add(rb);
        if (ra.ok && rb.ok) ratios.push_back(ra.seconds / rb.seconds);
    }
    print_series("kurvlab", a);
    if (have_f3d) print_series("f3d", b);
    if (!a.seconds.empty())
        std::printf("target: kurvlab max RSS under 400 MB: %s\n",
                    median(a.rss) < 400 ? "met" : "NOT met");
    if (!ratios.empty()) {
        std::printf("ratio kurvlab / f3d time, median of pairs: %.2f (target <= 1: %s)\n",
                    median(ratios), median(ratios) <= 1 ? "met" : "NOT met");
        std::printf("ratio kurvlab / f3d max RSS: %.2f (target <= 1: %s)\n",
                    median(a.rss) / median(b.rss),
                    median(a.rss) <= median(b.rss) ? "met" : "NOT met");
    }
    if (xvfb_pid > 0) {
        kill(xvfb_pid, SIGTERM);
        waitpid(xvfb_pid, nullptr, 0);
    }
    if (a.failed || b.failed) std::printf("output of the runs: %s\n", log.c_str());
    return 0;
}
