// Light and material values of the 3D window, read from KVGL_* settings, and the light editor
// that changes them from the keyboard and shows its state in the window title.
#pragma once

#include <array>
#include <functional>
#include <string>

namespace gl3d {

struct LightSettings {
    std::array<float, 4> ambient = {0.35f, 0.35f, 0.35f, 1.0f};
    std::array<float, 4> diffuse = {0.7f, 0.7f, 0.7f, 1.0f};
    std::array<float, 4> specular = {0.25f, 0.25f, 0.25f, 1.0f};
    float shininess = 30;
    std::array<float, 3> body = {0.7f, 0.7f, 0.7f};
};

// A setting's text by variable name ("" when not set).
using SettingLookup = std::function<std::string(const std::string& name)>;
// The environment first; where it is missing or empty, the profile's saved value.
SettingLookup environment_then_profile();

// Defaults, then every one of the 13 variables that lookup gives a number for.
LightSettings read_light_settings(const SettingLookup& lookup);

// The 13 variable names and their values formatted with "%lf", in table order.
std::array<std::pair<std::string, std::string>, 13> light_setting_values(const LightSettings& s);

enum LightGroup {
    kGroupNone = 0,
    kGroupAmbient,
    kGroupDiffuse,
    kGroupSpecular,
    kGroupShininess,
    kGroupBody
};
enum LightComponent { kComponentAll = 0, kComponentRed, kComponentGreen, kComponentBlue };

struct LightEditor {
    int group = kGroupNone;
    int component = kComponentAll;
};

enum class EditorResult { NotMine, Handled, Changed, Save };
// One key of the editor: "a d s h k" switch groups ("s" only while no playback runs), "R G B *"
// select components and "S" saves (only while a group is on), "+" and "-" change the values.
// Changed means the lighting is to be applied again and the window redrawn.
EditorResult light_editor_key(LightEditor* editor, LightSettings* settings, char key, bool playing);

// The title line while a group is on, "" otherwise.
std::string editor_line(const LightEditor& editor, const LightSettings& settings);

}  // namespace gl3d
