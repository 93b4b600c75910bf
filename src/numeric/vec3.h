// 3-vector and 4x4 matrix operations shared by the mesh library and the 3D viewer.
// Matrices are row-major and act on column vectors: M * (x, y, z, 1).
#pragma once

// Vectors shorter than this are treated as zero by normalisation.
inline constexpr double VEC3_NULL_LEN = 1e-12;
// Default angle tolerance (degrees) of the parallel test.
inline constexpr double VEC3_PARALLEL_EPS_DEFAULT = 0.1;

// A point or direction as a value, for the camera and view maths of the 3D viewer.
struct Vec3 {
    double x = 0, y = 0, z = 0;
    static Vec3 of(const double p[3]) { return Vec3{p[0], p[1], p[2]}; }
    void to(double out[3]) const {
        out[0] = x;
        out[1] = y;
        out[2] = z;
    }
    friend bool operator==(const Vec3&, const Vec3&) = default;
};

inline Vec3 operator+(Vec3 a, Vec3 b) {
    return Vec3{a.x + b.x, a.y + b.y, a.z + b.z};
}
inline Vec3 operator-(Vec3 a, Vec3 b) {
    return Vec3{a.x - b.x, a.y - b.y, a.z - b.z};
}
inline Vec3 operator*(Vec3 a, double f) {
    return Vec3{a.x * f, a.y * f, a.z * f};
}
inline Vec3 operator*(double f, Vec3 a) {
    return a * f;
}
inline double dot(Vec3 a, Vec3 b) {
    return a.x * b.x + a.y * b.y + a.z * b.z;
}
inline Vec3 cross(Vec3 a, Vec3 b) {
    return Vec3{a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}
double length(Vec3 a);
// a divided by its length; a itself when it is shorter than VEC3_NULL_LEN.
Vec3 unit(Vec3 a);

// The dot product of two stored 3-vectors, summed in x, y, z order like dot(Vec3, Vec3).
inline double vec3_dot(const double a[3], const double b[3]) {
    return a[0] * b[0] + a[1] * b[1] + a[2] * b[2];
}

// out = a x b (out may alias a or b).
void vec3_cross(const double a[3], const double b[3], double out[3]);

// Divides the n components by their length when the length exceeds 1e-12.
void vec3_normalize(double* v, int n);

// r = a * b; r may be a or b.
void mat4_mul(const double a[16], const double b[16], double r[16]);

// out = first three components of m * (p, 1); out may alias p.
void mat4_transform_point(const double p[3], const double m[16], double out[3]);

void mat4_identity(double m[16]);
void mat4_translation(double tx, double ty, double tz, double m[16]);
void mat4_scale(double sx, double sy, double sz, double m[16]);
// Rotation by angle (radians, right-hand rule) about the axis through the origin.
// A zero axis gives the identity.
void mat4_rotation(double ax, double ay, double az, double angle, double m[16]);

// out = v rotated by angle (radians, right-hand rule) about axis; out may alias v.
void vec3_rotate_about_axis(const double v[3], const double axis[3], double angle, double out[3]);

// out = origin + x*X + y*Y + z*Z; origin may be null (= 0).
void frame_to_global(const double ax[3], const double ay[3], const double az[3],
                     const double* origin, double x, double y, double z, double out[3]);

// Coordinates of p in the frame. Returns 0, or 1 (out set to 0) when the axes are
// linearly dependent.
int frame_to_local(const double ax[3], const double ay[3], const double az[3], const double* origin,
                   const double p[3], double out[3]);

// 1 when a and b are parallel or antiparallel within tol_deg degrees, else 0. A
// tolerance outside (1e-12, 90) takes VEC3_PARALLEL_EPS from the environment.
int vec3_parallel(const double a[3], const double b[3], double tol_deg);

// The tolerance of VEC3_PARALLEL_EPS, read once at first use.
double vec3_parallel_eps();
// How a VEC3_PARALLEL_EPS text becomes a tolerance (null = unset).
double vec3_parallel_eps_from_text(const char* text);
