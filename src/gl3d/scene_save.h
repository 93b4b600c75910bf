// Saving the loaded animation again with the view the user has turned and moved to.
#pragma once

#include <string>

#include "gl3d/scene.h"

namespace gl3d {

// Copies source to target line by line, dropping its "view " and "objectspos " lines and
// writing the given view record and global placement as such lines before the first line that
// begins with "begin ". Target may be the source itself. 0 on success; 1 when a file cannot be
// opened or written (the target is then left as it was).
int save_scene_with_view(const std::string& source, const std::string& target,
                         const ViewRecord& view, const Placement& global);

// The save dialog's answer with "anm" added when the name has no extension.
std::string with_scene_extension(const std::string& name);

}  // namespace gl3d
