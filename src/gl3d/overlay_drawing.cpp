// GL drawing of the overlay: arrows, cubes, spheres and lines in the scene, text rows on top.
#include "gl3d/overlay_drawing.h"

#include <GL/gl.h>
#include <GL/glu.h>

#include <algorithm>
#include <cmath>

namespace gl3d {

namespace {

using V = std::array<double, 3>;

// Turns the z axis onto the direction d.
void rotate_z_to(const V& d) {
    const double l = std::sqrt(d[0] * d[0] + d[1] * d[1] + d[2] * d[2]);
    if (!(l > 1e-300)) return;
    const double z = std::clamp(d[2] / l, -1.0, 1.0);
    if (std::fabs(d[0]) < 1e-12 * l && std::fabs(d[1]) < 1e-12 * l) {
        if (z < 0) glRotated(180, 1, 0, 0);
        return;
    }
    glRotated(std::acos(z) * 180 / M_PI, -d[1], d[0], 0);
}

// An arrow from `from` to `to`: a shaft and a cone twice as thick, a fifth of the length.
void arrow(GLUquadric* q, const V& from, const V& to, double radius) {
    const V d = {to[0] - from[0], to[1] - from[1], to[2] - from[2]};
    const double l = std::sqrt(d[0] * d[0] + d[1] * d[1] + d[2] * d[2]);
    if (!(l > 0) || !std::isfinite(l)) return;
    const double head = std::min(l * 0.3, radius * 6);
    glPushMatrix();
    glTranslated(from[0], from[1], from[2]);
    rotate_z_to(d);
    gluCylinder(q, radius, radius, l - head, 12, 1);
    glTranslated(0, 0, l - head);
    gluDisk(q, 0, radius * 2, 12, 1);
    gluCylinder(q, radius * 2, 0, head, 12, 1);
    glPopMatrix();
}

void sphere(GLUquadric* q, const V& at, double radius) {
    glPushMatrix();
    glTranslated(at[0], at[1], at[2]);
    gluSphere(q, radius, 12, 8);
    glPopMatrix();
}

void cube(const V& c, double edge) {
    const double h = edge / 2;
    static const int faces[6][4] = {{0, 2, 6, 4}, {1, 5, 7, 3}, {0, 4, 5, 1},
                                    {2, 3, 7, 6}, {0, 1, 3, 2}, {4, 6, 7, 5}};
    static const double normals[6][3] = {{-1, 0, 0}, {1, 0, 0},  {0, -1, 0},
                                         {0, 1, 0},  {0, 0, -1}, {0, 0, 1}};
    glBegin(GL_QUADS);
    for (int f = 0; f < 6; ++f) {
        glNormal3dv(normals[f]);
        for (int k = 0; k < 4; ++k) {
            const int v = faces[f][k];
            // Corner v: bit 0 x, bit 1 y, bit 2 z.
            glVertex3d(c[0] + (v & 1 ? h : -h), c[1] + (v & 2 ? h : -h), c[2] + (v & 4 ? h : -h));
        }
    }
    glEnd();
}

bool finite(const V& v) {
    return std::isfinite(v[0]) && std::isfinite(v[1]) && std::isfinite(v[2]);
}

std::string cache_key(const std::vector<mw31::TextRun>& runs) {
    std::string key;
    for (const mw31::TextRun& r : runs) {
        const char head[8] = {
            char(r.colour.r),     char(r.colour.g),     char(r.colour.b),     char(r.opaque),
            char(r.background.r), char(r.background.g), char(r.background.b), '\0'};
        key.append(head, 8);
        key += r.text;
        key += '\0';
    }
    return key;
}

}  // namespace

const std::vector<uint8_t>* TextLineCache::line(const std::vector<mw31::TextRun>& runs) {
    const std::string key = cache_key(runs);
    if (auto it = lines_.find(key); it != lines_.end())
        return it->second.empty() ? nullptr : &it->second;
    // Texts that change every frame would grow the cache without end: it starts over instead.
    if (lines_.size() >= kLimit) lines_.clear();
    std::vector<uint8_t> rows =
        mw31::render_text_line(runs, kOverlayBitmapWidth, kOverlayLineHeight, 16);
    ++renders_;
    // GL reads pixel rows from the bottom up.
    const size_t stride = size_t(kOverlayBitmapWidth) * 3;
    if (rows.size() == stride * kOverlayLineHeight)
        for (size_t y = 0; y < size_t(kOverlayLineHeight) / 2; ++y)
            std::swap_ranges(rows.begin() + long(y * stride), rows.begin() + long((y + 1) * stride),
                             rows.begin() + long((kOverlayLineHeight - 1 - y) * stride));
    else
        rows.clear();
    auto& stored = lines_[key] = std::move(rows);
    return stored.empty() ? nullptr : &stored;
}

void draw_scene_glyphs(const Scene& scene, const Camera& camera, const Overlay& overlay,
                       const MarkerTable& markers, double s, double r) {
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    const auto target = camera.target();
    gluLookAt(camera.eye[0], camera.eye[1], camera.eye[2], target[0], target[1], target[2],
              camera.up[0], camera.up[1], camera.up[2]);
    const Matrix4 global = placement_matrix(scene.global);
    glMultMatrixd(global.data());
    GLUquadric* q = gluNewQuadric();
    if (!q) return;
    gluQuadricNormals(q, GLU_SMOOTH);
    glEnable(GL_LIGHTING);
    glEnable(GL_COLOR_MATERIAL);
    glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);

