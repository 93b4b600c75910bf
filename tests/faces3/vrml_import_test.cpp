// The VRML importer end to end: header check, face sets, transformations and grouping,
// DEF/USE, Switch and LOD, primitives, settings and the messages of every failure.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <filesystem>
#include <string>

#include "vrml_test_support.h"

using namespace vrml_test;

namespace {

const std::string kSquare =
    "Coordinate3 { point [ 0 0 0, 1 0 0, 1 1 0, 0 1 0 ] }\n"
    "IndexedFaceSet { coordIndex [ 0, 1, 2, 3, -1 ] }\n";

bool has_point(Faces3Koerper* k, double x, double y, double z, double eps = 1e-9) {
    double p[3];
    for (int i = 0; i < faces3_anzahl_punkte(k); ++i) {
        faces3_get_punkt(k, i, p);
        if (std::fabs(p[0] - x) < eps && std::fabs(p[1] - y) < eps && std::fabs(p[2] - z) < eps)
            return true;
    }
    return false;
}

int face_index(Faces3Koerper* k, const std::string& name) {
    for (int i = 0; i < faces3_anzahl_flaechen(k); ++i)
        if (name == faces3_flaeche_name(k, i)) return i;
    return -1;
}

}  // namespace

class VrmlImport : public VrmlTest {};

TEST_F(VrmlImport, RefusesOtherVersionsAndMissingFiles) {
    const std::string path = write("v2.wrl", "#VRML V2.0 utf8\nShape {}\n");
    EXPECT_EQ(faces3_rcv_from_vrml(path.c_str()), nullptr);
    EXPECT_NE(messages().find("faces3_rcv_from_vrml: " + path + " ist keine VRML1.0-Datei"),
              std::string::npos)
        << messages();
    messages().clear();
    EXPECT_EQ(faces3_rcv_from_vrml((dir_ + "/missing.wrl").c_str()), nullptr);
    EXPECT_NE(messages().find("faces3_rcv_from_vrml Datei/File " + dir_ +
                              "/missing.wrl: kann nicht geoeffnet werden / cannot be opened"),
              std::string::npos)
        << messages();
    EXPECT_EQ(faces3_rcv_from_vrml(nullptr), nullptr);
}

TEST_F(VrmlImport, AcceptsWindowsLineEndsAndAHeaderComment) {
    Faces3Koerper* k = import("#VRML V1.0 ascii\r\n" + kSquare);
    ASSERT_NE(k, nullptr);
    EXPECT_EQ(faces3_anzahl_dreiecke(k), 2);
    k = import("#VRML V1.0 ascii   exported by hand\n" + kSquare, "b.wrl");
    ASSERT_NE(k, nullptr);
    EXPECT_EQ(faces3_anzahl_dreiecke(k), 2);
}

TEST_F(VrmlImport, BodyIsNamedAfterTheFileWithOneFacePerFaceSet) {
    Faces3Koerper* k = import(kHeader + kSquare + kSquare);
    ASSERT_NE(k, nullptr);
    EXPECT_EQ(std::string(faces3_koerper_name(k)), dir_ + "/model.wrl");
    EXPECT_EQ(faces3_get_typ(k), FACES3_TYP_NETZ);
    EXPECT_GE(face_index(k, "faceset1"), 0);
    EXPECT_GE(face_index(k, "faceset2"), 0);
    // The same square twice shares its points; each face set has its triangles.
    EXPECT_EQ(faces3_anzahl_punkte(k), 4);
    EXPECT_EQ(faces3_anzahl_dreiecke(k), 4);
    EXPECT_EQ(faces3_flaeche_anzahl(k, face_index(k, "faceset2")), 2);
    // The expansion went to the temporary directory.
    EXPECT_TRUE(std::filesystem::exists(dir_ + "/vrml_import.wrl"));
    EXPECT_NE(terminal().find("nodetype = IndexedFaceSet   nodename = \n"), std::string::npos);
}

