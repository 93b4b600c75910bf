// Helpers of the VRML importer tests: captured messages, a private temporary directory
// (the importer writes a fixed temporary name) and body measurements.
#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <array>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "faces3/faces3.h"
#include "faces3/faces3_output.h"
#include "faces3/vrml_import.h"

namespace vrml_test {

inline std::string& messages() {
    static std::string m;
    return m;
}
inline std::string& terminal() {
    static std::string t;
    return t;
}
inline void capture_message(const char* text) {
    messages() += text, messages() += '\n';
}
inline void capture_terminal(const char* text) {
    terminal() += text;
}

struct Box {
    double xmin, xmax, ymin, ymax, zmin, zmax;
};

inline Box bbox(Faces3Koerper* k) {
    Box b{};
    faces3_bbox(k, &b.xmin, &b.xmax, &b.ymin, &b.ymax, &b.zmin, &b.zmax);
    return b;
}

// Sum of the triangle areas of a body.
inline double area(const Faces3Koerper* k) {
    double sum = 0;
    for (int i = 0; i < faces3_anzahl_dreiecke(k); ++i) {
        const Faces3Dreieck* t = faces3_get_dreieck(k, i);
        double p[3][3];
        for (int c = 0; c < 3; ++c) faces3_get_punkt(k, t->p[c], p[c]);
        const double u[3] = {p[1][0] - p[0][0], p[1][1] - p[0][1], p[1][2] - p[0][2]};
        const double v[3] = {p[2][0] - p[0][0], p[2][1] - p[0][1], p[2][2] - p[0][2]};
        const double c[3] = {u[1] * v[2] - u[2] * v[1], u[2] * v[0] - u[0] * v[2],
                             u[0] * v[1] - u[1] * v[0]};
        sum += 0.5 * std::sqrt(c[0] * c[0] + c[1] * c[1] + c[2] * c[2]);
    }
    return sum;
}

// Fixture: outputs captured, settings cleared, TMPDIR pointing at a private directory in
// which the test writes its files.
class VrmlTest : public ::testing::Test {
  protected:
    void SetUp() override {
        messages().clear();
        terminal().clear();
        faces3_set_message_output(capture_message);
        faces3_set_terminal_output(capture_terminal);
        for (const char* v : kSettings) unsetenv(v);
        faces3_vrml_set_modelfac(1.0);
        char tmpl[] = "/tmp/kv_vrml_test_XXXXXX";
        dir_ = mkdtemp(tmpl);
        const char* old_tmp = std::getenv("TMPDIR");
        had_tmpdir_ = old_tmp != nullptr;
        old_tmpdir_ = old_tmp ? old_tmp : "";
        setenv("TMPDIR", dir_.c_str(), 1);
    }
    void TearDown() override {
        for (Faces3Koerper* k : bodies_) faces3_free_koerper(k);
        faces3_set_message_output(nullptr);
        faces3_set_terminal_output(nullptr);
        for (const char* v : kSettings) unsetenv(v);
        faces3_vrml_set_modelfac(1.0);
        faces3_set_nosearch(0);
        if (had_tmpdir_)
            setenv("TMPDIR", old_tmpdir_.c_str(), 1);
        else
            unsetenv("TMPDIR");
        std::error_code ec;
        std::filesystem::remove_all(dir_, ec);
    }
    // Writes a file under the private directory and returns its path.
    std::string write(const std::string& name, const std::string& text) {
        const std::string path = dir_ + "/" + name;
        std::filesystem::create_directories(std::filesystem::path(path).parent_path());
        std::ofstream(path, std::ios::binary) << text;
        return path;
    }
    // Imports the text as a file; the body is freed after the test.
    Faces3Koerper* import(const std::string& text, const std::string& name = "model.wrl") {
        return keep(faces3_rcv_from_vrml(write(name, text).c_str()));
    }
    Faces3Koerper* keep(Faces3Koerper* k) {
        if (k) bodies_.push_back(k);
        return k;
    }
    std::string dir_;
    std::vector<Faces3Koerper*> bodies_;
    bool had_tmpdir_ = false;
    std::string old_tmpdir_;
    static constexpr const char* kSettings[] = {
        "FACES3_VRML_MODELFAC",      "FACES3_VRML_MAXCOORDINATE3",  "FACES3_VRML_INDEXLIST_NMAX",
        "FACES3_VRML_CONE_DALPHA",   "FACES3_VRML_CYLINDER_DALPHA", "FACES3_VRML_SPHERE_DALPHA",
        "FACES3_VRML_LOD",           "FACES3_VRML_STRING_WRL",      "FACES3_RCV_VRML_FEHLERMELDUNG",
        "FACES3_CPT_NACHBARN_IXFLAG"};
};

inline const std::string kHeader = "#VRML V1.0 ascii\n";

}  // namespace vrml_test
