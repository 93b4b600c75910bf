// Every VRML model of the tests and examples read by our importer and by Coin3D: the same
// bounding box, and the same triangle count where both cut the same polygons (no
// primitive shapes, whose tessellation differs).
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>

#include "vrml_test_support.h"

using namespace vrml_test;

namespace {

struct CoinResult {
    long triangles = -1;
    double box[6] = {0, 0, 0, 0, 0, 0};  // x min, x max, y min, y max, z min, z max
};

#ifdef KV_VRML_COIN_CHECK
bool run_coin(const std::string& file, CoinResult& r) {
    const std::string cmd = std::string(KV_VRML_COIN_CHECK) + " '" + file + "' 2>/dev/null";
    std::FILE* p = popen(cmd.c_str(), "r");
    if (!p) return false;
    char buf[512];
    std::string out;
    while (std::fgets(buf, sizeof buf, p)) out += buf;
    const int rc = pclose(p);
    std::istringstream in(out);
    std::string word;
    while (in >> word) {
        if (word == "triangles") in >> r.triangles;
        if (word == "bbox")
            for (double& v : r.box) in >> v;
    }
    return rc == 0 && r.triangles >= 0;
}
#endif

std::vector<std::string> models() {
    std::vector<std::string> files;
    for (const char* dir : {KV_SOURCE_DIR "/tests/faces3/vrml", KV_SOURCE_DIR "/examples/vrml"}) {
        if (!std::filesystem::is_directory(dir)) continue;
        for (const auto& e : std::filesystem::directory_iterator(dir))
            if (e.path().extension() == ".wrl") files.push_back(e.path().string());
    }
    std::sort(files.begin(), files.end());
    return files;
}

bool has_primitives(const std::string& file) {
    std::ifstream in(file);
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    return std::regex_search(text, std::regex("\\b(Cone|Cylinder|Sphere|Cube)\\s*\\{"));
}

}  // namespace

class VrmlAgainstCoin : public VrmlTest {};

TEST_F(VrmlAgainstCoin, EveryModelHasCoinsBoxAndTriangleCount) {
#ifndef KV_VRML_COIN_CHECK
    GTEST_SKIP() << "built without Coin3D";
#else
    const auto files = models();
    ASSERT_GE(files.size(), 5u) << "the test and example models are missing";
    for (const std::string& file : files) {
        SCOPED_TRACE(file);
        CoinResult coin;
        ASSERT_TRUE(run_coin(file, coin));
        messages().clear();
        Faces3Koerper* k = keep(faces3_rcv_from_vrml(file.c_str()));
        ASSERT_NE(k, nullptr);
        EXPECT_EQ(messages(), "");
        const bool primitives = has_primitives(file);
        if (!primitives)
            EXPECT_EQ(faces3_anzahl_dreiecke(k), coin.triangles);
        else
            EXPECT_GT(faces3_anzahl_dreiecke(k), 0);
        const Box b = bbox(k);
        const double ours[6] = {b.xmin, b.xmax, b.ymin, b.ymax, b.zmin, b.zmax};
        double extent = 0;
        for (int a = 0; a < 3; ++a)
            extent = std::max(extent, coin.box[2 * a + 1] - coin.box[2 * a]);
        // Coin works in floats; primitives are tessellated differently by the two readers.
        const double tol = (primitives ? 1e-2 : 1e-5) * extent;
        for (int i = 0; i < 6; ++i) EXPECT_NEAR(ours[i], coin.box[i], tol) << "box value " << i;
    }
#endif
}
