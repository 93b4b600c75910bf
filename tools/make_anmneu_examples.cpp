// Computes the example ANMNEU films and the contour files their symbols include, and writes
// them into a directory: make_anmneu_examples OUTPUT_DIRECTORY (normally examples/).
#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <string>

#include "anmneu_examples.h"

namespace {

bool write_file(const std::string& path, const std::string& text) {
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) {
        std::fprintf(stderr, "make_anmneu_examples: cannot write %s\n", path.c_str());
        return false;
    }
    const bool ok = std::fwrite(text.data(), 1, text.size(), f) == text.size();
    return std::fclose(f) == 0 && ok;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_anmneu_examples OUTPUT_DIRECTORY\n");
        return 2;
    }
    const std::string dir = argv[1];
    if (::mkdir((dir + "/symbols").c_str(), 0777) != 0 && errno != EEXIST) {
        std::fprintf(stderr, "make_anmneu_examples: cannot make %s/symbols\n", dir.c_str());
        return 1;
    }
    bool ok = true;
    for (const tools::ExampleFile& f : tools::anmneu_example_files()) {
        ok &= write_file(dir + "/" + f.path, f.text);
    }
    return ok ? 0 : 1;
}
