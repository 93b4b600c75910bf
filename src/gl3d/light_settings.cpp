// KVGL_* light settings, the keyboard light editor and its title line.
#include "gl3d/light_settings.h"

#include <cmath>
#include <cstdlib>

#include "film_model/contour_text_line.h"
#include "mw31/backend.h"
#include "mw31/format.h"

namespace gl3d {

namespace {

const char* const kNames[13] = {
    "KVGL_AMBIENT_R", "KVGL_AMBIENT_G",  "KVGL_AMBIENT_B",  "KVGL_DIFFUSE_R",  "KVGL_DIFFUSE_G",
    "KVGL_DIFFUSE_B", "KVGL_SPECULAR_R", "KVGL_SPECULAR_G", "KVGL_SPECULAR_B", "KVGL_SHININESS",
    "KVGL_KOERPER_R", "KVGL_KOERPER_G",  "KVGL_KOERPER_B"};

std::array<float*, 13> fields(LightSettings* s) {
    return {&s->ambient[0], &s->ambient[1],  &s->ambient[2],  &s->diffuse[0],  &s->diffuse[1],
            &s->diffuse[2], &s->specular[0], &s->specular[1], &s->specular[2], &s->shininess,
            &s->body[0],    &s->body[1],     &s->body[2]};
}

float* group_component(LightSettings* s, int group, int c) {
    switch (group) {
        case kGroupAmbient:
            return &s->ambient[size_t(c)];
        case kGroupDiffuse:
            return &s->diffuse[size_t(c)];
        case kGroupSpecular:
            return &s->specular[size_t(c)];
        case kGroupBody:
            return &s->body[size_t(c)];
        default:
            return nullptr;
    }
}

int k1000(float v) {
    return int(std::trunc(double(v) * 1000));
}

}  // namespace

SettingLookup environment_then_profile() {
    return [](const std::string& name) -> std::string {
        if (const char* v = std::getenv(name.c_str()); v && *v) return v;
        if (mw31::Backend* b = mw31::backend()) return b->profile_get("KURVLAB", name, "");
        return "";
    };
}

LightSettings read_light_settings(const SettingLookup& lookup) {
    LightSettings s;
    const auto f = fields(&s);
    for (int i = 0; i < 13; ++i) {
        const std::string text = lookup ? lookup(kNames[i]) : std::string();
        if (!text.empty()) *f[size_t(i)] = float(film::parse_real(text));
    }
    return s;
}

std::array<std::pair<std::string, std::string>, 13> light_setting_values(const LightSettings& s) {
    LightSettings copy = s;
    const auto f = fields(&copy);
    std::array<std::pair<std::string, std::string>, 13> out;
    for (int i = 0; i < 13; ++i)
        out[size_t(i)] = {kNames[i], mw31::format_text("%lf", double(*f[size_t(i)]))};
    return out;
}

EditorResult light_editor_key(LightEditor* e, LightSettings* s, char key, bool playing) {
    auto toggle = [&](int group) {
        e->group = e->group == group ? kGroupNone : group;
        return EditorResult::Handled;
    };
    switch (key) {
        case 'a':
            return toggle(kGroupAmbient);
        case 'd':
            return toggle(kGroupDiffuse);
        case 's':
            if (playing) return EditorResult::NotMine;  // single-step mode then
            return toggle(kGroupSpecular);
        case 'h':
            return toggle(kGroupShininess);
        case 'k':
            return toggle(kGroupBody);
        case 'R':
        case 'G':
        case 'B':
        case '*':
            if (e->group == kGroupNone) return EditorResult::Handled;
            e->component = key == 'R'   ? kComponentRed
                           : key == 'G' ? kComponentGreen
                           : key == 'B' ? kComponentBlue
                                        : kComponentAll;
            return EditorResult::Handled;
        case 'S':
            return e->group == kGroupNone ? EditorResult::Handled : EditorResult::Save;
        case '+':
        case '-': {
            if (e->group == kGroupNone) return EditorResult::Handled;
            const double power = key == '+' ? 1 / 1.1 : 1.1;
            for (int c = 0; c < 3; ++c) {
                if (e->component != kComponentAll && e->component != c + 1) continue;
                if (float* v = group_component(s, e->group, c))
                    *v = float(std::pow(double(*v), power));
            }
            if (e->group == kGroupShininess &&
                (e->component == kComponentAll || e->component == kComponentRed))
                s->shininess = float(key == '+' ? s->shininess * 1.1 : s->shininess / 1.1);
            return EditorResult::Changed;
        }
        default:
            return EditorResult::NotMine;
    }
}

std::string editor_line(const LightEditor& e, const LightSettings& s) {
    if (e.group == kGroupNone) return "";
    const char groups[] = " adshk";
    const char components[] = "*RGB";
    const char g = e.group >= 0 && e.group <= 5 ? groups[e.group] : ' ';
    const char c = e.component >= 0 && e.component <= 3 ? components[e.component] : ' ';
    return mw31::format_text(
        "(%c,%c) a%d,%d,%d  d%d,%d,%d  s%d,%d,%d  h%d  k%d,%d,%d   (+-) (*RGB) (S=save)", g, c,
        k1000(s.ambient[0]), k1000(s.ambient[1]), k1000(s.ambient[2]), k1000(s.diffuse[0]),
        k1000(s.diffuse[1]), k1000(s.diffuse[2]), k1000(s.specular[0]), k1000(s.specular[1]),
        k1000(s.specular[2]), int(std::trunc(double(s.shininess))), k1000(s.body[0]),
        k1000(s.body[1]), k1000(s.body[2]));
}

}  // namespace gl3d
