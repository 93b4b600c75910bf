// The backend's own dialogs, answered by the test robot: what they show and what comes back.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "mw31/qt/qt_dialogs.h"
#include "support/qt_test_events.h"

namespace mw31 {
namespace {

namespace fs = std::filesystem;

qt_test::DialogReply reply(bool accept, std::vector<std::string> files = {},
                           std::string text = {}) {
    qt_test::DialogReply r;
    r.accept = accept;
    r.files = std::move(files);
    r.text = std::move(text);
    return r;
}

class QtDialogs : public ::testing::Test {
  protected:
    void SetUp() override {
        qt_test::forget_dialogs();
        // Tests run in parallel processes: each needs a directory of its own.
        dir = fs::path(KV_BINARY_DIR) /
              ("qt_dialogs_guitest_" + std::to_string(getpid()) + "_" +
               ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir);
        fs::create_directories(dir);
    }
    void TearDown() override {
        qt_test::forget_dialogs();
        fs::remove_all(dir);
    }
    std::string make_file(const std::string& name) {
        const fs::path p = dir / name;
        std::ofstream(p) << "x\n";
        return p.string();
    }
    fs::path dir;
};

TEST_F(QtDialogs, YesNoBoxWithStopIcon) {
    qt_test::reply_to_next_dialog(reply(true));
    EXPECT_EQ(qt_message_box("kurvlab Version 1862", "Wirklich?", BoxButtons::YesNo, BoxIcon::Stop),
              BoxAnswer::Yes);
    qt_test::reply_to_next_dialog(reply(false));
    EXPECT_EQ(qt_message_box("t", "Wirklich?", BoxButtons::YesNo, BoxIcon::Stop), BoxAnswer::No);
    qt_test::reply_to_next_dialog(reply(true));
    EXPECT_EQ(qt_message_box("t", "Nur zur Info", BoxButtons::Ok, BoxIcon::Information),
              BoxAnswer::Ok);

    const auto seen = qt_test::dialogs_seen();
    ASSERT_EQ(seen.size(), 3u);
    EXPECT_EQ(seen[0].kind, "message");
    EXPECT_EQ(seen[0].title, "kurvlab Version 1862");
    EXPECT_EQ(seen[0].text, "Wirklich?");
    EXPECT_EQ(seen[0].icon, "stop");
    EXPECT_EQ(seen[0].buttons, (std::vector<std::string>{"yes", "no"}));
    EXPECT_EQ(seen[2].icon, "information");
    EXPECT_EQ(seen[2].buttons, (std::vector<std::string>{"ok"}));
}

TEST_F(QtDialogs, OpenDialogReturnsEveryChosenFile) {
    const std::string a = make_file("erster film.anm"), b = make_file("zweiter.anm");
    OpenFileRequest request;
    request.title = "Film waehlen";
    request.directory = dir.string();
    request.filter = "Filme|*.anm;*.flm|Alle Dateien|*.*|";
    request.multiple = true;
    qt_test::reply_to_next_dialog(reply(true, {a, b}));
    const std::vector<std::string> files = qt_open_file_dialog(request);
    EXPECT_EQ(files, (std::vector<std::string>{a, b})) << "names with blanks come back whole";

    const auto seen = qt_test::dialogs_seen();
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].kind, "open");
    EXPECT_EQ(seen[0].title, "Film waehlen");
    EXPECT_TRUE(seen[0].multiple);
    EXPECT_EQ(seen[0].filters,
              (std::vector<std::string>{"Filme (*.anm *.flm)", "Alle Dateien (*)"}));

    request.multiple = false;
    qt_test::reply_to_next_dialog(reply(true, {b}));
    EXPECT_EQ(qt_open_file_dialog(request), (std::vector<std::string>{b}));
    EXPECT_FALSE(qt_test::dialogs_seen().back().multiple);

    qt_test::reply_to_next_dialog(reply(false));
    EXPECT_TRUE(qt_open_file_dialog(request).empty()) << "cancelled";
}

TEST_F(QtDialogs, SaveDialogAsksBeforeOverwriting) {
    SaveFileRequest request;
    request.title = "kurvlab    Datei speichern / Save file";
    request.directory = dir.string();
    request.filter = "ANM-Dateien|*.anm|Alle Dateien|*.*|";
    const std::string fresh = (dir / "neu.anm").string();
    qt_test::reply_to_next_dialog(reply(true, {fresh}));
    EXPECT_EQ(qt_save_file_dialog(request), fresh);
    ASSERT_EQ(qt_test::dialogs_seen().size(), 1u) << "no question for a new name";
    EXPECT_EQ(qt_test::dialogs_seen()[0].kind, "save");
    EXPECT_EQ(qt_test::dialogs_seen()[0].title, request.title);

    const std::string old = make_file("alt.anm");
    qt_test::reply_to_next_dialog(reply(true, {old}));
    qt_test::reply_to_next_dialog(reply(true));  // yes, replace it
    EXPECT_EQ(qt_save_file_dialog(request), old);
    const auto seen = qt_test::dialogs_seen();
    ASSERT_EQ(seen.size(), 3u);
    EXPECT_EQ(seen[2].kind, "message") << "the overwrite question";
    EXPECT_NE(seen[2].text.find("alt.anm"), std::string::npos) << seen[2].text;

    request.overwrite_prompt = false;
    qt_test::forget_dialogs();
    qt_test::reply_to_next_dialog(reply(true, {old}));
    EXPECT_EQ(qt_save_file_dialog(request), old);
    EXPECT_EQ(qt_test::dialogs_seen().size(), 1u) << "no question asked";

    qt_test::reply_to_next_dialog(reply(false));
    EXPECT_EQ(qt_save_file_dialog(request), "");
}

TEST_F(QtDialogs, TextQuestion) {
    std::string text = "60";
    qt_test::reply_to_next_dialog(reply(true, {}, "72.5"));
    EXPECT_TRUE(qt_ask_text("Wunschtaktzahl eingeben", "Zieltaktzahl in 1/min: ", &text));
    EXPECT_EQ(text, "72.5");
    ASSERT_EQ(qt_test::dialogs_seen().size(), 1u);
    EXPECT_EQ(qt_test::dialogs_seen()[0].kind, "text");
    EXPECT_EQ(qt_test::dialogs_seen()[0].text, "Zieltaktzahl in 1/min: ");

    qt_test::reply_to_next_dialog(reply(false, {}, "99"));
    EXPECT_FALSE(qt_ask_text("t", "p", &text));
    EXPECT_EQ(text, "72.5") << "cancel leaves the text alone";
}

TEST_F(QtDialogs, ItemQuestionOffersItsItemsWithThePreset) {
    const std::vector<std::string> items = {"RLE8", "8 Bit", "24 Bit"};
    int chosen = 0;
    qt_test::reply_to_next_dialog(reply(true, {}, "24 Bit"));
    EXPECT_TRUE(qt_choose_item("Kompression", "Codec:", items, &chosen));
    EXPECT_EQ(chosen, 2);
    ASSERT_EQ(qt_test::dialogs_seen().size(), 1u);
    EXPECT_EQ(qt_test::dialogs_seen()[0].kind, "choice");
    EXPECT_EQ(qt_test::dialogs_seen()[0].title, "Kompression");

    chosen = 1;
    qt_test::reply_to_next_dialog(reply(false));
    EXPECT_FALSE(qt_choose_item("Kompression", "Codec:", items, &chosen));
    EXPECT_EQ(chosen, 1) << "cancel leaves the choice alone";
}

}  // namespace
}  // namespace mw31
