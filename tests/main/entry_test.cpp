// Options, head recognition, unwrapping and the open-dialog loop of the program's entry.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <sstream>

#include "film_model/cad_unwrap.h"
#include "film_out/merge_definition.h"
#include "main/command_line.h"
#include "main/film_kind.h"
#include "main/film_options.h"
#include "main/kurvlab_main.h"
#include "mw31/dialogs.h"

namespace {

using kurvlab::parse_film_options;

class TempDir {
  public:
    TempDir() {
        char tmpl[] = "/tmp/kv_entry_XXXXXX";
        path_ = mkdtemp(tmpl);
    }
    ~TempDir() { std::system(("rm -rf '" + path_ + "'").c_str()); }
    std::string file(const std::string& name, const std::string& content) const {
        const std::string p = path_ + "/" + name;
        std::ofstream(p, std::ios::binary) << content;
        return p;
    }
    const std::string& path() const { return path_; }

  private:
    std::string path_;
};

std::string slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

TEST(FilmOptions, DefaultsOverridesAndTheAppendedPause) {
    const auto d = parse_film_options({"kurvlab", "film.anm"});
    EXPECT_EQ(d.passes, 1000000);
    EXPECT_EQ(d.pause_ms, 5);
    EXPECT_EQ(d.memory_size, 0);
    EXPECT_DOUBLE_EQ(d.record_factor, 1.0);
    EXPECT_FALSE(d.convert);
    EXPECT_FALSE(d.passes_given);
    // -n given as the default count is still given: it plays where nobody can see it.
    EXPECT_TRUE(parse_film_options({"kurvlab", "film.anm", "-n1000000"}).passes_given);

    // The entry appends -p1 last, so it wins over the user's -p20.
    const auto o = parse_film_options({"kurvlab", "film.anm", "-p20", "-n3", "-c", "-f", "-p1"});
    EXPECT_EQ(o.pause_ms, 1);
    EXPECT_EQ(o.passes, 3);
    EXPECT_TRUE(o.convert);
    EXPECT_TRUE(o.convert_to_file);
    EXPECT_FALSE(o.stamp);
    EXPECT_TRUE(parse_film_options({"kurvlab", "film.anm", "--stamp", "-s100"}).stamp)
        << "window recordings stamped too";

    // Entry 1 is the film, never an option; unparsable numbers give 0; -cx is not -c.
    const auto f = parse_film_options({"kurvlab", "-n7", "-nabc", "-cx", "-s4096"});
    EXPECT_EQ(f.passes, 0);
    EXPECT_FALSE(f.convert);
    EXPECT_EQ(f.memory_size, 4096);
}

TEST(FilmOptions, RecordFactorIsAtLeastOneAndBounded) {
    EXPECT_DOUBLE_EQ(kurvlab::parse_record_factor({"kurvlab", "f", "-x0.5"}), 1.0);
    EXPECT_DOUBLE_EQ(kurvlab::parse_record_factor({"kurvlab", "f", "-x2.5"}), 2.5);
    EXPECT_DOUBLE_EQ(kurvlab::parse_record_factor({"kurvlab", "f", "-xnan"}), 1.0);
    // A huge factor would ask for pictures no memory can hold.
    EXPECT_LE(kurvlab::parse_record_factor({"kurvlab", "f", "-x1e9"}), 16.0);
}

bool usercoor_in(const std::string& bytes) {
    FILE* f = tmpfile();
    std::fwrite(bytes.data(), 1, bytes.size(), f);
    std::rewind(f);
    const bool found = kurvlab::contains_usercoor(f);
    std::fclose(f);
    return found;
}

TEST(FilmKind, UsercoorSearchFollowsTheAttemptRule) {
    EXPECT_TRUE(usercoor_in("xusercoor"));
    EXPECT_TRUE(usercoor_in("usercoor\n"));
    // The second u ends the first attempt and is not looked at again.
    EXPECT_FALSE(usercoor_in("uusercoor"));
    EXPECT_TRUE(usercoor_in("uusercoor usercoor"));
    EXPECT_FALSE(usercoor_in("usercoo"));
    EXPECT_FALSE(usercoor_in(""));
    // Only 1000 attempts: every non-matching byte costs one.
    EXPECT_TRUE(usercoor_in(std::string(999, 'z') + "usercoor"));
    EXPECT_FALSE(usercoor_in(std::string(1000, 'z') + "usercoor"));
}

TEST(FilmKind, HeadPadsShortFilesAndRecognisesCadWrappers) {
    TempDir dir;
    const std::string head = kurvlab::read_film_head(dir.file("short.anm", "ANMNEU\n"));
    ASSERT_EQ(head.size(), 80u);
    EXPECT_EQ(head.substr(0, 7), "ANMNEU\n");
    EXPECT_EQ(static_cast<unsigned char>(head[79]), 0xFF);
    EXPECT_TRUE(kurvlab::read_film_head(dir.path() + "/missing").empty());

    EXPECT_TRUE(kurvlab::is_cad_wrapper_head("# CAD-Export --- v2\n"));
    EXPECT_FALSE(kurvlab::is_cad_wrapper_head("# CAD-Export v2\n"));
    EXPECT_FALSE(kurvlab::is_cad_wrapper_head(" # CAD- --- \n"));
}

TEST(CadUnwrap, CopiesTheWrappedLinesLessTheirPrefix) {
    TempDir dir;
    const std::string src =
        dir.file("cad.txt",
                 "# CAD-Export --- mechanism\r\n# other\r\n# Start ANMNEU-Datei\r\n"
                 "# ANMNEU\r\n# 1\r\n#\r\n# Ende ANMNEU-Datei\r\n# tail\r\n");
    const std::string out = dir.path() + "/out.anm";
    ASSERT_EQ(film::cad_unwrap_anmneu(src, out), 0);
    EXPECT_EQ(slurp(out), "ANMNEU\n1\n\n");

    // Without " --- " in the first line, or without the start line, nothing is unwrapped.
    EXPECT_EQ(film::cad_unwrap_anmneu(dir.file("a", "# CAD-Export\n# Start ANMNEU-Datei\n"),
                                      dir.path() + "/o2"),
              1);
    EXPECT_EQ(film::cad_unwrap_anmneu(dir.file("b", "# CAD- --- \n# ANMNEU\n"), dir.path() + "/o3"),
              1);
    // An unterminated film ends with the file.
    ASSERT_EQ(film::cad_unwrap_anmneu(dir.file("c", "# CAD- --- \n# Start ANMNEU-Datei\n# X"),
                                      dir.path() + "/o4"),
              0);
    EXPECT_EQ(slurp(dir.path() + "/o4"), "X\n");
}

TEST(MergeDefinition, DetectedByNameFirstLineOrKeyShare) {
    TempDir dir;
    using film_out::merge_definition_detect;
    EXPECT_EQ(merge_definition_detect(dir.path() + "/any.TXT"), 1);
    EXPECT_EQ(merge_definition_detect(dir.file("a.def", "FLMVereinigung\nanything\n")), 1);
    EXPECT_EQ(merge_definition_detect(dir.file("b.def", "Film=/x/y.flm\n")), 1);
    EXPECT_EQ(merge_definition_detect(dir.file("c.def", "# comment\ndx = 5\nfilm=a.flm\nfoo\n")),
              1);
    EXPECT_EQ(merge_definition_detect(dir.file("d.def", "dx=1\nfoo\nbar\n")), 0);
    // Six or more lines need 90 % key lines: 9 of 10 is enough, 7 of 8 is not.
    EXPECT_EQ(merge_definition_detect(dir.file(
                  "e.def", "dx=1\ndy=1\ndw=1\ni=1\nphi=1\nkopien=2\nout=x\nn=3\nfilm=a\nfoo\n")),
              1);
    EXPECT_EQ(merge_definition_detect(
                  dir.file("e2.def", "dx=1\ndy=1\ndw=1\ni=1\nphi=1\nkopien=2\nfilm=a\nfoo\n")),
              0);
    EXPECT_EQ(merge_definition_detect(dir.file("f.def", "dx=1\ndy=1\ndw=1\ni=1\nfoo\nbar\n")), 0);
    // A first line of 255 characters or more is no definition.
    EXPECT_EQ(merge_definition_detect(dir.file("g.def", "film=" + std::string(300, 'a') + "\n")),
              0);
    // An empty file or a one-line film is no definition either.
    EXPECT_EQ(merge_definition_detect(dir.file("h.anm", "")), 0);
    EXPECT_EQ(merge_definition_detect(dir.file("i.anm", "l1,2,3,4,x")), 0);
    EXPECT_EQ(merge_definition_detect(dir.path() + "/missing.anm"), 0);
}

TEST(CommandLine, BatchOptionsAreTakenOutAndChecked) {
    const char* argv[] = {"kurvlab", "film.anm", "-n1",    "--output", "p.png",
                          "--frame", "4",        "--size", "640x480"};
    const auto cl = kurvlab::parse_command_line(9, const_cast<char**>(argv));
    ASSERT_TRUE(cl.error.empty()) << cl.error;
    EXPECT_EQ(cl.film_args, (std::vector<std::string>{"kurvlab", "film.anm", "-n1"}));
    EXPECT_EQ(cl.batch.output_png, "p.png");
    EXPECT_EQ(cl.batch.frame, 4);
    EXPECT_EQ(cl.batch.width, 640);
    EXPECT_EQ(cl.batch.height, 480);

    const char* bad_size[] = {"kurvlab", "f", "--size", "640"};
    EXPECT_FALSE(kurvlab::parse_command_line(4, const_cast<char**>(bad_size)).error.empty());
    const char* bad_sub[] = {"kurvlab", "f", "--output", "x.png", "--phi", "10", "--substep", "10"};
    EXPECT_FALSE(kurvlab::parse_command_line(8, const_cast<char**>(bad_sub)).error.empty());
    const char* no_film[] = {"kurvlab", "--info"};
    EXPECT_FALSE(kurvlab::parse_command_line(2, const_cast<char**>(no_film)).error.empty());
    const char* missing_value[] = {"kurvlab", "f", "--frame"};
    EXPECT_FALSE(kurvlab::parse_command_line(3, const_cast<char**>(missing_value)).error.empty());
}

TEST(EntryLoop, CancelEndsAtOnceAndTheDialogReopensInTheFilmsDirectory) {
    mw31::clear_dialog_hooks();
    mw31::queue_dialog_answer({mw31::BoxAnswer::Cancel, {}, {}});
    EXPECT_EQ(kurvlab::kurvlab_main({"kurvlab"}), 0);
    ASSERT_EQ(mw31::shown_dialogs().size(), 1u);
    EXPECT_EQ(mw31::shown_dialogs()[0].kind, "open");

    mw31::clear_dialog_hooks();
    mw31::queue_dialog_answer({mw31::BoxAnswer::Ok, {"/no/such/dir/film.anm"}, {}});
    mw31::queue_dialog_answer({mw31::BoxAnswer::Cancel, {}, {}});
    EXPECT_EQ(kurvlab::kurvlab_main({"kurvlab"}), 0);
    std::vector<std::string> opened;
    for (const auto& d : mw31::shown_dialogs())
        if (d.kind == "open") opened.push_back(d.text);
    ASSERT_EQ(opened.size(), 2u);
    EXPECT_EQ(opened[1], "/no/such/dir");
    mw31::clear_dialog_hooks();
}

TEST(EntryLoop, CutLastComponent) {
    EXPECT_EQ(kurvlab::cut_last_component("/a/b/c.anm"), "/a/b");
    EXPECT_EQ(kurvlab::cut_last_component("C:\\TARVO\\x.flm"), "C:\\TARVO");
    EXPECT_EQ(kurvlab::cut_last_component("name"), "");
}

}  // namespace
