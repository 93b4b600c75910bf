// Tests of the triangle-list reader: header lines, factor, placement, neighbour lines,
// the triangle count, stream positioning and damaged input.
#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <sstream>
#include <string>

#include "faces3/faces3.h"
#include "faces3_test_util.h"

namespace {

using Body = std::unique_ptr<Faces3Koerper, f3test::BodyDeleter>;

const char* kTwo =
    "1 0 0  0 1 0  0 0 0\n"
    "1 0 0  1 1 0  0 1 0\n";

Body read(const std::string& text) {
    std::istringstream in(text);
    return Body(faces3_rcv_from_triangles(in));
}

double px(const Faces3Koerper* k, int i, int a) {
    double p[3];
    faces3_get_punkt(k, i, p);
    return p[a];
}

TEST(TriangleList, FactorAndPlacement) {
    f3test::QuietTerminal quiet;
    Body mm = read(std::string("triangles\n") + kTwo + "end_triangles\n");
    ASSERT_TRUE(mm);
    EXPECT_DOUBLE_EQ(px(mm.get(), 0, 0), 0.001);  // millimetres by default
    EXPECT_STREQ(faces3_koerper_name(mm.get()), "triangles");
    EXPECT_STREQ(faces3_flaeche_name(mm.get(), 0), "triangles/oberflaeche");
    EXPECT_EQ(faces3_get_typ(mm.get()), FACES3_TYP_NETZ);
    Body one = read(std::string("f 1\n") + kTwo);
    EXPECT_DOUBLE_EQ(px(one.get(), 0, 0), 1.0);
    Body tiny = read(std::string("f 0\n") + kTwo);  // below 1e-12: millimetres again
    EXPECT_DOUBLE_EQ(px(tiny.get(), 0, 0), 0.001);
    // Placement: origin (10, 0, 0), x axis along y.
    Body placed = read(std::string("f 1\nt 10 0 0  0 1 0  -1 0 0  0 0 1\n") + kTwo);
    EXPECT_DOUBLE_EQ(px(placed.get(), 0, 0), 10);
    EXPECT_DOUBLE_EQ(px(placed.get(), 0, 1), 1);
    // A "t" among the data replaces the placement for the following triangles.
    Body moved = read(std::string("f 1\n") + "1 0 0 0 1 0 0 0 0\nt 0 0 5 1 0 0 0 1 0 0 0 1\n" +
                      "1 0 0 0 1 0 0 0 0\n");
    EXPECT_EQ(faces3_anzahl_punkte(moved.get()), 6);
    EXPECT_DOUBLE_EQ(px(moved.get(), 5, 2), 5);
}

TEST(TriangleList, CountAndCapacities) {
    f3test::QuietTerminal quiet;
    Body two = read(std::string("n 2\n") + kTwo + "5 5 5 6 5 5 5 6 5\nend_triangles\n");
    ASSERT_TRUE(two);
    EXPECT_EQ(faces3_anzahl_dreiecke(two.get()), 2);
    int np, nk, nd, nf;
    faces3_kapazitaeten(two.get(), &np, &nk, &nd, &nf);
    EXPECT_EQ(np, 6);
    EXPECT_EQ(nk, 6);
    EXPECT_EQ(nd, 2);
    EXPECT_EQ(nf, 2);
    // "n 0" discards the header so far (the factor too).
    Body reset = read(std::string("f 1\nn 0\n") + kTwo);
    EXPECT_DOUBLE_EQ(px(reset.get(), 0, 0), 0.001);
    faces3_kapazitaeten(reset.get(), &np, nullptr, &nd, nullptr);
    EXPECT_EQ(np, FACES3_MAXPUNKTE);
    // Huge counts do not overflow the capacities.
    Body huge = read(std::string("n 2000000000\n") + kTwo);
    faces3_kapazitaeten(huge.get(), &np, nullptr, &nd, nullptr);
    EXPECT_EQ(nd, 2000000000);
    EXPECT_GT(np, 0);
}

TEST(TriangleList, NoBodyCases) {
    f3test::QuietTerminal quiet;
    EXPECT_FALSE(read("end_triangles\n1 0 0 0 1 0 0 0 0\n"));
    EXPECT_FALSE(read("triangles\nn 3\n\n1 0 0 0 1 0 0 0 0\n"));
    EXPECT_FALSE(read("triangles\nf 1\n"));
    EXPECT_FALSE(read(""));
    EXPECT_EQ(faces3_rcv_from_triangles("/nonexistent/dir/file.tri"), nullptr);
    EXPECT_EQ(faces3_rcv_from_triangles(static_cast<std::FILE*>(nullptr)), nullptr);
}

TEST(TriangleList, NeighbourLinesOnlyWithoutSearch) {
    f3test::QuietTerminal quiet;
    // Neighbours given on purpose "wrong" (1 across every edge) to see whose they are.
    const std::string text =
        std::string("n 2\n") + kTwo + "N 0 1 1 1\nN 1 0 -1 -1\nend_triangles\n";
    faces3_set_nosearch(1);
    Body given = read(text);
    faces3_set_nosearch(0);
    ASSERT_TRUE(given);
    const Faces3Dreieck* d = faces3_get_dreieck(given.get(), 0);
    EXPECT_EQ(d->nachbar[0], 1);
    EXPECT_EQ(d->nachbar[2], 1);
    EXPECT_EQ(faces3_get_dreieck(given.get(), 1)->nachbar[1], -1);
    EXPECT_EQ(faces3_anzahl_punkte(given.get()), 6);  // points not merged
    Body computed = read(text);
    d = faces3_get_dreieck(computed.get(), 0);
    EXPECT_EQ(d->nachbar[0], 1);  // computed: only the shared edge has a neighbour
    EXPECT_EQ(d->nachbar[1], -1);
    EXPECT_EQ(d->nachbar[2], -1);
    EXPECT_EQ(faces3_anzahl_punkte(computed.get()), 4);
}

TEST(TriangleList, SplitsTJunctionsWhenSearching) {
    f3test::QuietTerminal quiet;
    // The second triangle's corner (1, 0.5, 0) lies inside the first's edge.
    Body k = read("f 1\n0 0 0 2 0 0 1 1 0\n1 0.5 0 2 1 0 1.5 1 0\n");
    ASSERT_TRUE(k);
    EXPECT_EQ(faces3_anzahl_dreiecke(k.get()), 2);  // point not on the edge: no split
    Body t = read("f 1\n0 0 0 2 0 0 1 2 0\n2 0 0 3 1 0 1.5 1 0\n");
    EXPECT_EQ(faces3_anzahl_dreiecke(t.get()), 3);
}

TEST(TriangleList, OpenStreamIsLeftAfterTheEndLine) {
    f3test::QuietTerminal quiet;
    const std::string text = std::string("triangles\n") + kTwo + "end_triangles\nnext line\n";
    std::FILE* fp = std::tmpfile();
    ASSERT_NE(fp, nullptr);
    std::fputs(text.c_str(), fp);
    std::rewind(fp);
    Body k(faces3_rcv_from_triangles(nullptr, fp, 1));
    ASSERT_TRUE(k);
    char rest[64] = {0};
    ASSERT_NE(std::fgets(rest, sizeof rest, fp), nullptr);
    EXPECT_STREQ(rest, "next line\n");
    std::fclose(fp);
    std::istringstream in(text);
    Body s(faces3_rcv_from_triangles(in));
    std::string line;
    std::getline(in, line);
    EXPECT_EQ(line, "next line");
    // Even without a body the list is consumed up to its end line.
    std::istringstream empty("triangles\n\n1 0 0 0 1 0 0 0 0\nend_triangles\nafter\n");
    EXPECT_EQ(faces3_rcv_from_triangles(empty), nullptr);
    std::getline(empty, line);
    EXPECT_EQ(line, "after");
}

TEST(TriangleList, FromFileName) {
    f3test::QuietTerminal quiet;
    const std::string name = std::string(KV_BINARY_DIR) + "/faces3_triangles_test.tri";
    std::FILE* fp = std::fopen(name.c_str(), "wb");
    ASSERT_NE(fp, nullptr);
    std::fputs("f 1\r\n1 0 0 0 1 0 0 0 0\r\nend_triangles\r\n", fp);  // CRLF lines
    std::fclose(fp);
    Body k(faces3_rcv_from_triangles(name.c_str()));
    ASSERT_TRUE(k);
    EXPECT_EQ(faces3_anzahl_dreiecke(k.get()), 1);
    EXPECT_DOUBLE_EQ(px(k.get(), 0, 0), 1);
    std::remove(name.c_str());
}

TEST(TriangleList, DamagedLinesAreSkipped) {
    f3test::QuietTerminal quiet;
    Body k = read(
        "f 1\n"
        "1 0 0 0 1 0 0 0\n"                 // truncated
        "1 0 0 0 1 0 0 0 x\n"               // not a number
        "nan 0 0 0 1 0 0 0 0\n"             // NaN: inserted, matches nothing
        "1e308 0 0 -1e308 1 0 0 0 1e999\n"  // out of range
        "0 0 0 0 0 0 0 0 0\n"               // degenerate: refused
        "N 0 0 0 0\n"                       // ignored while searching
        "5 0 0 6 0 0 5 1 0 trailing\n"
        "2 0 0 3 0 0 2 1 0\n"
        "end_triangles\n");
    ASSERT_TRUE(k);
    EXPECT_EQ(faces3_anzahl_dreiecke(k.get()), 3);
}

}  // namespace