TEST_F(VrmlImport, PolygonsAreSplitAtNegativeIndices) {
    Faces3Koerper* k = import(kHeader +
                              "Coordinate3 { point [ 0 0 0, 1 0 0, 1 1 0, 0 1 0, 2 0 0 ] }\n"
                              "IndexedFaceSet { coordIndex [ 0 1 2 3 -1 1 4 2 -1 0 1 -1 4 ] }");
    ASSERT_NE(k, nullptr);
    // Quadrilateral: 2, triangle: 1, the two-point and the one-point rest: nothing.
    EXPECT_EQ(faces3_anzahl_dreiecke(k), 3);
    EXPECT_NEAR(area(k), 1.5, 1e-12);
}

TEST_F(VrmlImport, ConcaveFaceSetIsCoveredExactly) {
    Faces3Koerper* k = import(kHeader +
                              "Coordinate3 { point [ 0 0 0, 4 0 0, 4 3 0, 2 1 0, 0 3 0 ] }\n"
                              "IndexedFaceSet { coordIndex [ 0, 1, 2, 3, 4, -1 ] }");
    ASSERT_NE(k, nullptr);
    EXPECT_EQ(faces3_anzahl_dreiecke(k), 3);
    EXPECT_NEAR(area(k), 8.0, 1e-12);
}

TEST_F(VrmlImport, IndexEqualToThePointCountDropsThatFaceSetOnly) {
    Faces3Koerper* k = import(kHeader + kSquare +
                              "IndexedFaceSet { coordIndex [ 0, 1, 4, -1 ] }\n"
                              "IndexedFaceSet { coordIndex [ 0, 2, 3, -1 ] }\n");
    ASSERT_NE(k, nullptr);
    EXPECT_NE(messages().find("faces3_rcv_from_vrml: ungueltiger Punktindex"), std::string::npos);
    EXPECT_EQ(faces3_anzahl_dreiecke(k), 3);
    // The dropped set takes no number.
    EXPECT_GE(face_index(k, "faceset2"), 0);
    EXPECT_EQ(face_index(k, "faceset3"), -1);
}

TEST_F(VrmlImport, SeparatorsKeepTheMatrixGroupsDoNot) {
    const std::string tri =
        "Coordinate3 { point [ 0 0 0, 1 0 0, 0 1 0 ] }"
        "IndexedFaceSet { coordIndex [ 0 1 2 -1 ] }";
    Faces3Koerper* sep = import(kHeader + "Separator { Translation { translation 10 0 0 } }\n" +
                                    "Separator { Translation { translation 10 0 0 } " + tri + "}",
                                "sep.wrl");
    ASSERT_NE(sep, nullptr);
    EXPECT_NEAR(bbox(sep).xmin, 10.0, 1e-12);
    Faces3Koerper* grp = import(kHeader + "Group { Translation { translation 10 0 0 } }\n" +
                                    "Group { Translation { translation 10 0 0 } " + tri + "}",
                                "grp.wrl");
    ASSERT_NE(grp, nullptr);
    EXPECT_NEAR(bbox(grp).xmin, 20.0, 1e-12);
}

TEST_F(VrmlImport, PointsAreTransformedWhenTheListIsRead) {
    Faces3Koerper* k = import(kHeader +
                              "Coordinate3 { point [ 0 0 0, 1 0 0, 0 1 0 ] }\n"
                              "Translation { translation 0 0 5 }\n"
                              "IndexedFaceSet { coordIndex [ 0 1 2 -1 ] }\n"
                              "Coordinate3 { point 3 3 3 }\n");  // a single point without brackets
    ASSERT_NE(k, nullptr);
    EXPECT_NEAR(bbox(k).zmax, 0.0, 1e-12);
}

