// Fuzz target: any bytes as an ANM3D animation, loaded from memory; the loaded scene's frames
// are then applied to its parts.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

#include "gl3d/scene_loader.h"
#include "mw31/temp_names.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string bytes(reinterpret_cast<const char*>(data), size);
    FILE* f = fmemopen(bytes.data(), bytes.size() ? bytes.size() : 1, "r");
    if (!f) return 0;
    gl3d::Scene scene;
    gl3d::LoadOptions options;
    options.report = [](const std::string&) {};
    static const std::string info = mw31::temp_directory() + "/fuzz_info.txt";
    options.info_name = info;
    if (gl3d::load_scene_stream(f, "fuzz.anm", &scene, options) == 0)
        for (int frame = 0; frame < scene.frame_count() && frame < 4; ++frame)
            gl3d::apply_frame(&scene, frame);
    std::fclose(f);
    return 0;
}
