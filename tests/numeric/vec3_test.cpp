// Tests of the vector geometry: rotations, matrix products, frames and the parallel test.
#include "numeric/vec3.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>

namespace {

void rodrigues(const double v[3], const double axis[3], double angle, double out[3]) {
    double k[3] = {axis[0], axis[1], axis[2]};
    vec3_normalize(k, 3);
    double kxv[3];
    vec3_cross(k, v, kxv);
    const double kv = k[0] * v[0] + k[1] * v[1] + k[2] * v[2];
    const double c = std::cos(angle), s = std::sin(angle);
    for (int i = 0; i < 3; ++i) out[i] = v[i] * c + kxv[i] * s + k[i] * kv * (1 - c);
}

TEST(Vec3, CrossAndNormalize) {
    const double a[3] = {1, 0, 0}, b[3] = {0, 1, 0};
    double c[3];
    vec3_cross(a, b, c);
    EXPECT_DOUBLE_EQ(c[2], 1);
    double v[3] = {3, 4, 0};
    vec3_cross(v, v, v);  // aliasing: a vector crossed with itself is zero
    EXPECT_EQ(v[0], 0);
    double w[4] = {1, 1, 1, 1};
    vec3_normalize(w, 4);
    EXPECT_DOUBLE_EQ(w[3], 0.5);
    double z[3] = {0, 0, 0};
    vec3_normalize(z, 3);
    EXPECT_EQ(z[0], 0);
    double tiny[3] = {1e-13, 0, 0};
    vec3_normalize(tiny, 3);
    EXPECT_EQ(tiny[0], 1e-13);
}

TEST(Mat4, ProductIntoFirstArgument) {
    double a[16], b[16], expect[16];
    for (int i = 0; i < 16; ++i) {
        a[i] = i + 1;
        b[i] = (i * 7) % 5 - 2;
    }
    for (int i = 0; i < 4; ++i) {
        for (int j = 0; j < 4; ++j) {
            expect[i * 4 + j] = 0;
            for (int k = 0; k < 4; ++k) expect[i * 4 + j] += a[i * 4 + k] * b[k * 4 + j];
        }
    }
    mat4_mul(a, b, a);
    for (int i = 0; i < 16; ++i) EXPECT_EQ(a[i], expect[i]) << i;
}

TEST(Mat4, TranslationScaleAndPointTransform) {
    double t[16], s[16], m[16];
    mat4_translation(1, 2, 3, t);
    mat4_scale(2, 3, 4, s);
    mat4_mul(t, s, m);  // scale first, then translate
    double p[3] = {1, 1, 1};
    mat4_transform_point(p, m, p);
    EXPECT_DOUBLE_EQ(p[0], 3);
    EXPECT_DOUBLE_EQ(p[1], 5);
    EXPECT_DOUBLE_EQ(p[2], 7);
}

TEST(Mat4, RotationAboutXByMinusQuarterTurn) {
    double m[16];
    mat4_rotation(1, 0, 0, -M_PI / 2, m);
    double p[3] = {0, 0, 1};
    mat4_transform_point(p, m, p);
    EXPECT_NEAR(p[0], 0, 1e-15);
    EXPECT_NEAR(p[1], 1, 1e-15);
    EXPECT_NEAR(p[2], 0, 1e-15);
    EXPECT_EQ(m[12], 0);
    EXPECT_EQ(m[15], 1);
}

TEST(Mat4, RotationMatchesRodriguesForAnyAxis) {
    std::mt19937 rng(7);
    std::uniform_real_distribution<double> u(-1, 1);
    const double special[][3] = {{0, 0, 1}, {0, 0, -2}, {1, 0, 0}, {0, -1, 0}, {1e-9, 0, 1}};
    for (int n = 0; n < 200; ++n) {
        double axis[3] = {u(rng), u(rng), u(rng)};
        if (n < 5) std::copy(special[n], special[n] + 3, axis);
        const double angle = u(rng) * 7;
        const double v[3] = {u(rng), u(rng), u(rng)};
        double got[3], want[3], m[16], viam[3];
        vec3_rotate_about_axis(v, axis, angle, got);
        rodrigues(v, axis, angle, want);
        mat4_rotation(axis[0], axis[1], axis[2], angle, m);
        mat4_transform_point(v, m, viam);
        for (int i = 0; i < 3; ++i) {
            EXPECT_NEAR(got[i], want[i], 1e-12) << n;
            EXPECT_NEAR(viam[i], want[i], 1e-12) << n;
        }
    }
    double m[16];
    mat4_rotation(0, 0, 0, 1.0, m);  // no axis: identity rather than NaN
    for (int i = 0; i < 16; ++i) EXPECT_EQ(m[i], i % 5 == 0 ? 1.0 : 0.0);
}

TEST(Frame, GlobalAndLocalAreInverse) {
    const double x[3] = {0, 1, 0}, y[3] = {-2, 0, 0}, z[3] = {0, 0, 0.5}, o[3] = {1, 2, 3};
    double g[3], l[3];
    frame_to_global(x, y, z, o, 1, 2, 3, g);
    EXPECT_DOUBLE_EQ(g[0], 1 - 4);
    EXPECT_DOUBLE_EQ(g[1], 2 + 1);
    EXPECT_DOUBLE_EQ(g[2], 3 + 1.5);
    ASSERT_EQ(frame_to_local(x, y, z, o, g, l), 0);
    EXPECT_NEAR(l[0], 1, 1e-15);
    EXPECT_NEAR(l[1], 2, 1e-15);
    EXPECT_NEAR(l[2], 3, 1e-15);
    frame_to_global(x, y, z, nullptr, 1, 0, 0, g);
    EXPECT_EQ(g[1], 1);
    const double flat[3] = {0, 2, 0};  // y axis parallel to x axis
    EXPECT_EQ(frame_to_local(x, flat, z, o, g, l), 1);
}

TEST(Vec3, ParallelTest) {
    const double x[3] = {1, 0, 0}, mx[3] = {-1, 0, 0}, tilt[3] = {1, 0.01, 0};
    const double zero[3] = {0, 0, 0}, y[3] = {0, 1, 0};
    EXPECT_EQ(vec3_parallel(x, mx, 0), 1);
    EXPECT_EQ(vec3_parallel(x, tilt, 0), 0);  // 0.57 degrees > default 0.1
    EXPECT_EQ(vec3_parallel(x, tilt, 1.0), 1);
    EXPECT_EQ(vec3_parallel(x, zero, 0.1), 1);
    EXPECT_EQ(vec3_parallel(x, y, 89.0), 0);
    EXPECT_EQ(vec3_parallel(x, y, 95.0), 0);  // out of range: default tolerance
}

TEST(Vec3, ParallelToleranceFromEnvironmentText) {
    EXPECT_DOUBLE_EQ(vec3_parallel_eps_from_text(nullptr), 0.1);
    EXPECT_DOUBLE_EQ(vec3_parallel_eps_from_text(""), 0.1);
    EXPECT_DOUBLE_EQ(vec3_parallel_eps_from_text("-2.5"), 2.5);
    EXPECT_DOUBLE_EQ(vec3_parallel_eps_from_text("1e-13"), 0.1);
    EXPECT_DOUBLE_EQ(vec3_parallel_eps_from_text("nan"), 0.1);
    EXPECT_DOUBLE_EQ(vec3_parallel_eps_from_text("junk"), 0.1);
}

}  // namespace

