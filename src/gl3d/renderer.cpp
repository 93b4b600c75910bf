// Fixed-function drawing of the 3D scene: camera, light at the eye, global placement, mesh
// bodies from display lists, cylinders, boxes, polygons and vector graphics, in that order.
#include "gl3d/renderer.h"

#include <GL/gl.h>
#include <GL/glu.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <numeric>
#include <tuple>

#include "film_model/colour_table.h"
#include "film_model/frame_walk.h"

namespace gl3d {

namespace {

// Colour numbers 16 to 255 of the films' table are white: a contour starts in white on the
// dark background.
constexpr int kWhiteColour = 255;

// The traversals of the mesh library call plain functions; GL's own state is the context.
void traversal_line(double x0, double y0, double z0, double x1, double y1, double z1) {
    glVertex3d(x0, y0, z0);
    glVertex3d(x1, y1, z1);
}

void traversal_coloured_triangle(const double p0[3], const double p1[3], const double p2[3],
                                 double r, double g, double b) {
    glColor3d(r, g, b);
    double n[3];
    const double u[3] = {p1[0] - p0[0], p1[1] - p0[1], p1[2] - p0[2]};
    const double v[3] = {p2[0] - p0[0], p2[1] - p0[1], p2[2] - p0[2]};
    n[0] = u[1] * v[2] - u[2] * v[1];
    n[1] = u[2] * v[0] - u[0] * v[2];
    n[2] = u[0] * v[1] - u[1] * v[0];
    glNormal3dv(n);
    glVertex3dv(p0);
    glVertex3dv(p1);
    glVertex3dv(p2);
}

enum BodyList { kListTriangles = 0, kListEdges = 1, kListAxisFaces = 2 };

// The filled triangles of a body as drawn: nine coordinates and three normal components each.
struct DrawnTriangles {
    std::vector<double> points, normals;
};

// 1 when every edge of the triangles is met once in each direction (a closed, consistently
// oriented surface) and every shell of it encloses a positive volume (it faces outwards).
// Points count as one where their coordinates are equal. The box of the points goes to box.
int closed_outwards(const std::vector<double>& p, std::array<double, 6>* box) {
    const size_t nv = p.size() / 3;
    *box = {0, 0, 0, 0, 0, 0};
    if (nv < 3) return 0;
    for (double v : p)
        if (!std::isfinite(v)) return 0;
    for (int a = 0; a < 3; ++a) {
        (*box)[size_t(a)] = (*box)[size_t(a) + 3] = p[size_t(a)];
        for (size_t i = 0; i < nv; ++i) {
            (*box)[size_t(a)] = std::min((*box)[size_t(a)], p[3 * i + size_t(a)]);
            (*box)[size_t(a) + 3] = std::max((*box)[size_t(a) + 3], p[3 * i + size_t(a)]);
        }
    }
    std::vector<uint32_t> order(nv), id(nv);
    std::iota(order.begin(), order.end(), 0u);
    auto at = [&p](uint32_t i) { return std::tie(p[3 * i], p[3 * i + 1], p[3 * i + 2]); };
    std::sort(order.begin(), order.end(), [&](uint32_t a, uint32_t b) { return at(a) < at(b); });
    uint32_t ids = 0;
    for (size_t k = 0; k < nv; ++k) {
        if (k && at(order[k - 1]) != at(order[k])) ++ids;
        id[order[k]] = ids;
    }
    ++ids;
    std::vector<uint64_t> edges, reversed;
    edges.reserve(nv);
    reversed.reserve(nv);
    auto key = [](uint64_t a, uint64_t b) { return a << 32 | b; };
    for (size_t t = 0; t + 2 < nv; t += 3) {
        const uint32_t c[3] = {id[t], id[t + 1], id[t + 2]};
        if (c[0] == c[1] || c[1] == c[2] || c[0] == c[2]) return 0;
        for (int s = 0; s < 3; ++s) {
            edges.push_back(key(c[s], c[(s + 1) % 3]));
            reversed.push_back(key(c[(s + 1) % 3], c[s]));
        }
    }
    std::sort(edges.begin(), edges.end());
    std::sort(reversed.begin(), reversed.end());
    if (std::adjacent_find(edges.begin(), edges.end()) != edges.end() || edges != reversed)
        return 0;
    // Shells are the sets of triangles joined by points; each must enclose a positive volume
    // (an inside-out shell shows its back faces from outside, a flat one both sides at once).
    std::vector<uint32_t> root(ids);
    std::iota(root.begin(), root.end(), 0u);
    auto find = [&root](uint32_t a) {
        while (root[a] != a) a = root[a] = root[root[a]];
        return a;
    };
    for (size_t t = 0; t + 2 < nv; t += 3) {
        root[find(id[t + 1])] = find(id[t]);
        root[find(id[t + 2])] = find(id[t]);
    }
    const double c[3] = {((*box)[0] + (*box)[3]) / 2, ((*box)[1] + (*box)[4]) / 2,
                         ((*box)[2] + (*box)[5]) / 2};
    std::vector<double> volume(ids, 0.0);
    for (size_t t = 0; t + 2 < nv; t += 3) {
        double q[3][3];
        for (int k = 0; k < 3; ++k)
            for (int a = 0; a < 3; ++a) q[k][a] = p[3 * (t + size_t(k)) + size_t(a)] - c[a];
        volume[find(id[t])] += q[0][0] * (q[1][1] * q[2][2] - q[1][2] * q[2][1]) +
                               q[0][1] * (q[1][2] * q[2][0] - q[1][0] * q[2][2]) +
                               q[0][2] * (q[1][0] * q[2][1] - q[1][1] * q[2][0]);
    }
    const double extent =
        std::max({(*box)[3] - (*box)[0], (*box)[4] - (*box)[1], (*box)[5] - (*box)[2]});
    const double least = 1e-6 * extent * extent * extent;
    for (uint32_t v = 0; v < ids; ++v)
        if (find(v) == v && !(volume[v] > least)) return 0;
    return 1;
}

// The filled list draws the collected triangles; the edge and axis lists come straight from
// the traversals.
void compile_triangles(const DrawnTriangles& d) {
    glBegin(GL_TRIANGLES);
    for (size_t t = 0; t < d.normals.size() / 3; ++t) {
        glNormal3dv(&d.normals[3 * t]);
        glVertex3dv(&d.points[9 * t]);
        glVertex3dv(&d.points[9 * t + 3]);
        glVertex3dv(&d.points[9 * t + 6]);
    }
    glEnd();
}

// Lists are made when first needed: most bodies never show their feature edges.
unsigned body_list(MeshBodyPart* b, int which) {
    unsigned& list = b->display_lists[size_t(which)];
    if (list) return list;
    if (which == kListTriangles) {
        DrawnTriangles d;
        Faces3DrawFunctions collect;
        collect.dreieck = [&d](const double* p0, const double* p1, const double* p2,
                               const double* n) {
            d.points.insert(d.points.end(), p0, p0 + 3);
            d.points.insert(d.points.end(), p1, p1 + 3);
            d.points.insert(d.points.end(), p2, p2 + 3);
            d.normals.insert(d.normals.end(), n, n + 3);
        };
        faces3_draw_dreiecke(b->body.get(), collect);
        if (b->closed < 0) b->closed = closed_outwards(d.points, &b->box_mm);
        list = glGenLists(1);
        if (!list) return 0;
        glNewList(list, GL_COMPILE);
        compile_triangles(d);
        glEndList();
        return list;
    }
    list = glGenLists(1);
    if (!list) return 0;
    faces3_set_draw_callbacks(traversal_line, nullptr, traversal_coloured_triangle);
    glNewList(list, GL_COMPILE);
    if (which == kListEdges) {
        glBegin(GL_LINES);
        faces3_draw_kanten(b->body.get());
    } else {
        glBegin(GL_TRIANGLES);
        faces3_draw_achsflaechen(b->body.get(), 3, 0.7, 0.7, 0.7, 1e-4);
    }
    glEnd();
    glEndList();
    faces3_set_draw_callbacks(nullptr, nullptr, nullptr);
    return list;
}

// True when the box (in the coordinates of the current model-view matrix) lies wholly beyond
// the near plane and the matrix keeps the winding: a closed surface then shows front faces
// only. An eye inside the box, or a near plane cutting it, shows the inside.
bool seen_from_outside(const std::array<double, 6>& box, double near_plane) {
    GLdouble m[16];
    glGetDoublev(GL_MODELVIEW_MATRIX, m);
    const double det = m[0] * (m[5] * m[10] - m[9] * m[6]) - m[4] * (m[1] * m[10] - m[9] * m[2]) +
                       m[8] * (m[1] * m[6] - m[5] * m[2]);
    if (!(det > 0)) return false;
    for (int k = 0; k < 8; ++k) {
        const double x = box[k & 1 ? 3 : 0], y = box[k & 2 ? 4 : 1], z = box[k & 4 ? 5 : 2];
        const double depth = -(m[2] * x + m[6] * y + m[10] * z + m[14]);
        if (!(depth > near_plane * 1.001)) return false;
    }
    return true;
}

// Face culling switched only when it changes: each switch revalidates the rasteriser.
struct Culling {
    bool on = false;
    void set(bool want) {
        if (want == on) return;
        if (want) {
            glCullFace(GL_BACK);
            glEnable(GL_CULL_FACE);
        } else {
            glDisable(GL_CULL_FACE);
        }
        on = want;
    }
};

void colour_of(int packed, const LightSettings& lights, double rgb[3]) {
    if (packed == kBodyColour) {
        for (int i = 0; i < 3; ++i) rgb[i] = lights.body[size_t(i)];
        return;
    }
    rgb[0] = ((packed >> 16) & 255) / 255.0;
    rgb[1] = ((packed >> 8) & 255) / 255.0;
    rgb[2] = (packed & 255) / 255.0;
}

void draw_bodies(Scene* scene, const RenderSettings& settings, double near_plane,
                 Culling* culling) {
    // Selection keeps every face: its hits are the same, and picking is not timed.
    const bool may_cull = settings.cull_closed && !settings.selecting && !settings.triangle_edges;
    for (MeshBodyPart& b : scene->bodies) {
        double c[3];
        colour_of(b.colour, settings.lights, c);
        glPushMatrix();
        glMultMatrixd(b.matrix.data());
        glLoadName(GLuint(b.part_id));
        const unsigned list = body_list(&b, kListTriangles);
        culling->set(may_cull && !(b.flags & 1) && b.closed == 1 &&
                     seen_from_outside(b.box_mm, near_plane));
        if (b.flags & 1) {
            glColor3dv(c);
            glPolygonMode(GL_FRONT, GL_LINE);
            glCallList(list);
            glPolygonMode(GL_FRONT, GL_FILL);
        } else {
            if (settings.triangle_edges) {
                const double grey = c[0] + c[1] + c[2] > 2.0 ? 0.1 : 0.9;
                glColor3d(grey, grey, grey);
                glPolygonMode(GL_FRONT_AND_BACK, GL_LINE);
                glCallList(list);
                glPolygonMode(GL_FRONT, GL_FILL);
                glPolygonMode(GL_BACK, GL_LINE);
            }
            glColor3dv(c);
            glCallList(list);
        }
        glPopMatrix();
    }
}

// Turns the z axis onto the unit vector a.
void rotate_z_onto(const std::array<double, 3>& a) {
    const double l = std::sqrt(a[0] * a[0] + a[1] * a[1] + a[2] * a[2]);
    if (l < 1e-12) return;
    const double z = a[2] / l;
    const double angle = std::acos(std::clamp(z, -1.0, 1.0)) * 180 / M_PI;
    if (std::fabs(a[0]) < 1e-12 * l && std::fabs(a[1]) < 1e-12 * l) {
        if (z < 0) glRotated(180, 1, 0, 0);
        return;
    }
    glRotated(angle, -a[1], a[0], 0);  // axis z x a
}

void draw_cylinders(const Scene& scene, const RenderSettings& settings, GLUquadric* q) {
    for (const CylinderPart& cy : scene.cylinders) {
        double c[3];
        colour_of(cy.colour, settings.lights, c);
        glColor3dv(c);
        glPushMatrix();
        glMultMatrixd(cy.matrix.data());
        glLoadName(GLuint(cy.part_id));
        if (cy.option & 1) glPolygonMode(GL_FRONT, GL_LINE);
        glTranslated(cy.base[0], cy.base[1], cy.base[2]);
        rotate_z_onto(cy.axis);
        // Slices are bounded: a facet count from a file must not make a frame take forever.
        const int slices = std::clamp(cy.facets, 3, 1024);
        gluQuadricOrientation(q, GLU_OUTSIDE);
        gluCylinder(q, cy.outer_radius, cy.outer_radius, cy.length, slices, 1);
        gluQuadricOrientation(q, GLU_INSIDE);
        gluDisk(q, 0, cy.outer_radius, slices, 1);
        glTranslated(0, 0, cy.length);
        gluQuadricOrientation(q, GLU_OUTSIDE);
        gluDisk(q, 0, cy.outer_radius, slices, 1);
        if (cy.option & 1) glPolygonMode(GL_FRONT, GL_FILL);
        glPopMatrix();
    }
}

void draw_boxes(const Scene& scene, const RenderSettings& settings) {
    for (const BoxPart& b : scene.boxes) {
        double c[3];
        colour_of(b.colour, settings.lights, c);
        glColor3dv(c);
        glPushMatrix();
        glMultMatrixd(b.matrix.data());
        glLoadName(GLuint(b.part_id));
        if (b.option & 1) glPolygonMode(GL_FRONT, GL_LINE);
        const std::array<double, 3>* d[3] = {&b.dir1, &b.dir2, &b.dir3};
        double e[3][3];
        for (int i = 0; i < 3; ++i)
            for (int k = 0; k < 3; ++k) e[i][k] = (*d[i])[size_t(k)] * b.edges[size_t(i)];
        // Faces counter-clockwise seen from outside: for the face across axis a, spanned by
        // the next two axes.
        glBegin(GL_QUADS);
        for (int a = 0; a < 3; ++a) {
            const int u = (a + 1) % 3, v = (a + 2) % 3;
            for (int far = 0; far < 2; ++far) {
                double o[3];
                for (int k = 0; k < 3; ++k) o[k] = b.corner[size_t(k)] + (far ? e[a][k] : 0);
                const double s = far ? 1 : -1;
                glNormal3d(s * (*d[a])[0], s * (*d[a])[1], s * (*d[a])[2]);
                const double* first = far ? e[u] : e[v];
                const double* second = far ? e[v] : e[u];
                glVertex3d(o[0], o[1], o[2]);
                glVertex3d(o[0] + first[0], o[1] + first[1], o[2] + first[2]);
                glVertex3d(o[0] + first[0] + second[0], o[1] + first[1] + second[1],
                           o[2] + first[2] + second[2]);
                glVertex3d(o[0] + second[0], o[1] + second[1], o[2] + second[2]);
            }
        }
        glEnd();
        if (b.option & 1) glPolygonMode(GL_FRONT, GL_FILL);
        glPopMatrix();
    }
}

void draw_polygons(const Scene& scene, const RenderSettings& settings) {
    for (const PolygonPart& p : scene.polygons) {
        int colour = p.colour;
        if (p.part_id == settings.pick_result)
            colour = 0xFF0000;
        else if (colour == kBodyColour)
            colour = 0x00FF00;
        double c[3];
        colour_of(colour, settings.lights, c);
        glColor3dv(c);
        glPushMatrix();
        const Matrix4 m = placement_matrix(
            object_placement(scene, scene.current_frame, p.part_id / kPartIdObjectFactor));
        glMultMatrixd(m.data());
        glLoadName(GLuint(p.part_id));
        glBegin(GL_LINE_STRIP);
        for (size_t i = 0; i < p.x.size(); ++i) glVertex3d(p.x[i], p.y[i], p.z[i]);
        glEnd();
        glPopMatrix();
    }
}

// The films' walk of a contour, drawn as GL lines in the contour's plane (z = 0).
class GlContourSink final : public film::FrameSink {
  public:
    void colour(int colour) override {
        const film::Rgb& c = colours_.lookup(colour);
        glColor3ub(c.r, c.g, c.b);
    }
    void move_to(double x, double y) override {
        x_ = x;
        y_ = y;
    }
    void line_to(double x, double y, bool) override {
        glBegin(GL_LINES);
        glVertex2d(x_, y_);
        glVertex2d(x, y);
        glEnd();
        move_to(x, y);
    }
    void arc(const film::FrameArc& a, bool) override {
        const int steps = std::clamp(int(std::fabs(a.sweep_deg) / 5) + 1, 1, 720);
        glBegin(GL_LINE_STRIP);
        for (int i = 0; i <= steps; ++i) {
            const double t = (a.start_deg + a.sweep_deg * i / steps) * M_PI / 180;
            glVertex2d(a.cx + a.r * std::cos(t), a.cy + a.r * std::sin(t));
        }
        glEnd();
        const double t = (a.start_deg + a.sweep_deg) * M_PI / 180;
        move_to(a.cx + a.r * std::cos(t), a.cy + a.r * std::sin(t));
    }
    void placed_arc(const film::PlacedArc& a) override {
        const film::ContourElement& e = *a.element;
        film::FrameArc arc;
        arc.cx = e.x;
        arc.cy = e.y;
        arc.r = e.r;
        arc.start_deg = e.start * 180 / M_PI;
        arc.sweep_deg = (e.end - e.start) * 180 / M_PI;
        this->arc(arc, false);
    }
    void filled_rect(double, double, double, double) override {}
    void label(double, double, const std::string&) override {}