TEST_F(VrmlImport, TransformComposesTranslationCenterRotationAndScale) {
    // Point (2, 0, 0): minus centre (1, 0, 0) -> (1, 0, 0); scale 3 along the scale
    // orientation (turned 90 degrees about z, i.e. along y) leaves it; rotation 90 degrees
    // about z -> (0, 1, 0); plus centre -> (1, 1, 0); plus translation -> (1, 1, 7).
    // Point (1, 1, 0): -> (0, 1, 0) -> scaled along y (0, 3, 0) -> rotated (-3, 0, 0)
    // -> (-2, 0, 0) -> (-2, 0, 7).
    Faces3Koerper* k = import(kHeader +
                              "Transform { translation 0 0 7 rotation 0 0 1 1.5707963267948966\n"
                              "  scaleFactor 3 1 1 scaleOrientation 0 0 1 1.5707963267948966\n"
                              "  center 1 0 0 }\n"
                              "Coordinate3 { point [ 2 0 0, 1 1 0, 1 0 0 ] }\n"
                              "IndexedFaceSet { coordIndex [ 0 1 2 -1 ] }");
    ASSERT_NE(k, nullptr);
    EXPECT_TRUE(has_point(k, 1, 1, 7)) << terminal();
    EXPECT_TRUE(has_point(k, -2, 0, 7));
    EXPECT_TRUE(has_point(k, 1, 0, 7));
}

TEST_F(VrmlImport, MatrixTransformIsWrittenForRowVectors) {
    // As VRML writes it: the translation (4, 5, 6) in the last row, and a quarter turn
    // about z whose first row is the image of the x axis.
    Faces3Koerper* k = import(kHeader +
                              "MatrixTransform { matrix 0 1 0 0  -1 0 0 0  0 0 1 0  4 5 6 1 }\n"
                              "Coordinate3 { point [ 1 0 0, 0 0 0, 0 0 1 ] }\n"
                              "IndexedFaceSet { coordIndex [ 0 1 2 -1 ] }");
    ASSERT_NE(k, nullptr);
    EXPECT_TRUE(has_point(k, 4, 6, 6));
    EXPECT_TRUE(has_point(k, 4, 5, 6));
    EXPECT_TRUE(has_point(k, 4, 5, 7));
}

TEST_F(VrmlImport, RotationAndScaleNodes) {
    Faces3Koerper* k = import(kHeader +
                              "Rotation { rotation 1 0 0 -1.5707963267948966 }\n"
                              "Scale { scaleFactor 1 1 2 }\n"
                              "Coordinate3 { point [ 0 0 1, 1 0 0, 0 1 0 ] }\n"
                              "IndexedFaceSet { coordIndex [ 0 1 2 -1 ] }");
    ASSERT_NE(k, nullptr);
    // (0, 0, 1) scaled to (0, 0, 2), turned about x by -90 degrees to (0, 2, 0).
    EXPECT_TRUE(has_point(k, 0, 2, 0, 1e-9));
    EXPECT_TRUE(has_point(k, 0, 0, -1, 1e-9));
}

TEST_F(VrmlImport, ModelFactorScalesCoordinatesAndIsKept) {
    setenv("FACES3_VRML_MODELFAC", "0.001", 1);
    Faces3Koerper* k = import(kHeader + "Translation { translation 1000 0 0 } Cube { width 1000 }");
    ASSERT_NE(k, nullptr);
    Box b = bbox(k);
    EXPECT_NEAR(b.xmin, 0.5, 1e-12);
    EXPECT_NEAR(b.xmax, 1.5, 1e-12);
    EXPECT_NEAR(b.ymax - b.ymin, 0.002, 1e-12);  // default height 2
    // Unset: the factor of the previous import stays.
    unsetenv("FACES3_VRML_MODELFAC");
    k = import(kHeader + kSquare, "again.wrl");
    EXPECT_NEAR(bbox(k).xmax, 0.001, 1e-15);
    EXPECT_DOUBLE_EQ(faces3_vrml_get_modelfac(), 0.001);
    // A vanishing factor means 1.
    setenv("FACES3_VRML_MODELFAC", "0", 1);
    k = import(kHeader + kSquare, "zero.wrl");
    EXPECT_NEAR(bbox(k).xmax, 1.0, 1e-12);
}

