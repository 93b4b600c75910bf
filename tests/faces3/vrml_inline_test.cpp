// WWWInline expansion: files named relative to the top-level file, nested inlines, and the
// failures (missing file, wrong header, self-inclusion) that drop a node but not the rest.
#include "faces3/vrml_inline.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <fstream>
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

const std::string kTriangle =
    "Coordinate3 { point [ 0 0 0, 1 0 0, 0 1 0 ] }\n"
    "IndexedFaceSet { coordIndex [ 0, 1, 2, -1 ] }\n";

}  // namespace

class VrmlInline : public VrmlTest {};

TEST_F(VrmlInline, NestedInlinesAreNamedFromTheTopLevelDirectory) {
    write("parts/a.wrl", kHeader + "Separator { WWWInline { name \"parts/b.wrl\" } }\n");
    write("parts/b.wrl", kHeader + "Translation { translation 5 0 0 }\n" + kTriangle);
    const std::string top =
        write("top.wrl", kHeader +
                             "Separator {\n  WWWInline { name \"parts/a.wrl\"\n"
                             "    bboxSize 1 1 1 }\n} # WWWInline { name \"nothing.wrl\" }\n");
    const std::string target = dir_ + "/out.wrl";
    ASSERT_EQ(faces3_vrml_treat_wwwinline(top.c_str(), target.c_str()), 0) << messages();
    const std::string out = read(target);
    EXPECT_EQ(out.rfind("#VRML V1.0 ascii\n", 0), 0u);
    EXPECT_EQ(out.find("name \"parts/"), std::string::npos) << out;
    EXPECT_NE(out.find("# WWWInline { name \"nothing.wrl\" }"), std::string::npos) << out;
    EXPECT_NE(out.find("translation 5 0 0"), std::string::npos) << out;
    EXPECT_NE(terminal().find("VRML wwwinline include " + dir_ + "/parts/a.wrl\n"),
              std::string::npos);
    EXPECT_NE(terminal().find("VRML wwwinline include " + dir_ + "/parts/b.wrl\n"),
              std::string::npos);

    Faces3Koerper* k = keep(faces3_rcv_from_vrml(top.c_str()));
    ASSERT_NE(k, nullptr);
    EXPECT_EQ(faces3_anzahl_dreiecke(k), 1);
    EXPECT_NEAR(bbox(k).xmin, 5.0, 1e-12);
}

TEST_F(VrmlInline, WordsKeepTheirLinesAndInlinesMayBeWrittenCompactly) {
    write("b.wrl", kHeader + "Cube {}\n");
    const std::string top = write(
        "top.wrl", kHeader + "Separator {WWWInline{name 'b.wrl'}\n  Info { string \"a  b\" }\n}");
    const std::string target = dir_ + "/out.wrl";
    ASSERT_EQ(faces3_vrml_treat_wwwinline(top.c_str(), target.c_str()), 0);
    // A word is preceded by a line break where the source had one, else by a blank; an
    // included file without inlines is copied whole.
    EXPECT_EQ(read(target),
              "#VRML V1.0 ascii\n Separator {\nCube {}\n\nInfo { string \"a  b\" }\n}\n");
}

TEST_F(VrmlInline, ProblemsDropTheNodeButKeepTheRest) {
    write("v2.wrl", "#VRML V2.0 utf8\nShape {}\n");
    write("parts/x.wrl", kHeader);  // makes "parts" a directory
    write("self.wrl", kHeader + "WWWInline { name \"self.wrl\" }\n" + kTriangle);
    const std::string top =
        write("top.wrl", kHeader + "WWWInline { name \"missing.wrl\" }\n" +
                             "WWWInline { name \"../../dev/zero\" }\n" +
                             "WWWInline { name \"parts\" }\n" + "WWWInline { name \"v2.wrl\" }\n" +
                             "WWWInline { name \"self.wrl\" }\n" + kTriangle);
    Faces3Koerper* k = keep(faces3_rcv_from_vrml(top.c_str()));
    ASSERT_NE(k, nullptr);
    EXPECT_NE(messages().find("faces3_treat_wwwinline Datei/File " + dir_ +
                              "/missing.wrl: kann nicht geoeffnet werden / cannot be opened"),
              std::string::npos)
        << messages();
    // A device or a directory is no file to read (/dev/zero would never end).
    EXPECT_NE(messages().find("/../../dev/zero: kann nicht geoeffnet werden"), std::string::npos);
    EXPECT_NE(messages().find(dir_ + "/parts: kann nicht geoeffnet werden"), std::string::npos);
    EXPECT_NE(messages().find("faces3_vrml_do_treat_wwwinline: " + dir_ +
                              "/v2.wrl ist keine VRML1.0-Datei"),
              std::string::npos);
    EXPECT_NE(messages().find("schliesst sich selbst ein"), std::string::npos);
    // The self-including file is read once, then the top-level triangle follows.
    EXPECT_EQ(faces3_anzahl_dreiecke(k), 2);
    EXPECT_EQ(faces3_anzahl_flaechen(k), 2);
}

