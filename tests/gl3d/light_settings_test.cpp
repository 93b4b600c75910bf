// KVGL_* settings and the light editor's keys and title line.
#include "gl3d/light_settings.h"

#include <gtest/gtest.h>

#include <cmath>
#include <map>

namespace {

using gl3d::EditorResult;

gl3d::SettingLookup from(std::map<std::string, std::string> values) {
    return [values](const std::string& name) {
        const auto it = values.find(name);
        return it == values.end() ? std::string() : it->second;
    };
}

TEST(LightSettings, DefaultsAndVariablesThatAreSet) {
    const gl3d::LightSettings d = gl3d::read_light_settings(from({}));
    EXPECT_FLOAT_EQ(d.ambient[0], 0.35f);
    EXPECT_FLOAT_EQ(d.diffuse[3], 1.0f);
    EXPECT_FLOAT_EQ(d.shininess, 30);
    const gl3d::LightSettings s = gl3d::read_light_settings(
        from({{"KVGL_AMBIENT_G", "0.5"}, {"KVGL_SHININESS", "12"}, {"KVGL_KOERPER_B", ""}}));
    EXPECT_FLOAT_EQ(s.ambient[1], 0.5f);
    EXPECT_FLOAT_EQ(s.ambient[0], 0.35f);
    EXPECT_FLOAT_EQ(s.shininess, 12);
    EXPECT_FLOAT_EQ(s.body[2], 0.7f);

    const auto values = gl3d::light_setting_values(s);
    EXPECT_EQ(values[1].first, "KVGL_AMBIENT_G");
    EXPECT_EQ(values[1].second, "0.500000");
    EXPECT_EQ(values[9].second, "12.000000");
    // What is saved reads back as the same settings.
    std::map<std::string, std::string> saved(values.begin(), values.end());
    const gl3d::LightSettings back = gl3d::read_light_settings(from(saved));
    EXPECT_EQ(back.ambient, s.ambient);
    EXPECT_EQ(back.shininess, s.shininess);
}

TEST(LightEditor, TitleLineShowsTruncatedThousandths) {
    gl3d::LightSettings s;
    gl3d::LightEditor e;
    EXPECT_EQ(gl3d::editor_line(e, s), "");
    EXPECT_EQ(gl3d::light_editor_key(&e, &s, 'a', true), EditorResult::Handled);
    EXPECT_EQ(gl3d::editor_line(e, s),
              "(a,*) a349,349,349  d699,699,699  s250,250,250  h30  k699,699,699   (+-) (*RGB) "
              "(S=save)");
    gl3d::light_editor_key(&e, &s, 'a', true);  // again: off
    EXPECT_EQ(gl3d::editor_line(e, s), "");
}

TEST(LightEditor, KeysChangeOnlyTheSelectedComponentsOfTheActiveGroup) {
    gl3d::LightSettings s;
    gl3d::LightEditor e;
    // "s" during playback belongs to single-step mode.
    EXPECT_EQ(gl3d::light_editor_key(&e, &s, 's', true), EditorResult::NotMine);
    EXPECT_EQ(gl3d::light_editor_key(&e, &s, 's', false), EditorResult::Handled);
    EXPECT_EQ(e.group, gl3d::kGroupSpecular);
    gl3d::light_editor_key(&e, &s, 'G', false);
    EXPECT_EQ(gl3d::light_editor_key(&e, &s, '+', false), EditorResult::Changed);
    EXPECT_FLOAT_EQ(s.specular[0], 0.25f);
    EXPECT_FLOAT_EQ(s.specular[1], float(std::pow(0.25, 1 / 1.1)));
    EXPECT_FLOAT_EQ(s.specular[2], 0.25f);

    // Shininess follows "all" and "red" only.
    gl3d::light_editor_key(&e, &s, 'h', false);
    gl3d::light_editor_key(&e, &s, '+', false);
    EXPECT_FLOAT_EQ(s.shininess, 30);
    gl3d::light_editor_key(&e, &s, 'R', false);
    gl3d::light_editor_key(&e, &s, '-', false);
    EXPECT_FLOAT_EQ(s.shininess, float(30 / 1.1));
    gl3d::light_editor_key(&e, &s, '*', false);
    gl3d::light_editor_key(&e, &s, 'k', false);
    gl3d::light_editor_key(&e, &s, '-', false);
    EXPECT_FLOAT_EQ(s.body[0], float(std::pow(double(0.7f), 1.1)));
    EXPECT_FLOAT_EQ(s.body[2], s.body[0]);
    EXPECT_EQ(gl3d::light_editor_key(&e, &s, 'S', false), EditorResult::Save);

    // Without a group the component keys and "S" do nothing.
    gl3d::LightEditor off;
    EXPECT_EQ(gl3d::light_editor_key(&off, &s, 'B', false), EditorResult::Handled);
    EXPECT_EQ(off.component, gl3d::kComponentAll);
    EXPECT_EQ(gl3d::light_editor_key(&off, &s, 'S', false), EditorResult::Handled);
    EXPECT_EQ(gl3d::light_editor_key(&off, &s, 'x', false), EditorResult::NotMine);
}

}  // namespace