  private:
    const film::ColourTable colours_;  // the preset colours, never inverted here
    double x_ = 0, y_ = 0;
};

void draw_vector_graphics(const Scene& scene) {
    GlContourSink sink;
    for (const VectorGraphicPart& v : scene.vector_graphics) {
        glPushMatrix();
        glMultMatrixd(v.matrix.data());
        glMultMatrixd(v.part_matrix.data());
        glLoadName(GLuint(v.part_id));
        glColor3d(1, 1, 1);
        film::walk_symbol(v.elements.data(), int(v.elements.size()), film::SymbolPlacement{},
                          kWhiteColour, sink);
        glPopMatrix();
    }
}

}  // namespace

void apply_lighting(const LightSettings& l) {
    glClearColor(0.1f, 0.1f, 0.4f, 0.0f);
    glDepthFunc(GL_LESS);
    glEnable(GL_DEPTH_TEST);
    glLightfv(GL_LIGHT0, GL_AMBIENT, l.ambient.data());
    glLightfv(GL_LIGHT0, GL_DIFFUSE, l.diffuse.data());
    glLightfv(GL_LIGHT0, GL_SPECULAR, l.specular.data());
    const GLfloat origin[4] = {0, 0, 0, 0};
    glLightfv(GL_LIGHT0, GL_POSITION, origin);
    glLightModeli(GL_LIGHT_MODEL_LOCAL_VIEWER, GL_TRUE);
    glLightModeli(GL_LIGHT_MODEL_TWO_SIDE, GL_FALSE);
    const GLfloat front_specular[4] = {1, 1, 1, 1}, diffuse[4] = {0.3f, 0.3f, 0.3f, 1};
    const GLfloat back_specular[4] = {0.3f, 0.3f, 0.3f, 1};
    glMaterialfv(GL_FRONT, GL_SPECULAR, front_specular);
    glMaterialfv(GL_FRONT, GL_DIFFUSE, diffuse);
    glMaterialf(GL_FRONT, GL_SHININESS, std::clamp(l.shininess, 0.0f, 128.0f));
    glMaterialfv(GL_BACK, GL_SPECULAR, back_specular);
    glMaterialfv(GL_BACK, GL_DIFFUSE, diffuse);
    glMaterialf(GL_BACK, GL_SHININESS, 0);
    glEnable(GL_LIGHTING);
    glEnable(GL_LIGHT0);
    glColorMaterial(GL_FRONT_AND_BACK, GL_AMBIENT_AND_DIFFUSE);
    glEnable(GL_COLOR_MATERIAL);
}

void setup_context(const LightSettings& lights) {
    glShadeModel(GL_SMOOTH);
    apply_lighting(lights);
    glClearDepth(1.0);
    glEnable(GL_DEPTH_TEST);
    glPolygonMode(GL_BACK, GL_LINE);
    glPolygonMode(GL_FRONT, GL_FILL);
    // Placements and box directions need not be unit vectors; normals are renormalised.
    glEnable(GL_NORMALIZE);
}

Camera render_scene(Scene* scene, const RenderSettings& settings) {
    if (!scene->retired_display_lists.empty()) {
        for (unsigned list : scene->retired_display_lists) glDeleteLists(list, 1);
        scene->retired_display_lists.clear();
    }
    const int w = std::max(settings.width, 1), h = std::max(settings.height, 1);
    const Camera cam = complete_camera(&scene->view, scene->box);
    glViewport(0, 0, w, h);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    if (settings.selecting) {
        GLint viewport[4] = {0, 0, w, h};
        gluPickMatrix(settings.pick_x, settings.pick_y, 10, 10, viewport);
    }
    gluPerspective(45, double(float(w) / float(h)), cam.near_plane, cam.far_plane);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    // Selection writes no pixels: the picture on the way to the screen stays as it is.
    if (!settings.selecting) glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);

