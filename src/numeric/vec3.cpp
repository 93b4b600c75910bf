// 3-vector and 4x4 matrix operations.
#include "numeric/vec3.h"

#include <charconv>
#include <cmath>
#include <cstdlib>
#include <cstring>

namespace {

// Rotation of v about the z axis by angle (right-hand rule).
void rot_z(double v[3], double angle) {
    const double c = std::cos(angle), s = std::sin(angle);
    const double x = v[0] * c - v[1] * s;
    const double y = v[0] * s + v[1] * c;
    v[0] = x;
    v[1] = y;
}

void rot_y(double v[3], double angle) {
    const double c = std::cos(angle), s = std::sin(angle);
    const double x = v[0] * c + v[2] * s;
    const double z = -v[0] * s + v[2] * c;
    v[0] = x;
    v[2] = z;
}

double len3(const double v[3]) {
    return std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]);
}

}  // namespace

void vec3_cross(const double a[3], const double b[3], double out[3]) {
    const double x = a[1] * b[2] - a[2] * b[1];
    const double y = a[2] * b[0] - a[0] * b[2];
    const double z = a[0] * b[1] - a[1] * b[0];
    out[0] = x;
    out[1] = y;
    out[2] = z;
}

void vec3_normalize(double* v, int n) {
    if (!v || n <= 0) return;
    double s = 0;
    for (int i = 0; i < n; ++i) s += v[i] * v[i];
    const double len = std::sqrt(s);
    if (len > VEC3_NULL_LEN) {
        for (int i = 0; i < n; ++i) v[i] /= len;
    }
}

void mat4_mul(const double a[16], const double b[16], double r[16]) {
    double t[16];  // r may alias a or b
    for (int i = 0; i < 4; ++i) {
        for (int j = 0; j < 4; ++j) {
            double s = 0;
            for (int k = 0; k < 4; ++k) s += a[i * 4 + k] * b[k * 4 + j];
            t[i * 4 + j] = s;
        }
    }
    std::memcpy(r, t, sizeof t);
}

void mat4_transform_point(const double p[3], const double m[16], double out[3]) {
    const double x = p[0], y = p[1], z = p[2];
    for (int i = 0; i < 3; ++i)
        out[i] = m[i * 4] * x + m[i * 4 + 1] * y + m[i * 4 + 2] * z + m[i * 4 + 3];
}

void mat4_identity(double m[16]) {
    for (int i = 0; i < 16; ++i) m[i] = (i % 5 == 0) ? 1.0 : 0.0;
}

void mat4_translation(double tx, double ty, double tz, double m[16]) {
    mat4_identity(m);
    m[3] = tx;
    m[7] = ty;
    m[11] = tz;
}

void mat4_scale(double sx, double sy, double sz, double m[16]) {
    mat4_identity(m);
    m[0] = sx;
    m[5] = sy;
    m[10] = sz;
}

void vec3_rotate_about_axis(const double v[3], const double axis[3], double angle, double out[3]) {
    double w[3] = {v[0], v[1], v[2]};
    const double len = len3(axis);
    if (!(len > VEC3_NULL_LEN)) {
        out[0] = w[0];
        out[1] = w[1];
        out[2] = w[2];
        return;
    }
    const double ax = axis[0] / len, ay = axis[1] / len, az = axis[2] / len;
    // Turn the axis onto z, rotate about z, turn back. An axis along z needs no turning.
    const bool along_z = std::fabs(ax) < VEC3_NULL_LEN && std::fabs(ay) < VEC3_NULL_LEN;
    const double azimuth = along_z ? 0.0 : std::atan2(ay, ax);
    // atan2 keeps small tilts that acos(az) would round away.
    const double polar =
        along_z ? (az < 0 ? M_PI : 0.0) : std::atan2(std::sqrt(ax * ax + ay * ay), az);
    rot_z(w, -azimuth);
    rot_y(w, -polar);
    rot_z(w, angle);
    rot_y(w, polar);
    rot_z(w, azimuth);
    out[0] = w[0];
    out[1] = w[1];
    out[2] = w[2];
}

void mat4_rotation(double ax, double ay, double az, double angle, double m[16]) {
    mat4_identity(m);
    const double axis[3] = {ax, ay, az};
    for (int c = 0; c < 3; ++c) {
        double e[3] = {0, 0, 0};
        e[c] = 1;
        vec3_rotate_about_axis(e, axis, angle, e);
        for (int r = 0; r < 3; ++r) m[r * 4 + c] = e[r];
    }
}

void frame_to_global(const double ax[3], const double ay[3], const double az[3],
                     const double* origin, double x, double y, double z, double out[3]) {
    for (int i = 0; i < 3; ++i) {
        out[i] = (origin ? origin[i] : 0.0) + x * ax[i] + y * ay[i] + z * az[i];
    }
}

int frame_to_local(const double ax[3], const double ay[3], const double az[3], const double* origin,
                   const double p[3], double out[3]) {
    const double d[3] = {p[0] - (origin ? origin[0] : 0.0), p[1] - (origin ? origin[1] : 0.0),
                         p[2] - (origin ? origin[2] : 0.0)};
    // Cramer's rule on the columns X, Y, Z.
    double yz[3], zx[3], xy[3];
    vec3_cross(ay, az, yz);
    vec3_cross(az, ax, zx);
    vec3_cross(ax, ay, xy);
    const double det = ax[0] * yz[0] + ax[1] * yz[1] + ax[2] * yz[2];
    if (!(std::fabs(det) > 1e-300) || !std::isfinite(det)) {
        out[0] = out[1] = out[2] = 0;
        return 1;
    }
    out[0] = (d[0] * yz[0] + d[1] * yz[1] + d[2] * yz[2]) / det;
    out[1] = (d[0] * zx[0] + d[1] * zx[1] + d[2] * zx[2]) / det;
    out[2] = (d[0] * xy[0] + d[1] * xy[1] + d[2] * xy[2]) / det;
    return 0;
}

double vec3_parallel_eps_from_text(const char* text) {
    if (!text || !*text) return VEC3_PARALLEL_EPS_DEFAULT;
    // from_chars: the user's locale must not turn "0.5" into 0.
    double v = 0;
    const char* b = text;
    while (*b == ' ' || *b == '\t') ++b;
    if (*b == '+') ++b;
    std::from_chars(b, b + std::strlen(b), v);
    v = std::fabs(v);
    if (!(v >= 1e-12) || !std::isfinite(v)) return VEC3_PARALLEL_EPS_DEFAULT;
    return v;
}

double vec3_parallel_eps() {
    static const double eps = vec3_parallel_eps_from_text(std::getenv("VEC3_PARALLEL_EPS"));
    return eps;
}

int vec3_parallel(const double a[3], const double b[3], double tol_deg) {
    const double tol = (tol_deg > 1e-12 && tol_deg < 90.0) ? tol_deg : vec3_parallel_eps();
    const double s = std::sin(tol * M_PI / 180.0);
    const double la = len3(a), lb = len3(b);
    if (la < 1e-8 || lb < 1e-8) return 1;
    double c[3];
    vec3_cross(a, b, c);
    return len3(c) <= la * lb * s ? 1 : 0;
}

double length(Vec3 a) {
    return std::sqrt(dot(a, a));
}

Vec3 unit(Vec3 a) {
    const double l = length(a);
    return l > VEC3_NULL_LEN ? Vec3{a.x / l, a.y / l, a.z / l} : a;
}