TEST_F(VrmlImport, PrimitivesAreCentredOnTheOriginWithTheirAxisAlongY) {
    Faces3Koerper* k = import(kHeader + "Separator { Cone { bottomRadius 2 height 6 } }\n" +
                              "Translation { translation 10 0 0 }\n"
                              "Cylinder { radius 1 height 4 parts ALL }\n"
                              "Translation { translation 10 0 0 } Sphere { radius 3 }\n"
                              "Translation { translation 10 0 0 } Cube { width 2 height 4 "
                              "depth 6 }\n");
    ASSERT_NE(k, nullptr);
    EXPECT_TRUE(has_point(k, 0, 3, 0, 1e-9)) << "cone tip at +h/2";
    EXPECT_TRUE(has_point(k, 0, -3, 0, 1e-9)) << "cone base centre at -h/2";
    EXPECT_TRUE(has_point(k, 10, 2, 0, 1e-9));
    EXPECT_TRUE(has_point(k, 10, -2, 0, 1e-9));
    EXPECT_TRUE(has_point(k, 20, 3, 0, 1e-9) || has_point(k, 20, 0, 3, 1e-9));
    EXPECT_TRUE(has_point(k, 31, 2, 3, 1e-9));
    Box b = bbox(k);
    EXPECT_NEAR(b.xmax, 31, 1e-9);
    EXPECT_NEAR(b.ymin, -3, 1e-9);
    EXPECT_NEAR(b.zmax, 3, 1e-9);
    // Each primitive brings its own faces, numbered by the shared node counter.
    EXPECT_GE(face_index(k, "kegel1/mantel"), 0);
    EXPECT_GE(face_index(k, "zylinder2/mantel"), 0);
    EXPECT_GE(face_index(k, "kugel3/kugelflaeche"), 0);
    EXPECT_GE(face_index(k, "quader4/oben"), 0);
    EXPECT_EQ(faces3_get_typ(k), FACES3_TYP_NETZ);
    // Closed solids: every triangle found its three neighbours.
    for (int i = 0; i < faces3_anzahl_dreiecke(k); ++i) {
        const Faces3Dreieck* t = faces3_get_dreieck(k, i);
        ASSERT_TRUE(t->nachbar[0] >= 0 && t->nachbar[1] >= 0 && t->nachbar[2] >= 0) << i;
    }
}

TEST_F(VrmlImport, PrimitivesAndFaceSetsKeepTheirOrder) {
    Faces3Koerper* k = import(kHeader + "Cube {} " + kSquare + "Cube {} Cube {}");
    ASSERT_NE(k, nullptr);
    EXPECT_EQ(faces3_anzahl_dreiecke(k), 12 + 2 + 12 + 12);
    EXPECT_LT(face_index(k, "quader1/oben"), face_index(k, "faceset2"));
    EXPECT_LT(face_index(k, "faceset2"), face_index(k, "quader3/oben"));
    EXPECT_LT(face_index(k, "quader3/oben"), face_index(k, "quader4/oben"));
    // The face set's triangles sit between the cubes' in the triangle table as well.
    const Faces3Dreieck* t = faces3_get_dreieck(k, 12);
    EXPECT_EQ(t->flaeche, face_index(k, "faceset2"));
}

TEST_F(VrmlImport, SegmentAnglesComeFromTheSettings) {
    setenv("FACES3_VRML_CYLINDER_DALPHA", "-90", 1);  // the absolute value counts
    setenv("FACES3_VRML_CONE_DALPHA", "0.05", 1);     // below 0.1: the default 10
    Faces3Koerper* k = import(kHeader + "Cylinder {}");
    ASSERT_NE(k, nullptr);
    EXPECT_EQ(faces3_anzahl_dreiecke(k), 4 * 4);
    k = import(kHeader + "Cone {}", "cone.wrl");
    EXPECT_EQ(faces3_anzahl_dreiecke(k), 2 * 36);
}

TEST_F(VrmlImport, DefUseRepeatsTheNodeAndLaterDefsReplace) {
    Faces3Koerper* k = import(kHeader + kSquare +
                              "DEF Part Separator { Translation { translation 5 0 0 }\n"
                              "  Coordinate3 { point [ 0 0 0, 1 0 0, 0 1 0 ] }\n"
                              "  IndexedFaceSet { coordIndex [ 0 1 2 -1 ] } }\n"
                              "Translation { translation 0 5 0 } USE Part\n"
                              "DEF Part Separator { }\n"
                              "USE Part\n");
    ASSERT_NE(k, nullptr);
    EXPECT_EQ(faces3_anzahl_dreiecke(k), 2 + 1 + 1);
    EXPECT_TRUE(has_point(k, 6, 0, 0));
    EXPECT_TRUE(has_point(k, 5, 6, 0));
    EXPECT_NE(terminal().find("nodetype = Separator   nodename = Part"), std::string::npos);
}

