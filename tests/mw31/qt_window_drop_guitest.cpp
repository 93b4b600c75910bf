// Files dropped onto a window: real Qt drag-and-drop events in, Dropped messages out. Only a
// window that takes drops gets them, and only local files count.
#include <gtest/gtest.h>
#include <unistd.h>

#include <QApplication>
#include <QDropEvent>
#include <QMimeData>
#include <QUrl>
#include <filesystem>
#include <fstream>

#include "mw31/message_queue.h"
#include "mw31/qt/qt_window.h"

namespace mw31 {
namespace {

namespace fs = std::filesystem;

std::vector<Message> g_got;
void keep(Window&, const Message& m, void*) {
    g_got.push_back(m);
}

class QtWindowDrop : public ::testing::Test {
  protected:
    void SetUp() override {
        g_got.clear();
        dir = fs::path(::testing::TempDir()) / ("drop_" + std::to_string(getpid()));
        fs::remove_all(dir);
        fs::create_directories(dir / "ordner");
        std::ofstream(dir / "film eins.anm") << "F\n";
        std::ofstream(dir / "zwei.flm") << "F\n";
    }
    void TearDown() override {
        service_messages();
        g_got.clear();
        fs::remove_all(dir);
    }
    std::unique_ptr<QtWindow> window(bool drops) {
        WindowSpec setup;
        setup.proc = keep;
        setup.accepts_drops = drops;
        auto w = std::make_unique<QtWindow>(setup);
        w->show(ShowMode::Normal);
        return w;
    }
    static QUrl file_url(const fs::path& p) {
        return QUrl::fromLocalFile(QString::fromStdString(p));
    }
    // Enter, then drop; true when the enter was accepted.
    static bool drag_and_drop(QtWindow& w, const QList<QUrl>& urls) {
        QMimeData data;
        data.setUrls(urls);
        const QPointF at(20, 40);
        QDragEnterEvent enter(at.toPoint(), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(w.frame(), &enter);
        QDropEvent drop(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(w.frame(), &drop);
        service_messages();
        return enter.isAccepted();
    }
    std::vector<Message> dropped() const {
        std::vector<Message> out;
        for (const Message& m : g_got)
            if (m.kind == MessageKind::Dropped) out.push_back(m);
        return out;
    }
    fs::path dir;
};

TEST_F(QtWindowDrop, LocalFilesArriveAsOneMessageWithTheirFullPathsInOrder) {
    EXPECT_FALSE(window(false)->frame()->acceptDrops()) << "Qt then never hands it a drop";
    auto w = window(true);
    EXPECT_TRUE(w->frame()->acceptDrops());
    const QList<QUrl> urls{file_url(dir / "zwei.flm"), QUrl(QStringLiteral("https://x.org/a.anm")),
                           file_url(dir / "ordner"), file_url(dir / "film eins.anm"),
                           file_url(dir / "gibt es nicht.anm")};
    EXPECT_TRUE(drag_and_drop(*w, urls));
    const std::vector<Message> got = dropped();
    ASSERT_EQ(got.size(), 1u);
    EXPECT_EQ(got[0].window, w.get());
    EXPECT_EQ(got[0].files, (std::vector<std::string>{(dir / "zwei.flm").string(),
                                                      (dir / "film eins.anm").string()}));
}

TEST_F(QtWindowDrop, NothingThatCouldBeAFilmIsRefusedAndSaysNothing) {
    auto w = window(true);
    EXPECT_FALSE(
        drag_and_drop(*w, {QUrl(QStringLiteral("https://x.org/a.anm")), file_url(dir / "ordner")}));
    EXPECT_TRUE(dropped().empty());
}

TEST_F(QtWindowDrop, ShownAsFollowsTheWindow) {
    auto w = window(true);
    EXPECT_EQ(w->shown_as(), ShowMode::Normal);
    w->show(ShowMode::Maximized);
    EXPECT_EQ(w->shown_as(), ShowMode::Maximized);
    w->show(ShowMode::FullScreen);
    EXPECT_EQ(w->shown_as(), ShowMode::FullScreen);
    w->show(ShowMode::Hidden);
    EXPECT_EQ(w->shown_as(), ShowMode::Hidden);
}

}  // namespace
}  // namespace mw31
