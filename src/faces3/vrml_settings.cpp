// Environment settings of the VRML importer.
#include "faces3/vrml_settings.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <string_view>

#include "faces3/vrml_tokens.h"

namespace faces3_vrml {

namespace {

const char* env(const char* name) {
    return std::getenv(name);
}

double dalpha(const char* name) {
    const char* t = env(name);
    if (!t) return kVrmlDefaultDalpha;
    const double v = std::fabs(vrml_env_double(t));
    return v < 0.1 ? kVrmlDefaultDalpha : v;
}

}  // namespace

int vrml_env_int(const char* text) {
    if (!text) return 0;
    std::string_view t(text);
    while (!t.empty() && (t[0] == ' ' || t[0] == '\t')) t.remove_prefix(1);
    // Decimal only, as atoi reads it: signs then digits.
    std::size_t n = 0;
    if (n < t.size() && (t[n] == '-' || t[n] == '+')) ++n;
    while (n < t.size() && t[n] >= '0' && t[n] <= '9') ++n;
    t = t.substr(0, n);
    if (!t.empty() && t[0] == '+') t.remove_prefix(1);
    if (t.empty() || t == "-") return 0;
    // Leading zeros must not turn into octal here.
    const bool neg = t[0] == '-';
    if (neg) t.remove_prefix(1);
    long long v = 0;
    for (const char c : t) v = std::min<long long>(v * 10 + (c - '0'), 1LL << 31);
    if (neg) v = -v;
    return static_cast<int>(std::clamp<long long>(v, -2147483647LL - 1, 2147483647LL));
}

double vrml_env_double(const char* text) {
    if (!text) return 0.0;
    std::string_view t(text);
    while (!t.empty() && (t[0] == ' ' || t[0] == '\t')) t.remove_prefix(1);
    double v = 0.0;
    vrml_parse_double(t, v);
    return v;
}

int vrml_lod_child(int setting, int n) {
    int i = 0;
    if (setting == 0)
        i = 0;
    else if (setting == 1)
        i = n / 2;
    else if (setting == 2)
        i = n - 2;
    else
        i = n - 1;
    return i < 0 ? 0 : i;
}

VrmlSettings vrml_read_settings() {
    VrmlSettings s;
    if (const char* t = env("FACES3_VRML_MAXCOORDINATE3")) {
        const int v = vrml_env_int(t);
        s.max_coordinate3 = v < 1 ? kVrmlDefaultMaxCoordinate3 : v;
    }
    if (const char* t = env("FACES3_VRML_INDEXLIST_NMAX")) {
        const int v = vrml_env_int(t);
        s.indexlist_max = v < 1 ? kVrmlDefaultIndexListMax : v;
    }
    s.cone_dalpha = dalpha("FACES3_VRML_CONE_DALPHA");
    s.cylinder_dalpha = dalpha("FACES3_VRML_CYLINDER_DALPHA");
    s.sphere_dalpha = dalpha("FACES3_VRML_SPHERE_DALPHA");
    if (const char* t = env("FACES3_VRML_LOD")) s.lod = vrml_env_int(t);
    if (const char* t = env("FACES3_VRML_STRING_WRL")) s.string_wrl = vrml_env_int(t) != 0;
    if (const char* t = env("FACES3_RCV_VRML_FEHLERMELDUNG"))
        s.report_edge_faults = vrml_env_int(t) != 0;
    if (const char* t = env("FACES3_VRML_MODELFAC"); t && *t) {
        s.has_modelfac = true;
        s.modelfac = vrml_env_double(t);
    }
    return s;
}

}  // namespace faces3_vrml
