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

// Runs in `directory`, with the temporary files going to `tmpdir` when one is given.
inline ProgramRun run(const std::string& args, const std::string& directory = KV_SOURCE_DIR,
                      const std::string& tmpdir = "") {
    ProgramRun r;
    std::string cmd = "cd '" + directory + "' && ";
    if (!tmpdir.empty()) cmd += "TMPDIR='" + tmpdir + "' ";
    cmd += "QT_QPA_PLATFORM=offscreen timeout 120 " + kProgram + " " + args + " 2>&1";
    FILE* p = popen(cmd.c_str(), "r");
    if (!p) return r;
    std::array<char, 4096> buf;
    size_t n;
    while ((n = fread(buf.data(), 1, buf.size(), p)) > 0) r.out.append(buf.data(), n);
    const int status = pclose(p);
    r.exit_code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return r;
}

inline std::string slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

}  // namespace kvtest