TEST_F(VrmlInline, ExpansionFailuresFallBackToTheFileItself) {
    // "WWWInline" without a brace stops the expansion; the file is then read as it is.
    const std::string top = write("top.wrl", kHeader + kTriangle + "WWWInline name\n");
    Faces3Koerper* k = keep(faces3_rcv_from_vrml(top.c_str()));
    ASSERT_NE(k, nullptr);
    EXPECT_EQ(faces3_anzahl_dreiecke(k), 1);
    EXPECT_NE(messages().find("faces3_rcv_from_vrml: { expected"), std::string::npos);
    EXPECT_EQ(faces3_vrml_treat_wwwinline(top.c_str(), (dir_ + "/o.wrl").c_str()), 1);
    // A source that is no VRML 1.0 file, and a target that cannot be written.
    const std::string v2 = write("v2.wrl", "#VRML V2.0 utf8\n");
    messages().clear();
    EXPECT_EQ(faces3_vrml_treat_wwwinline(v2.c_str(), (dir_ + "/o.wrl").c_str()), 1);
    EXPECT_NE(messages().find("faces3_rcv_from_vrml: " + v2 + " ist keine VRML1.0-Datei"),
              std::string::npos);
    const std::string ok = write("ok.wrl", kHeader + kTriangle);
    messages().clear();
    EXPECT_EQ(faces3_vrml_treat_wwwinline(ok.c_str(), (dir_ + "/no/such/dir/o.wrl").c_str()), 1);
    EXPECT_NE(messages().find("faces3_vrml_treat_wwwinline Datei/File " + dir_ +
                              "/no/such/dir/o.wrl: kann nicht geoeffnet werden"),
              std::string::npos);
}

TEST_F(VrmlInline, BackslashesInNamesAndAFileWithoutDirectory) {
    write("parts/p.wrl", kHeader + kTriangle);
    const std::string top = write("top.wrl", kHeader + "WWWInline { name \"parts\\p.wrl\" }\n");
    Faces3Koerper* k = keep(faces3_rcv_from_vrml(top.c_str()));
    ASSERT_NE(k, nullptr);
    EXPECT_EQ(faces3_anzahl_dreiecke(k), 1) << messages();
    // Without a directory part the names are used as they stand (relative to the cwd).
    const auto old = std::filesystem::current_path();
    std::filesystem::current_path(dir_);
    k = keep(faces3_rcv_from_vrml("top.wrl"));
    std::filesystem::current_path(old);
    ASSERT_NE(k, nullptr);
    EXPECT_EQ(faces3_anzahl_dreiecke(k), 1);
}

TEST_F(VrmlInline, DeepChainsAndGrowingTreesOfInlinesAreCut) {
    // A chain of 80 files, each including the next: cut at the nesting limit.
    for (int i = 0; i < 80; ++i)
        write("c" + std::to_string(i) + ".wrl",
              kHeader + "WWWInline { name \"c" + std::to_string(i + 1) + ".wrl\" }\n");
    write("c80.wrl", kHeader + kTriangle);
    Faces3Koerper* k = keep(faces3_rcv_from_vrml((dir_ + "/c0.wrl").c_str()));
    ASSERT_NE(k, nullptr);
    EXPECT_NE(messages().find("zu tief verschachtelt"), std::string::npos);
    EXPECT_EQ(faces3_anzahl_dreiecke(k), 0);

    // Every level including the next one twice: 2^12 inclusions, cut at the file limit.
    messages().clear();
    for (int i = 0; i < 12; ++i) {
        const std::string next = "t" + std::to_string(i + 1) + ".wrl";
        write("t" + std::to_string(i) + ".wrl", kHeader + "WWWInline { name \"" + next +
                                                    "\" }\nWWWInline { name \"" + next + "\" }\n");
    }
    write("t12.wrl", kHeader + kTriangle);
    k = keep(faces3_rcv_from_vrml((dir_ + "/t0.wrl").c_str()));
    ASSERT_NE(k, nullptr);
    EXPECT_NE(messages().find("zu viele WWWInline-Dateien (max. 1024)"), std::string::npos);
}

// The running program hands its private folder over through the environment; the expansion
// goes there, and nowhere when the program has no folder.
TEST_F(VrmlInline, TheExpansionGoesToTheProgramsPrivateFolder) {
    struct Unset {
        ~Unset() { unsetenv("KURVLAB_PRIVATE_TMPDIR"); }
    } unset_afterwards;
    const std::string own = dir_ + "/kurvlab-1-abcdef";
    std::filesystem::create_directory(own);
    setenv("KURVLAB_PRIVATE_TMPDIR", own.c_str(), 1);
    EXPECT_EQ(faces3_vrml::vrml_temp_dir(), own);
    Faces3Koerper* k = import(kHeader + kTriangle, "a.wrl");
    ASSERT_NE(k, nullptr);
    EXPECT_NE(read(own + "/vrml_import.wrl").find(kTriangle), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(dir_ + "/vrml_import.wrl"));

    setenv("KURVLAB_PRIVATE_TMPDIR", "", 1);
    EXPECT_EQ(faces3_vrml::vrml_temp_dir(), "");
    EXPECT_NE(import(kHeader + kTriangle, "b.wrl"), nullptr);
    EXPECT_FALSE(std::filesystem::exists(dir_ + "/vrml_import.wrl"));
    EXPECT_FALSE(std::filesystem::exists("/vrml_import.wrl"));
    unsetenv("KURVLAB_PRIVATE_TMPDIR");
    EXPECT_EQ(faces3_vrml::vrml_temp_dir(), dir_);
}

TEST_F(VrmlInline, ACopyThatCannotBeWrittenIsSaid) {
    const std::string top = write("top.wrl", kHeader + kTriangle);
    // A link to /dev/full: the open works and the writing fails.
    const std::string target = dir_ + "/full.wrl";
    ASSERT_EQ(symlink("/dev/full", target.c_str()), 0);
    EXPECT_EQ(faces3_vrml_treat_wwwinline(top.c_str(), target.c_str()), 1);
    EXPECT_NE(messages().find("cannot be written: No space left on device"), std::string::npos)
        << messages();
}