TEST_F(VrmlImport, UseBeforeDefEndsTheImportWithTheBodySoFar) {
    Faces3Koerper* k = import(kHeader + kSquare + "USE Later\nDEF Later Cube {}\n");
    ASSERT_NE(k, nullptr);
    EXPECT_NE(messages().find("faces3_rcv_from_vrml: DEF zu USE Later fehlt"), std::string::npos);
    EXPECT_NE(messages().find("faces3_rcv_from_vrml: syntax error"), std::string::npos);
    EXPECT_EQ(faces3_anzahl_dreiecke(k), 2);
}

TEST_F(VrmlImport, SwitchReadsTheChosenChildAndRegistersSkippedDefs) {
    const std::string tri =
        "Coordinate3 { point [ 0 0 0, 1 0 0, 0 1 0 ] } IndexedFaceSet { coordIndex [ 0 1 2 -1 ] }";
    const std::string body =
        "Switch { whichChild %W\n"
        "  DEF A Separator { Translation { translation 10 0 0 } " +
        tri +
        " }\n"
        "  Separator { Translation { translation 20 0 0 } " +
        tri +
        " }\n"
        "  Separator { Translation { translation 30 0 0 } " +
        tri + " } }\n";
    auto with = [&](const std::string& w) {
        std::string s = body;
        s.replace(s.find("%W"), 2, w);
        return kHeader + kSquare + s;
    };
    Faces3Koerper* k = import(with("1"), "one.wrl");
    ASSERT_NE(k, nullptr);
    EXPECT_EQ(faces3_anzahl_dreiecke(k), 2 + 1);
    EXPECT_NEAR(bbox(k).xmin, 0, 1e-12);
    EXPECT_NEAR(bbox(k).xmax, 21, 1e-12);
    EXPECT_EQ(faces3_anzahl_dreiecke(import(with("-3"), "all.wrl")), 2 + 3);
    EXPECT_EQ(faces3_anzahl_dreiecke(import(with("-1"), "none.wrl")), 2);
    // Without whichChild the first child is read.
    std::string first = with("0");
    first.replace(first.find("whichChild 0"), 12, "");
    k = import(first, "first.wrl");
    EXPECT_NEAR(bbox(k).xmax, 11, 1e-12);
    // A DEF in a skipped child can still be used.
    std::string def = with("2") + "USE A\n";
    k = import(def, "use.wrl");
    EXPECT_EQ(faces3_anzahl_dreiecke(k), 2 + 1 + 1);
    EXPECT_TRUE(has_point(k, 11, 0, 0));
}

TEST_F(VrmlImport, LodReadsTheChildChosenByTheSetting) {
    const std::string lod = kHeader + kSquare +
                            "LOD { range [ 1, 2, 3, 4 ] center 0 0 0\n"
                            "  Translation { translation 1 0 0 }\n"
                            "  Translation { translation 2 0 0 }\n"
                            "  Translation { translation 3 0 0 }\n"
                            "  Translation { translation 4 0 0 }\n"
                            "  Translation { translation 5 0 0 } }\n"
                            "Coordinate3 { point [ 0 0 0, 1 0 0, 0 1 0 ] } IndexedFaceSet { "
                            "coordIndex [ 0 1 2 -1 ] }\n";
    // Translations stay on the matrix (LOD is no separator): the x offset names the child.
    const std::pair<const char*, double> cases[] = {{nullptr, 1}, {"0", 1}, {"1", 3},
                                                    {"2", 3},     {"3", 4}, {"7", 4}};
    for (const auto& [setting, offset] : cases) {
        if (setting)
            setenv("FACES3_VRML_LOD", setting, 1);
        else
            unsetenv("FACES3_VRML_LOD");
        terminal().clear();
        Faces3Koerper* k = import(lod, std::string("lod") + (setting ? setting : "") + ".wrl");
        ASSERT_NE(k, nullptr);
        EXPECT_NEAR(bbox(k).xmax, offset + 1, 1e-12) << (setting ? setting : "unset");
        EXPECT_NE(terminal().find("VRML LOD n = 4  i = "), std::string::npos);
    }
}

