// The importer on damaged input: random bytes, truncated and mutated models. Every run
// must end with a body or none and a message, never a crash or a read out of bounds (the
// sanitizer build checks the latter).
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>

#include "vrml_test_support.h"

using namespace vrml_test;

namespace {

std::string read(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

const char* const kModels[] = {"gripper_jaw.wrl", "shaft.wrl", "gripper_assembly.wrl"};

}  // namespace

class VrmlRobustness : public VrmlTest {
  protected:
    void SetUp() override {
        VrmlTest::SetUp();
        // Coarse primitives keep the many imports quick.
        for (const char* v : {"FACES3_VRML_CONE_DALPHA", "FACES3_VRML_CYLINDER_DALPHA",
                              "FACES3_VRML_SPHERE_DALPHA"})
            setenv(v, "90", 1);
    }
    void survive(const std::string& text) {
        Faces3Koerper* k = faces3_rcv_from_vrml(write("fuzz.wrl", text).c_str());
        if (k) {
            // Whatever was built is a consistent body.
            for (int i = 0; i < faces3_anzahl_dreiecke(k); ++i) {
                const Faces3Dreieck* t = faces3_get_dreieck(k, i);
                for (int c = 0; c < 3; ++c)
                    ASSERT_TRUE(t->p[c] >= 0 && t->p[c] < faces3_anzahl_punkte(k));
            }
            faces3_free_koerper(k);
        }
    }
};

TEST_F(VrmlRobustness, RandomBytesAfterTheHeader) {
    std::mt19937 rng(7);
    const std::string alphabet = "{}[](),#\"' \n\t-0123456789.xeDEFUSE Separator Group Switch LOD";
    for (int run = 0; run < 200; ++run) {
        std::string text = kHeader;
        const int n = 1 + static_cast<int>(rng() % 400);
        for (int i = 0; i < n; ++i) {
            if (rng() % 4 == 0)
                text += static_cast<char>(rng() % 256);
            else
                text += alphabet[rng() % alphabet.size()];
        }
        SCOPED_TRACE(run);
        survive(text);
    }
}

TEST_F(VrmlRobustness, TruncatedModels) {
    for (const char* name : kModels) {
        const std::string text = read(std::string(KV_SOURCE_DIR "/tests/faces3/vrml/") + name);
        ASSERT_FALSE(text.empty()) << name;
        const std::size_t step = std::max<std::size_t>(1, text.size() / 60);
        for (std::size_t cut = 0; cut < text.size(); cut += step) {
            SCOPED_TRACE(cut);
            survive(text.substr(0, cut));
        }
    }
}

TEST_F(VrmlRobustness, MutatedModels) {
    std::mt19937 rng(11);
    const std::string structure = "{}[]-0#\"";
    for (const char* name : kModels) {
        const std::string text = read(std::string(KV_SOURCE_DIR "/tests/faces3/vrml/") + name);
        for (int run = 0; run < 40; ++run) {
            std::string t = text;
            for (int m = 0; m < 1 + run % 5; ++m) {
                const std::size_t at = 17 + rng() % (t.size() - 17);
                switch (rng() % 3) {
                    case 0:
                        t[at] = structure[rng() % structure.size()];
                        break;
                    case 1:
                        t.erase(at, 1 + rng() % 20);
                        break;
                    default:
                        t.insert(at, t.substr(rng() % t.size(), 1 + rng() % 40));
                        break;
                }
            }
            SCOPED_TRACE(run);
            survive(t);
        }
    }
}
