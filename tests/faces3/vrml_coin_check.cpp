// Independent reader for the VRML tests: reads a VRML file with Coin3D and prints the
// number of triangles its callback traversal produces and the bounding box of the scene.
#include <Inventor/SbBox3f.h>
#include <Inventor/SbViewportRegion.h>
#include <Inventor/SoDB.h>
#include <Inventor/SoInput.h>
#include <Inventor/actions/SoCallbackAction.h>
#include <Inventor/actions/SoGetBoundingBoxAction.h>
#include <Inventor/nodes/SoSeparator.h>
#include <Inventor/nodes/SoShape.h>
#include <Inventor/nodes/SoWWWInline.h>

#include <cstdio>
#include <string>

namespace {

void count_triangle(void* data, SoCallbackAction*, const SoPrimitiveVertex*,
                    const SoPrimitiveVertex*, const SoPrimitiveVertex*) {
    ++*static_cast<long*>(data);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: vrml_coin_check FILE.wrl\n");
        return 2;
    }
    SoDB::init();
    // Inline files are read as part of the scene, relative to the top-level file.
    SoWWWInline::setReadAsSoFile(TRUE);
    const std::string name = argv[1];
    const std::size_t slash = name.find_last_of('/');
    SoInput in;
    if (slash != std::string::npos) SoInput::addDirectoryFirst(name.substr(0, slash).c_str());
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
    long triangles = 0;
    SoCallbackAction cb;
    cb.addTriangleCallback(SoShape::getClassTypeId(), count_triangle, &triangles);
    cb.apply(root);
    SoGetBoundingBoxAction bb(SbViewportRegion(640, 480));
    bb.apply(root);
    const SbBox3f box = bb.getBoundingBox();
    float x0, y0, z0, x1, y1, z1;
    box.getBounds(x0, y0, z0, x1, y1, z1);
    std::printf("triangles %ld\nbbox %.9g %.9g %.9g %.9g %.9g %.9g\n", triangles, x0, x1, y0, y1,
                z0, z1);
    root->unref();
    return 0;
}