TEST_F(VrmlImport, UnknownNodesExtensionsAndAnchorsAreReadOver) {
    Faces3Koerper* k =
        import(kHeader +
               "Material { diffuseColor [ 1 0 0, 0 1 0 ] }\n"
               "Info { string \"a } brace { in a string\" }\n"
               "DEF Odd Texture2 { image 1 1 1 0xFF0000 nested { still { skipped } } }\n"
               "Separator { renderCulling ON\n"
               "  MyShape { fields [ SFFloat size, MFVec3f p ] isA [ \"Separator\" ] size 2 }\n"
               "  WWWAnchor { name \"http://example.org/x\" description \"jaw\" map NONE\n" +
               kSquare + " } }\n");
    ASSERT_NE(k, nullptr);
    EXPECT_EQ(faces3_anzahl_dreiecke(k), 2);
    EXPECT_NE(terminal().find("UNBEKANNT: nodetype = Texture2  nodename = Odd"), std::string::npos);
    EXPECT_NE(terminal().find("UNBEKANNT: nodetype = MyShape  nodename = "), std::string::npos);
    EXPECT_EQ(messages(), "");
}

TEST_F(VrmlImport, StructureErrorsHaveTheirMessages) {
    struct Case {
        std::string text, message;
    } cases[] = {
        {"Separator Cube { }", "faces3_rcv_from_vrml: { expected"},
        {"Separator { " + kSquare, "faces3_rcv_from_vrml: separator: } expected"},
        {"Coordinate3 { point [ 0 0 0", "faces3_rcv_from_vrml: Datei zu kurz"},
        {"DEF", "faces3_rcv_from_vrml: Datei zu kurz"},
        {"DEF A Translation { USE A }", "faces3_rcv_from_vrml: USE A: Stapelueberlauf"},
    };
    int n = 0;
    for (const Case& c : cases) {
        messages().clear();
        Faces3Koerper* k = import(kHeader + c.text, "err" + std::to_string(n++) + ".wrl");
        ASSERT_NE(k, nullptr) << c.text;
        EXPECT_NE(messages().find(c.message), std::string::npos) << c.text << "\n" << messages();
        EXPECT_NE(messages().find("faces3_rcv_from_vrml: syntax error"), std::string::npos);
    }
}

TEST_F(VrmlImport, ListLimitsDropTheRestWithAMessage) {
    setenv("FACES3_VRML_MAXCOORDINATE3", "3", 1);
    Faces3Koerper* k = import(kHeader + kSquare);
    ASSERT_NE(k, nullptr);
    EXPECT_NE(messages().find("VRML-Import: zu viele Punkte in einer Coordinate3-Punkteliste"),
              std::string::npos);
    // The fourth point is gone, so the square's index 3 is invalid.
    EXPECT_NE(messages().find("ungueltiger Punktindex"), std::string::npos);
    EXPECT_EQ(faces3_anzahl_dreiecke(k), 0);

    unsetenv("FACES3_VRML_MAXCOORDINATE3");
    setenv("FACES3_VRML_INDEXLIST_NMAX", "4", 1);
    messages().clear();
    k = import(kHeader + kSquare, "idx.wrl");
    EXPECT_NE(messages().find("VRML-Import: zu viele Eintraege in einer Indexliste"),
              std::string::npos);
    EXPECT_EQ(faces3_anzahl_dreiecke(k), 2);  // the closing -1 was the one dropped
    // Values below 1 take the defaults.
    setenv("FACES3_VRML_INDEXLIST_NMAX", "0", 1);
    setenv("FACES3_VRML_MAXCOORDINATE3", "-5", 1);
    messages().clear();
    k = import(kHeader + kSquare, "def.wrl");
    EXPECT_EQ(messages(), "");
    EXPECT_EQ(faces3_anzahl_dreiecke(k), 2);
}

