// CAD exports taken apart: the unwrapped copy keeps the user's film as its name and finds the
// contours beside it; a failed unwrap says what failed and names the user's film.
#include "film_model/cad_unwrap.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>
#include <string>

#include "film_model/anmneu_reader.h"

namespace {

std::string test_dir(const std::string& sub = "") {
    const std::string dir = testing::TempDir() + "cad_" +
                            testing::UnitTest::GetInstance()->current_test_info()->name() + "/";
    mkdir(dir.c_str(), 0755);
    if (!sub.empty()) mkdir((dir + sub).c_str(), 0755);
    return dir + (sub.empty() ? "" : sub + "/");
}

std::string write_file(const std::string& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
    return path;
}

// A film whose one symbol is a relative include, wrapped as a CAD tool exports it.
const char* kWrapped =
    "# CAD-Export Getriebe --- Koppel\n"
    "# Start ANMNEU-Datei\n"
    "# ANMNEU\n# 1\n# 1\n# 0\n# 10\n# 0\n# 10\n"
    "# --- Symbol-Dateien ---\n# begin 1\n# Lager\n# -\n# rot\n"
    "# i symbols/lager.ctr\n# end\n# #0\n# 1 2\n"
    "# Ende ANMNEU-Datei\n";

struct Messages {
    std::string text;
    film::ReportFn fn() {
        return [this](const std::string& m) { text += m + "\n"; };
    }
};

TEST(CadUnwrap, CopyReadsIncludesBesideTheUsersFilmAndNamesIt) {
    const std::string user_dir = test_dir("user");
    write_file(test_dir("user/symbols") + "lager.ctr", "m 0 0\nd 1 0\nd 1 1\nend\n");
    const std::string user = write_file(user_dir + "export.anm", kWrapped);
    // The copy lies elsewhere, with a decoy contour of the same relative name beside it.
    const std::string copy_dir = test_dir("copy");
    write_file(test_dir("copy/symbols") + "lager.ctr", "m 0 0\nend\n");
    const std::string copy = copy_dir + "KV_1234";
    Messages m;
    ASSERT_EQ(film::cad_unwrap_anmneu(user, copy, m.fn()), 0) << m.text;
    EXPECT_EQ(film::cad_unwrap_origin(copy), user);

    film::AnmneuFilm f;
    ASSERT_EQ(film::read_anmneu_film(copy, &f, m.fn()), 1) << m.text;
    EXPECT_EQ(f.name, user);
    ASSERT_EQ(f.symbols.size(), 1u);
    EXPECT_EQ(f.symbols[0].elements.size(), 3u);

    // A caller may name the user's film itself.
    const std::string plain = write_file(copy_dir + "plain.anm",
                                         "ANMNEU\n1\n1\n0\n10\n0\n10\n--- Symbol-Dateien ---\n"
                                         "begin 1\nL\n-\nrot\ni symbols/lager.ctr\nend\n#0\n1 2\n");
    ASSERT_EQ(film::read_anmneu_film(plain, &f, m.fn(), user), 1);
    EXPECT_EQ(f.name, user);
    EXPECT_EQ(f.symbols[0].elements.size(), 3u);
    ASSERT_EQ(film::read_anmneu_film(plain, &f, m.fn()), 1);
    EXPECT_EQ(f.name, plain);
    EXPECT_EQ(f.symbols[0].elements.size(), 1u);
    EXPECT_EQ(m.text, "");
}

TEST(CadUnwrap, FailuresSayWhatFailedAndNameTheUsersFilm) {
    const std::string user = write_file(test_dir() + "export.anm", kWrapped);
    Messages m;
    EXPECT_EQ(film::cad_unwrap_anmneu(user, test_dir() + "missing/KV_1", m.fn()), 1);
    EXPECT_NE(m.text.find(user), std::string::npos) << m.text;
    EXPECT_NE(m.text.find("No such file or directory"), std::string::npos) << m.text;

    // A full disk (a link to /dev/full): nothing half-written stays behind, the device itself
    // is left alone, and the copy is not taken for the film.
    m.text.clear();
    const std::string full = test_dir() + "KV_full";
    ASSERT_EQ(symlink("/dev/full", full.c_str()), 0);
    EXPECT_EQ(film::cad_unwrap_anmneu(user, full, m.fn()), 1);
    EXPECT_NE(m.text.find(user), std::string::npos) << m.text;
    EXPECT_NE(m.text.find("No space left on device"), std::string::npos) << m.text;
    EXPECT_EQ(film::cad_unwrap_origin(full), "");
    struct stat st;
    EXPECT_NE(lstat(full.c_str(), &st), 0);
    ASSERT_EQ(stat("/dev/full", &st), 0);
    EXPECT_TRUE(S_ISCHR(st.st_mode));

    m.text.clear();
    const std::string empty =
        write_file(test_dir() + "empty.anm", "# CAD-Export --- x\n# no film in here\n");
    EXPECT_EQ(film::cad_unwrap_anmneu(empty, test_dir() + "KV_2", m.fn()), 1);
    EXPECT_NE(m.text.find(empty + ": kein ANMNEU-Film"), std::string::npos) << m.text;
}

}  // namespace
