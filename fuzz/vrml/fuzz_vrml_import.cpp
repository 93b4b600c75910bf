// libFuzzer target: any bytes as a VRML file (after the VRML 1.0 header, so that the
// fuzzer need not find it first) must give a body or none, never a crash or a hang.
#include <stdlib.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <string>

#include "faces3/faces3.h"
#include "faces3/faces3_output.h"
#include "faces3/vrml_import.h"

namespace {

void quiet(const char*) {}

struct Setup {
    std::string dir;
    std::string file;
    Setup() {
        faces3_set_terminal_output(quiet);
        faces3_set_message_output(quiet);
        // A folder of its own, named to the importer for its copy of the file.
        const char* base = std::getenv("TMPDIR");
        std::string tmpl = std::string(base && *base ? base : "/tmp") + "/kv_fuzz_vrml_XXXXXX";
        dir = mkdtemp(tmpl.data()) ? tmpl : "/tmp";
        setenv("TMPDIR", dir.c_str(), 1);
        setenv("KURVLAB_PRIVATE_TMPDIR", dir.c_str(), 1);
        file = dir + "/input.wrl";
        // Coarse primitives: the fuzzer is after the reader, not after many triangles.
        setenv("FACES3_VRML_CONE_DALPHA", "60", 1);
        setenv("FACES3_VRML_CYLINDER_DALPHA", "60", 1);
        setenv("FACES3_VRML_SPHERE_DALPHA", "60", 1);
        // The neighbour search has its own tests; stacked copies of one triangle would make
        // it quadratic and hide the reader's paths behind time-outs.
        faces3_set_nosearch(1);
    }
    ~Setup() {
        std::remove(file.c_str());
        std::remove((dir + "/vrml_import.wrl").c_str());
        rmdir(dir.c_str());
    }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static Setup setup;
    std::FILE* f = std::fopen(setup.file.c_str(), "wb");
    if (!f) return 0;
    // Inputs that begin with '#' bring their own first line (to reach the header check).
    if (size == 0 || data[0] != '#') std::fputs("#VRML V1.0 ascii\n", f);
    std::fwrite(data, 1, size, f);
    std::fclose(f);
    faces3_free_koerper(faces3_rcv_from_vrml(setup.file.c_str()));
    return 0;
}
