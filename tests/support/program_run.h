// Runs the built kurvlab as a user would and collects what it printed.
#pragma once

#include <sys/wait.h>

#include <array>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>

namespace kvtest {

inline const std::string kProgram = std::string(KV_BINARY_DIR) + "/src/main/kurvlab";
inline const std::string kExamples = std::string(KV_SOURCE_DIR) + "/examples";

struct ProgramRun {
    int exit_code = -1;
    std::string out;  // standard output and standard error together
};

// Runs a shell command line and collects its output and exit code.
inline ProgramRun run_shell(const std::string& cmd) {
    ProgramRun r;
    FILE* p = popen(cmd.c_str(), "r");
    if (!p) return r;
    std::array<char, 4096> buf;
    size_t n;
    while ((n = fread(buf.data(), 1, buf.size(), p)) > 0) r.out.append(buf.data(), n);
    const int status = pclose(p);
    r.exit_code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return r;
}

// Runs in `directory`, with the temporary files going to `tmpdir` when one is given.
inline ProgramRun run(const std::string& args, const std::string& directory = KV_SOURCE_DIR,
                      const std::string& tmpdir = "") {
    std::string cmd = "cd '" + directory + "' && ";
    if (!tmpdir.empty()) cmd += "TMPDIR='" + tmpdir + "' ";
    cmd += "QT_QPA_PLATFORM=offscreen timeout 120 " + kProgram + " " + args + " 2>&1";
    return run_shell(cmd);
}

// Runs in the source folder with no display in the environment; `env` adds variables
// ("NAME=value ..."). Ended after `seconds` (exit code 124).
inline ProgramRun run_without_display(const std::string& args, const std::string& env = "",
                                      int seconds = 120) {
    return run_shell("cd '" + std::string(KV_SOURCE_DIR) +
                     "' && env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM " + env +
                     " timeout " + std::to_string(seconds) + " " + kProgram + " " + args + " 2>&1");
}

inline std::string slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

}  // namespace kvtest
