// The copy keeps every line of the loaded file except the view, which it writes anew, so a
// file saved twice still holds one view line and one placement line.
#include "gl3d/scene_save.h"

#include <fstream>

#include "mw31/atomic_file.h"
#include "mw31/format.h"

namespace gl3d {

namespace {

bool begins_with(const std::string& line, const char* prefix) {
    return line.rfind(prefix, 0) == 0;
}

std::string twelve(const char* keyword, const double* v) {
    return mw31::format_text("%s %lg %lg %lg %lg %lg %lg %lg %lg %lg %lg %lg %lg\n", keyword, v[0],
                             v[1], v[2], v[3], v[4], v[5], v[6], v[7], v[8], v[9], v[10], v[11]);
}

}  // namespace

int save_scene_with_view(const std::string& source, const std::string& target,
                         const ViewRecord& view, const Placement& global) {
    std::ifstream in(source, std::ios::binary);
    if (!in) return 1;
    mw31::AtomicFile out;
    if (!out.begin(target)) return 1;
    bool view_written = false;
    std::string line;
    while (std::getline(in, line)) {
        if (begins_with(line, "view ") || begins_with(line, "objectspos ")) continue;
        if (!view_written && begins_with(line, "begin ")) {
            out.write(twelve("view", view.data()));
            out.write(twelve("objectspos", global.data()));
            view_written = true;
        }
        out.write(line);
        out.write("\n");
    }
    if (in.bad()) return 1;  // the temporary goes, the target stays
    return out.commit() ? 0 : 1;
}

std::string with_scene_extension(const std::string& name) {
    const size_t slash = name.find_last_of('/');
    const size_t dot = name.find_last_of('.');
    if (dot != std::string::npos && (slash == std::string::npos || dot > slash)) return name;
    return name + ".anm";
}

}  // namespace gl3d
