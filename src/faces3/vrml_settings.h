// Settings of the VRML importer, read from the environment at the start of every import.
#pragma once

#include <cstddef>

namespace faces3_vrml {

inline constexpr int kVrmlDefaultMaxCoordinate3 = 1000000;
inline constexpr int kVrmlDefaultIndexListMax = 1000000;
inline constexpr double kVrmlDefaultDalpha = 10.0;

struct VrmlSettings {
    int max_coordinate3 = kVrmlDefaultMaxCoordinate3;  // FACES3_VRML_MAXCOORDINATE3
    int indexlist_max = kVrmlDefaultIndexListMax;      // FACES3_VRML_INDEXLIST_NMAX
    double cone_dalpha = kVrmlDefaultDalpha;           // FACES3_VRML_CONE_DALPHA
    double cylinder_dalpha = kVrmlDefaultDalpha;       // FACES3_VRML_CYLINDER_DALPHA
    double sphere_dalpha = kVrmlDefaultDalpha;         // FACES3_VRML_SPHERE_DALPHA
    int lod = 0;                                       // FACES3_VRML_LOD
    bool string_wrl = false;                           // FACES3_VRML_STRING_WRL
    bool report_edge_faults = false;                   // FACES3_RCV_VRML_FEHLERMELDUNG
    bool has_modelfac = false;                         // FACES3_VRML_MODELFAC set, not empty
    double modelfac = 1.0;
};

VrmlSettings vrml_read_settings();

// Which LOD child is read for n range values and the LOD setting.
int vrml_lod_child(int setting, int n);

// atoi and atof of environment texts, independent of the locale.
int vrml_env_int(const char* text);
double vrml_env_double(const char* text);

}  // namespace faces3_vrml
