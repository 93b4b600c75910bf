// The text question with buttons of its own names, as the target-cycle dialog asks it.
#include <gtest/gtest.h>

#include <algorithm>

#include "mw31/qt/qt_dialogs.h"
#include "support/qt_test_events.h"

namespace mw31 {
namespace {

bool has(const std::vector<std::string>& v, const std::string& s) {
    return std::find(v.begin(), v.end(), s) != v.end();
}

TEST(QtTextRequest, NamedButtonsPresetTextAndCancel) {
    qt_test::forget_dialogs();
    TextRequest request;
    request.title = "Wunschtaktzahl eingeben";
    request.prompt = "Zieltaktzahl in 1/min: ";
    request.ok_text = "OK";
    request.cancel_text = "Abbruch";
    std::string text = "30";
    qt_test::DialogReply yes;
    yes.text = "45.5";
    qt_test::reply_to_next_dialog(yes);
    EXPECT_TRUE(qt_ask_text_request(request, &text));
    EXPECT_EQ(text, "45.5");
    ASSERT_EQ(qt_test::dialogs_seen().size(), 1u);
    const qt_test::DialogSeen seen = qt_test::dialogs_seen()[0];
    EXPECT_EQ(seen.kind, "text");
    EXPECT_EQ(seen.title, "Wunschtaktzahl eingeben");
    EXPECT_EQ(seen.text, "Zieltaktzahl in 1/min: ");
    EXPECT_EQ(seen.preset, "30");
    EXPECT_TRUE(has(seen.buttons, "OK")) << seen.buttons.size();
    EXPECT_TRUE(has(seen.buttons, "Abbruch"));
    EXPECT_FALSE(has(seen.buttons, "Cancel"));

    qt_test::DialogReply no;
    no.accept = false;
    no.text = "99";
    qt_test::reply_to_next_dialog(no);
    EXPECT_FALSE(qt_ask_text_request(request, &text));
    EXPECT_EQ(text, "45.5") << "Abbruch leaves the text alone";
}

}  // namespace
}  // namespace mw31