TEST_F(VrmlImport, DeepNestingIsRefusedNotOverflowed) {
    for (const char* group : {"Separator", "Group"}) {
        std::string text = kHeader + kSquare;
        for (int i = 0; i < 3000; ++i) text += std::string(group) + " { ";
        for (int i = 0; i < 3000; ++i) text += "} ";
        messages().clear();
        Faces3Koerper* k = import(text, std::string(group) + ".wrl");
        ASSERT_NE(k, nullptr);
        EXPECT_NE(messages().find("Ueberlauf des Status-Stapels (zu tiefe Verschachtelung)"),
                  std::string::npos)
            << group;
        EXPECT_EQ(faces3_anzahl_dreiecke(k), 2);
    }
    // 1000 levels are fine.
    std::string text = kHeader;
    for (int i = 0; i < 1000; ++i) text += "Separator { ";
    text += kSquare;
    for (int i = 0; i < 1000; ++i) text += "} ";
    messages().clear();
    EXPECT_EQ(faces3_anzahl_dreiecke(import(text, "ok.wrl")), 2);
    EXPECT_EQ(messages(), "");
}

TEST_F(VrmlImport, UseThatDoublesAtEveryLevelEndsWithAMessage) {
    // 40 levels of two uses each would be 2^40 copies of L0.
    std::string text = kHeader + kSquare + "DEF L0 Group { Translation { translation 0 0 0 } }\n";
    for (int i = 1; i <= 40; ++i)
        text += "DEF L" + std::to_string(i) + " Group { USE L" + std::to_string(i - 1) + " USE L" +
                std::to_string(i - 1) + " }\n";
    Faces3Koerper* k = import(text);
    ASSERT_NE(k, nullptr);
    EXPECT_NE(messages().find("zu viele Ersetzungen"), std::string::npos) << messages();
    EXPECT_EQ(faces3_anzahl_dreiecke(k), 2);
}

TEST_F(VrmlImport, TooManyDistinctDefsAreReportedOnce) {
    std::string text = kHeader;
    for (int i = 0; i < 1030; ++i) text += "DEF D" + std::to_string(i) + " Group { }\n";
    text += "USE D5\n";
    Faces3Koerper* k = import(text);
    ASSERT_NE(k, nullptr);
    const std::string msg = "faces3_rcv_from_vrml: zu viele verschiedene DEFs";
    const std::size_t first = messages().find(msg);
    ASSERT_NE(first, std::string::npos);
    EXPECT_EQ(messages().find(msg, first + 1), std::string::npos);
    EXPECT_EQ(messages().find("syntax error"), std::string::npos);  // D5 was registered
}

TEST_F(VrmlImport, EdgeFaultsAreReportedWhenAsked) {
    setenv("FACES3_CPT_NACHBARN_IXFLAG", "1", 1);
    setenv("FACES3_RCV_VRML_FEHLERMELDUNG", "1", 1);
    import(kHeader + kSquare);
    EXPECT_NE(messages().find("faces3_rcv_from_vrml: 4 Kantenfehler (fehlende oder doppelte "
                              "Nachbardreiecke)"),
              std::string::npos)
        << messages();
    messages().clear();
    import(kHeader + "Cube {}", "cube.wrl");  // closed: no faults, no message
    EXPECT_EQ(messages(), "");
}

TEST_F(VrmlImport, NoSearchFlagLeavesTheNeighboursAlone) {
    faces3_set_nosearch(1);
    Faces3Koerper* k = import(kHeader + kSquare);
    faces3_set_nosearch(0);
    ASSERT_NE(k, nullptr);
    EXPECT_EQ(faces3_hat_nachbarn(k), 0);
    EXPECT_EQ(faces3_anzahl_punkte(k), 6);  // not shared without the search
    k = import(kHeader + kSquare, "b.wrl");
    EXPECT_EQ(faces3_hat_nachbarn(k), 1);
}

TEST_F(VrmlImport, TokenTextDumpOnRequest) {
    setenv("FACES3_VRML_STRING_WRL", "1", 1);
    const auto old = std::filesystem::current_path();
    std::filesystem::current_path(dir_);
    import(kHeader + "Cube { width 2 } # comment\n");
    std::filesystem::current_path(old);
    std::ifstream in(dir_ + "/string.wrl");
    const std::string dump((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_EQ(dump, "Cube\n{\nwidth\n2\n}\n");
}
