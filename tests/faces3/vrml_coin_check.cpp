// Independent reader for the VRML tests: reads a VRML file with Coin3D and prints the
// number of triangles its callback traversal produces and their bounding box.
#include <Inventor/SbBox3f.h>
#include <Inventor/SbViewportRegion.h>
#include <Inventor/SoDB.h>
#include <Inventor/SoInput.h>
#include <Inventor/SoPath.h>
#include <Inventor/SoPrimitiveVertex.h>
#include <Inventor/actions/SoCallbackAction.h>
#include <Inventor/actions/SoGetBoundingBoxAction.h>
#include <Inventor/actions/SoSearchAction.h>
#include <Inventor/lists/SoPathList.h>
#include <Inventor/nodes/SoSeparator.h>
#include <Inventor/nodes/SoShape.h>
#include <Inventor/nodes/SoWWWInline.h>

#include <cstdio>
#include <string>

namespace {

struct Tally {
    long triangles = 0;
    SbBox3f box;  // of the triangle corners in world coordinates
};

void count_triangle(void* data, SoCallbackAction* action, const SoPrimitiveVertex* a,
                    const SoPrimitiveVertex* b, const SoPrimitiveVertex* c) {
    auto* tally = static_cast<Tally*>(data);
    ++tally->triangles;
    const SbMatrix& m = action->getModelMatrix();
    for (const SoPrimitiveVertex* v : {a, b, c}) {
        SbVec3f w;
        m.multVecMatrix(v->getPoint(), w);
        tally->box.extendBy(w);
    }
}

// Loads every inline file (named relative to the top-level file's directory), also the
// inlines inside inline files, a few levels deep.
void load_inlines(SoNode* root, const std::string& base, int depth) {
    if (depth > 8) return;
    SoSearchAction search;
    search.setType(SoWWWInline::getClassTypeId());
    search.setInterest(SoSearchAction::ALL);
    search.setSearchingAll(TRUE);
    search.apply(root);
    const SoPathList& paths = search.getPaths();
    for (int i = 0; i < paths.getLength(); ++i) {
        auto* node = static_cast<SoWWWInline*>(paths[i]->getTail());
        if (node->getChildData()) continue;
        const std::string name = node->name.getValue().getString();
        SoInput in;
        if (!in.openFile((base.empty() ? name : base + "/" + name).c_str())) continue;
        SoSeparator* child = SoDB::readAll(&in);
        if (!child) continue;
        child->ref();  // an action applied to an unreferenced node deletes it
        load_inlines(child, base, depth + 1);
        node->setChildData(child);
        child->unref();
    }
}

}  // namespace

// Coin keeps a few allocations of its own until exit; they are not ours to report when this
// program is built with the address sanitizer.
extern "C" const char* __asan_default_options() {
    return "detect_leaks=0";
}

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: vrml_coin_check FILE.wrl\n");
        return 2;
    }
    SoDB::init();
    const std::string name = argv[1];
    const std::size_t slash = name.find_last_of('/');
    const std::string base = slash == std::string::npos ? std::string() : name.substr(0, slash);
    SoInput in;
    if (!in.openFile(name.c_str())) {
        std::fprintf(stderr, "cannot open %s\n", name.c_str());
        return 1;
    }
    SoSeparator* root = SoDB::readAll(&in);
    if (!root) {
        std::fprintf(stderr, "cannot read %s\n", name.c_str());
        return 1;
    }
    root->ref();
    load_inlines(root, base, 0);
    Tally tally;
    SoCallbackAction cb;
    cb.addTriangleCallback(SoShape::getClassTypeId(), count_triangle, &tally);
    cb.apply(root);
    float x0 = 0, y0 = 0, z0 = 0, x1 = 0, y1 = 0, z1 = 0;
    if (!tally.box.isEmpty()) tally.box.getBounds(x0, y0, z0, x1, y1, z1);
    std::printf("triangles %ld\nbbox %.9g %.9g %.9g %.9g %.9g %.9g\n", tally.triangles, x0, x1, y0,
                y1, z0, z1);
    // The bounding-box action's box: exact for primitives, but the box of a rotated box
    // for rotated shapes.
    SoGetBoundingBoxAction bb(SbViewportRegion(640, 480));
    bb.apply(root);
    bb.getBoundingBox().getBounds(x0, y0, z0, x1, y1, z1);
    std::printf("boxaction %.9g %.9g %.9g %.9g %.9g %.9g\n", x0, x1, y0, y1, z0, z1);
    root->unref();
    return 0;
}