    // World axes from the origin.
    const V o = {0, 0, 0};
    glColor3d(1, 0.3, 0.3);
    arrow(q, o, {kAxisLength * r, 0, 0}, kAxisRadius * r);
    glColor3d(0.3, 1, 0.3);
    arrow(q, o, {0, kAxisLength * r, 0}, kAxisRadius * r);
    glColor3d(0.3, 0.3, 1);
    arrow(q, o, {0, 0, kAxisLength * r}, kAxisRadius * r);

    for (size_t i = 0; i < markers.markers.size(); ++i) {
        const Marker& m = markers.markers[i];
        const V c = marker_colour(int(i) + 1);
        glColor3d(c[0], c[1], c[2]);
        sphere(q, m.point, kMarkerSphere * r);
        const double l = kMarkerArrowLength * r;
        arrow(q, m.point,
              {m.point[0] + l * m.normal[0], m.point[1] + l * m.normal[1],
               m.point[2] + l * m.normal[2]},
              kMarkerArrowRadius * r);
    }
    V centre;
    if (markers.markers.size() >= 2 && marker_centre(markers, kMaxMarkers, &centre)) {
        glColor3d(1.0, 0.7, 0.3);
        sphere(q, centre, kCentreSphere * r);
    }

    // Collision markers: six red arrows pointing at the point from either side of each axis.
    glColor3d(1, 0, 0);
    for (const CollisionMarker& k : overlay.markers) {
        if (!finite(k.at)) continue;
        for (int axis = 0; axis < 3; ++axis)
            for (int side = -1; side <= 1; side += 2) {
                V from = k.at, to = k.at;
                from[size_t(axis)] += side * kCollisionStart * s;
                to[size_t(axis)] += side * (kCollisionStart - kCollisionLength) * s;
                arrow(q, from, to, kCollisionThickness * s / 2);
            }
        cube(k.at, kCollisionCube * s);
    }
    gluDeleteQuadric(q);

    glDisable(GL_LIGHTING);
    glBegin(GL_LINES);
    for (const OverlayLine& l : overlay.lines) {
        if (!finite(l.from) || !finite(l.to)) continue;
        glColor3d(l.colour[0], l.colour[1], l.colour[2]);
        glVertex3d(l.from[0], l.from[1], l.from[2]);
        glVertex3d(l.to[0], l.to[1], l.to[2]);
    }
    glEnd();
    glEnable(GL_LIGHTING);
    glPolygonMode(GL_FRONT, GL_FILL);
    glPolygonMode(GL_BACK, GL_LINE);
}

void draw_text_lines(const std::vector<std::vector<mw31::TextRun>>& lines, int width, int height,
                     TextLineCache* cache) {
    if (width < kOverlayMinTextWidth || lines.empty()) return;
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    // Whole pixels: the window's pixel (x, y) is the square from (x, y) to (x + 1, y + 1).
    glOrtho(0, width, 0, height, -1, 1);
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadIdentity();
    glDisable(GL_LIGHTING);
    glDisable(GL_DEPTH_TEST);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glPixelStorei(GL_UNPACK_ROW_LENGTH, kOverlayBitmapWidth);
    glPixelZoom(1, 1);
    const int shown = std::min(width, kOverlayBitmapWidth);
    for (size_t n = 0; n < lines.size(); ++n) {
        const int y = int(n) * kOverlayLineHeight;
        if (y >= height) break;
        const std::vector<uint8_t>* rows = cache->line(lines[n]);
        if (!rows) continue;
        glRasterPos2i(0, y);
        glDrawPixels(shown, kOverlayLineHeight, GL_RGB, GL_UNSIGNED_BYTE, rows->data());
    }
    glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
    glEnable(GL_DEPTH_TEST);
    glEnable(GL_LIGHTING);
    glPopMatrix();
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
}

}  // namespace gl3d