    // Placed while the model-view matrix is the identity, the light moves with the camera.
    const GLfloat at_eye[4] = {0, 0, 0, 1}, spot[3] = {0, 0, 1};
    glLightfv(GL_LIGHT0, GL_POSITION, at_eye);
    glLightfv(GL_LIGHT0, GL_SPOT_DIRECTION, spot);
    const auto target = cam.target();
    gluLookAt(cam.eye[0], cam.eye[1], cam.eye[2], target[0], target[1], target[2], cam.up[0],
              cam.up[1], cam.up[2]);
    const Matrix4 global = placement_matrix(scene->global);
    glMultMatrixd(global.data());

    glInitNames();
    glPushName(GLuint(-1));
    glEnable(GL_LIGHTING);
    glDisable(GL_CULL_FACE);
    Culling culling;
    glColor3f(settings.lights.body[0], settings.lights.body[1], settings.lights.body[2]);
    draw_bodies(scene, settings, cam.near_plane, &culling);
    culling.set(false);
    GLUquadric* q = gluNewQuadric();
    if (q) {
        gluQuadricNormals(q, GLU_SMOOTH);
        draw_cylinders(*scene, settings, q);
        gluDeleteQuadric(q);
    }
    draw_boxes(*scene, settings);
    glDisable(GL_LIGHTING);
    glEnable(GL_LINE_SMOOTH);
    glLineWidth(2);
    draw_polygons(*scene, settings);
    glLineWidth(1);
    draw_vector_graphics(*scene);
    glLoadName(GLuint(-1));
    glDisable(GL_LINE_SMOOTH);
    glEnable(GL_LIGHTING);
    return cam;
}