// The value type agrees with the array functions the mesh library uses.
TEST(Vec3Value, AgreesWithTheArrayFunctions) {
    const double a[3] = {0.3, -1.7, 2.9}, b[3] = {-4.1, 0.2, 1.3};
    double c[3];
    vec3_cross(a, b, c);
    EXPECT_EQ(cross(Vec3::of(a), Vec3::of(b)), Vec3::of(c));
    EXPECT_EQ(dot(Vec3::of(a), Vec3::of(b)), vec3_dot(a, b));
    EXPECT_NEAR(dot(Vec3::of(c), Vec3::of(a)), 0, 1e-12);
    const Vec3 u = unit(Vec3{3, 0, 4});
    EXPECT_EQ(u, (Vec3{0.6, 0, 0.8}));
    EXPECT_DOUBLE_EQ(length(u), 1);
    EXPECT_EQ(unit(Vec3{1e-13, 0, 0}), (Vec3{1e-13, 0, 0}));  // too short to turn into a unit
    EXPECT_EQ((Vec3{1, 2, 3} - 2 * Vec3{0.5, 1, 1.5}), Vec3{});
    double out[3];
    (Vec3{1, 2, 3} + Vec3{1, 1, 1}).to(out);
    EXPECT_EQ(Vec3::of(out), (Vec3{2, 3, 4}));
}