void draw_buttons(const std::vector<ButtonBitmap>& buttons, int client_width, int client_height) {
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    glOrtho(0, client_width, 0, client_height, -1, 1);
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadIdentity();
    glDisable(GL_LIGHTING);
    glDisable(GL_DEPTH_TEST);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    for (const ButtonBitmap& b : buttons) {
        if (!b.rgb_rows || b.rgb_rows->size() < size_t(b.width) * size_t(b.height) * 3) continue;
        // Rows come top to bottom; zoomed by -1, a row fills the pixel row just below the
        // raster position, so the top row starts one above the rectangle's top pixel.
        glRasterPos2i(b.x0, b.y0 + b.height);
        glPixelZoom(1, -1);
        glDrawPixels(b.width, b.height, GL_RGB, GL_UNSIGNED_BYTE, b.rgb_rows->data());
    }
    glPixelZoom(1, 1);
    glEnable(GL_DEPTH_TEST);
    glEnable(GL_LIGHTING);
    glPopMatrix();
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
}

void release_display_lists(Scene* scene) {
    for (MeshBodyPart& b : scene->bodies)
        for (unsigned& list : b.display_lists)
            if (list) {
                glDeleteLists(list, 1);
                list = 0;
            }
    for (unsigned list : scene->retired_display_lists) glDeleteLists(list, 1);
    scene->retired_display_lists.clear();
}

}  // namespace gl3d
