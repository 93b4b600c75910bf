// Qt windows: tool bar buttons by command number, and real Qt events turned into queued
// messages (commands, keys, mouse, size, close, timers).
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <string>
#include <vector>

#include "mw31/backend.h"
#include "mw31/message_queue.h"
#include "mw31/qt/qt_backend.h"
#include "mw31/window.h"
#include "support/qt_test_events.h"

namespace mw31 {
namespace {

// Takes every queued message without dispatching it.
std::vector<Message> drain() {
    std::vector<Message> out;
    Message m;
    while (peek_message(&m, true)) out.push_back(m);
    return out;
}

std::vector<Message> of_kind(const std::vector<Message>& all, MessageKind kind) {
    std::vector<Message> out;
    for (const Message& m : all)
        if (m.kind == kind) out.push_back(m);
    return out;
}

// Pumps until a message of the kind arrives or a generous time is over.
std::vector<Message> pump_until(MessageKind kind, int max_ms = 3000) {
    std::vector<Message> seen;
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(max_ms);
    while (std::chrono::steady_clock::now() < end) {
        backend()->process_events(true, 20);
        for (const Message& m : drain()) seen.push_back(m);
        if (!of_kind(seen, kind).empty()) break;
    }
    return seen;
}

class QtWindowTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_NE(backend(), nullptr);
        WindowSpec window_spec;
        window_spec.client_width = 320;
        window_spec.client_height = 200;
        window_spec.icon = "kvfilm";
        window = create_window(window_spec);
        ASSERT_NE(window, nullptr);
        drain();
    }
    void TearDown() override {
        window.reset();
        drain();
    }
    std::unique_ptr<Window> window;
};

TEST_F(QtWindowTest, StartsWithTheClientSizeAskedFor) {
    EXPECT_EQ(window->client_rect(), (Rect{0, 0, 320, 200}));
    EXPECT_EQ(window->canvas().width(), 320);
    EXPECT_EQ(window->canvas().height(), 200);
    window->show(ShowMode::Normal);
    backend()->process_events(false, 0);
    EXPECT_TRUE(qt_test::is_shown(*window));
    EXPECT_EQ(window->client_rect(), (Rect{0, 0, 320, 200}))
        << "the tool bar's room comes on top of the client area";
    EXPECT_EQ(qt_test::client_widget_rect(*window), window->client_rect());
    const Rect outer = window->window_rect();
    EXPECT_GE(outer.height(), 200 + 10);
    const char* platform = std::getenv("QT_QPA_PLATFORM");
    if (platform && std::string(platform) == "offscreen") {
        EXPECT_FALSE(backend()->has_display());
    }
}

TEST_F(QtWindowTest, ToolBarButtonsAreAddressedByCommand) {
    window->toolbar_add(10, "anm_avi", "AVI Export");
    window->toolbar_add(1, "anm_ende", "End");
    window->toolbar_add(77, "no_such_bitmap", "Nur Text");
    EXPECT_TRUE(window->toolbar_has(1));
    EXPECT_FALSE(window->toolbar_has(2));
    EXPECT_EQ(window->toolbar_bitmap(10), "anm_avi");
    EXPECT_EQ(window->toolbar_bitmap(2), "");

    qt_test::ButtonLook avi = qt_test::button_look(*window, 10);
    EXPECT_TRUE(avi.has_icon);
    EXPECT_EQ(avi.tooltip, "AVI Export");
    EXPECT_EQ(avi.position, 0);
    const qt_test::ButtonLook text = qt_test::button_look(*window, 77);
    EXPECT_FALSE(text.has_icon);
    EXPECT_EQ(text.text, "Nur Text") << "no bitmap: the caption is shown";
    EXPECT_EQ(text.position, 2);

    // Swapped in place: same place, new bitmap and caption.
    window->toolbar_set(1, "anm_go", "Stop+Start");
    EXPECT_EQ(window->toolbar_bitmap(1), "anm_go");
    qt_test::ButtonLook end = qt_test::button_look(*window, 1);
    EXPECT_EQ(end.position, 1);
    EXPECT_EQ(end.tooltip, "Stop+Start");
    window->toolbar_set(55, "anm_go", "x");  // unknown command: nothing happens
    EXPECT_FALSE(window->toolbar_has(55));

    // Adding a command twice keeps one button.
    window->toolbar_add(1, "anm_stop", "Stop+Start");
    EXPECT_EQ(qt_test::button_look(*window, 1).position, 1);
    EXPECT_EQ(window->toolbar_bitmap(1), "anm_stop");

    window->toolbar_remove(10);
    EXPECT_FALSE(window->toolbar_has(10));
    EXPECT_FALSE(qt_test::button_look(*window, 10).exists);
    EXPECT_EQ(qt_test::button_look(*window, 1).position, 0);
    window->toolbar_remove(10);  // twice: harmless
    window->toolbar_add(10, "anm_avi", "AVI Export");
    EXPECT_EQ(qt_test::button_look(*window, 10).position, 2) << "added again at the end";
}

TEST_F(QtWindowTest, EveryBitmapNameHasAnIcon) {
    const char* names[] = {"anm_avi",  "anm_ende", "anm_sngl", "anm_dlf",  "anm_dir",  "anm_slow",
                           "anm_fast", "anm_init", "anm_inv",  "anm_hcpy", "anm_info", "anm_save",
                           "anm_dxf",  "anm_flm",  "anm_go",   "anm_stop", "anm_grid", "anm_nogrid",
                           "anm_phi1", "anm_phi2", "anm_phi3", "anm_phi4", "anm_phi5", "anm_phi6",
                           "anm_mes1", "anm_mes2", "anm_mes3", "kvfilm",   "kvtext",   "ANM_AVI"};
    int command = 1000;
    for (const char* name : names) {
        window->toolbar_add(command, name, name);
        EXPECT_TRUE(qt_test::button_look(*window, command).has_icon) << name;
        ++command;
    }
}

TEST_F(QtWindowTest, HidingTheToolBarGrowsTheClientArea) {
    window->toolbar_add(1, "anm_ende", "End");
    window->show(ShowMode::Normal);
    backend()->process_events(false, 0);
    drain();
    const int before = window->client_rect().height();
    window->toolbar_show(false);
    EXPECT_FALSE(window->toolbar_shown());
    const std::vector<Message> seen = pump_until(MessageKind::Size);
    const std::vector<Message> sizes = of_kind(seen, MessageKind::Size);
    ASSERT_FALSE(sizes.empty());
    EXPECT_GT(sizes.back().y, before);
    EXPECT_EQ(window->client_rect().height(), sizes.back().y);
    EXPECT_TRUE(window->toolbar_has(1)) << "hiding keeps the buttons";
    window->toolbar_show(true);
    pump_until(MessageKind::Size);
    EXPECT_EQ(window->client_rect().height(), before);
}

TEST_F(QtWindowTest, ResizingPostsSizeAndKeepsTheSurface) {
    window->show(ShowMode::Normal);
    backend()->process_events(false, 0);
    drain();
    window->canvas().set_pixel(5, 6, Rgb{200, 10, 10});
    const Rect outer = window->window_rect();
    window->move_resize(Rect{outer.left + 3, outer.top + 4, outer.left + 3 + outer.width() + 100,
                             outer.top + 4 + outer.height() + 50});
    const std::vector<Message> sizes = of_kind(pump_until(MessageKind::Size), MessageKind::Size);
    ASSERT_FALSE(sizes.empty());
    EXPECT_EQ(sizes.back().window, window.get());
    EXPECT_EQ(sizes.back().x, 420);
    EXPECT_EQ(sizes.back().y, 250);
    EXPECT_EQ(window->client_rect(), (Rect{0, 0, 420, 250}));
    EXPECT_EQ(window->canvas().width(), 420) << "the surface follows the client area";
    EXPECT_EQ(window->canvas().height(), 250);
    EXPECT_EQ(window->canvas().get_pixel(5, 6), (Rgb{200, 10, 10})) << "content kept";
    EXPECT_EQ(window->canvas().get_pixel(410, 240), (Rgb{255, 255, 255}));
    EXPECT_EQ(window->window_rect().width(), outer.width() + 100);
}

TEST_F(QtWindowTest, ButtonClickPostsItsCommand) {
    window->toolbar_add(3, "anm_sngl", "Einzel");
    window->toolbar_add(4, "anm_dir", "<- / ->");
    window->show(ShowMode::Normal);
    backend()->process_events(false, 0);
    drain();
    ASSERT_TRUE(qt_test::click_button(*window, 4));
    backend()->process_events(false, 0);
    const std::vector<Message> commands = of_kind(drain(), MessageKind::Command);
    ASSERT_EQ(commands.size(), 1u);
    EXPECT_EQ(commands[0].command, 4);
    EXPECT_EQ(commands[0].window, window.get());
    EXPECT_FALSE(qt_test::click_button(*window, 9));
}

struct KeyCase {
    const char* name;
    bool shift, ctrl, keypad;
    const char* text;
    int vk;                  // 0: no KeyDown expected
    std::vector<int> chars;  // Char messages expected, in order
};

TEST_F(QtWindowTest, KeyPressesBecomeKeyDownAndCharMessages) {
    const KeyCase cases[] = {
        {"A", false, false, false, "a", 'A', {'a'}},
        {"A", true, false, false, "A", 'A', {'A'}},
        {"G", false, true, false, "\x07", 'G', {7}},
        {"L", false, true, false, "", 'L', {12}},  // no text from the platform: still Ctrl+L
        {"S", false, true, false, "s", 'S', {19}},
        {"Left", false, false, false, "", vk::Left, {}},
        {"Right", true, false, false, "", vk::Right, {}},
        {"PgDown", false, false, false, "", vk::Next, {}},
        {"F5", false, false, false, "", vk::F1 + 4, {}},
        {"Return", false, false, false, "\r", vk::Return, {13}},
        {"Esc", false, false, false, "", vk::Escape, {27}},
        {"Tab", false, false, false, "\t", vk::Tab, {9}},
        {"Backspace", false, false, false, "", vk::Back, {8}},
        {"7", false, false, true, "7", vk::Numpad0 + 7, {'7'}},
        {"7", false, false, false, "7", '7', {'7'}},
        {"Shift", false, false, false, "", vk::Shift, {}},  // Qt adds Shift itself
        {"+", false, false, false, "+", 0xBB, {'+'}},
        {"~", true, false, false, "~", 0, {'~'}},
    };
    window->show(ShowMode::Normal);
    backend()->process_events(false, 0);
    for (const KeyCase& k : cases) {
        drain();
        ASSERT_TRUE(qt_test::send_key(*window, k.name, k.shift, k.ctrl, k.text, k.keypad))
            << k.name;
        const std::vector<Message> all = drain();
        const std::vector<Message> downs = of_kind(all, MessageKind::KeyDown);
        if (k.vk) {
            ASSERT_EQ(downs.size(), 1u) << k.name;
            EXPECT_EQ(downs[0].key, k.vk) << k.name;
            EXPECT_EQ(downs[0].shift, k.shift || k.vk == vk::Shift) << k.name;
            EXPECT_EQ(downs[0].ctrl, k.ctrl) << k.name;
            EXPECT_EQ(downs[0].window, window.get());
            EXPECT_EQ(all.front().kind, MessageKind::KeyDown) << "key down comes first";
        } else {
            EXPECT_TRUE(downs.empty()) << k.name;
        }
        std::vector<int> chars;
        for (const Message& m : of_kind(all, MessageKind::Char)) chars.push_back(m.key);
        EXPECT_EQ(chars, k.chars) << k.name;
    }
}

TEST_F(QtWindowTest, MouseAndWheelInClientCoordinates) {
    window->show(ShowMode::Normal);
    backend()->process_events(false, 0);
    drain();
    qt_test::send_mouse(*window, MessageKind::MouseDown, MouseButton::Left, 12, 34);
    qt_test::send_mouse(*window, MessageKind::MouseMove, MouseButton::Left, 20, 40);
    qt_test::send_mouse(*window, MessageKind::MouseUp, MouseButton::Left, 21, 41);
    qt_test::send_mouse(*window, MessageKind::MouseUp, MouseButton::Middle, 1, 2);
    qt_test::send_wheel(*window, -240, 7, 8);
    std::vector<Message> all;
    for (const Message& m : drain())
        if (m.kind != MessageKind::Size) all.push_back(m);
    ASSERT_EQ(all.size(), 5u);
    EXPECT_EQ(all[0].kind, MessageKind::MouseDown);
    EXPECT_EQ(all[0].button, MouseButton::Left);
    EXPECT_EQ(all[0].x, 12);
    EXPECT_EQ(all[0].y, 34);
    EXPECT_EQ(all[1].kind, MessageKind::MouseMove);
    EXPECT_EQ(all[1].buttons, int(MouseButton::Left));
    EXPECT_EQ(all[1].x, 20);
    EXPECT_EQ(all[2].kind, MessageKind::MouseUp);
    EXPECT_EQ(all[2].y, 41);
    EXPECT_EQ(all[3].button, MouseButton::Middle);
    EXPECT_EQ(all[4].kind, MessageKind::Wheel);
    EXPECT_EQ(all[4].wheel, -240);
    EXPECT_EQ(all[4].x, 7);
}

void close_on_request(Window& window, const Message& message, void* user) {
    auto* closes = static_cast<int*>(user);
    if (message.kind == MessageKind::Close) {
        ++*closes;
        if (*closes == 2) window.show(ShowMode::Hidden);  // the procedure decides
    }
}

TEST_F(QtWindowTest, CloseBoxOnlyAsksTheProcedure) {
    int closes = 0;
    window->proc = close_on_request;
    window->user = &closes;
    window->show(ShowMode::Normal);
    backend()->process_events(false, 0);
    drain();
    EXPECT_TRUE(qt_test::press_close_box(*window)) << "the window stays";
    service_messages();
    EXPECT_EQ(closes, 1);
    EXPECT_TRUE(qt_test::is_shown(*window));
    qt_test::press_close_box(*window);
    service_messages();
    EXPECT_EQ(closes, 2);
    EXPECT_FALSE(qt_test::is_shown(*window));
}

TEST_F(QtWindowTest, TimersPostTheirNumberUntilKilled) {
    window->set_timer(2000, 5);
    const std::vector<Message> timers = of_kind(pump_until(MessageKind::Timer), MessageKind::Timer);
    ASSERT_FALSE(timers.empty());
    EXPECT_EQ(timers[0].command, 2000);
    EXPECT_EQ(timers[0].window, window.get());
    window->kill_timer(2000);
    drain();
    for (int i = 0; i < 5; ++i) backend()->process_events(true, 10);
    EXPECT_TRUE(of_kind(drain(), MessageKind::Timer).empty());
}

TEST_F(QtWindowTest, WaitingWithATimeoutReturns) {
    // Nothing will arrive: the wait must end by itself.
    const auto start = std::chrono::steady_clock::now();
    backend()->process_events(true, 30);
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(
                        std::chrono::steady_clock::now() - start)
                        .count();
    EXPECT_GE(ms, 0);
    EXPECT_EQ(queued_message_count(), 0u);
}

TEST_F(QtWindowTest, CopyPictureLandsAtItsPlace) {
    auto picture = create_picture(10, 10);
    ASSERT_NE(picture, nullptr);
    picture->canvas().fill_rect(Rect{0, 0, 10, 10}, Brush{Rgb{0, 0, 0}});
    picture->canvas().set_pixel(3, 4, Rgb{1, 2, 3});
    window->canvas().set_raster_op(RasterOp::Xor);  // a plain copy regardless
    window->copy_picture(*picture, 100, 50);
    EXPECT_EQ(window->canvas().get_pixel(103, 54), (Rgb{1, 2, 3}));
    EXPECT_EQ(window->canvas().get_pixel(100, 50), (Rgb{0, 0, 0}));
    EXPECT_EQ(window->canvas().get_pixel(110, 50), (Rgb{255, 255, 255}));
    EXPECT_EQ(window->canvas().get_pixel(99, 50), (Rgb{255, 255, 255}));
    window->copy_picture(*picture, 315, 195);  // partly outside: clipped, no harm
    EXPECT_EQ(window->canvas().get_pixel(319, 199), (Rgb{0, 0, 0}));
}

TEST_F(QtWindowTest, TheClientShowsItsSurface) {
    window->show(ShowMode::Normal);
    backend()->process_events(false, 0);
    Canvas& c = window->canvas();
    c.fill_rect(Rect{0, 0, 320, 200}, Brush{Rgb{0, 0, 0}});
    c.select_pen(Pen{PenStyle::Solid, 1, Rgb{0, 255, 0}});
    c.move_to(10, 20);
    c.line_to(100, 20);
    backend()->process_events(false, 0);
    const std::vector<uint8_t> rows = qt_test::painted_client(*window);
    ASSERT_EQ(rows.size(), 320u * 200u * 3u);
    auto at = [&](int x, int y) {
        const size_t i = (size_t(y) * 320 + size_t(x)) * 3;
        return Rgb{rows[i], rows[i + 1], rows[i + 2]};
    };
    EXPECT_EQ(at(50, 20), (Rgb{0, 255, 0}));
    EXPECT_EQ(at(50, 21), (Rgb{0, 0, 0}));
    EXPECT_EQ(at(319, 199), (Rgb{0, 0, 0}));
}

TEST_F(QtWindowTest, ShowMaximisedFillsTheScreenAndReportsTheSize) {
    window->toolbar_add(1, "anm_ende", "End");
    window->show(ShowMode::Maximized);
    const std::vector<Message> sizes = of_kind(pump_until(MessageKind::Size), MessageKind::Size);
    ASSERT_FALSE(sizes.empty());
    const Rect client = window->client_rect();
    EXPECT_EQ(sizes.back().x, client.width());
    EXPECT_EQ(sizes.back().y, client.height());
    const char* platform = std::getenv("QT_QPA_PLATFORM");
    if (platform && std::string(platform) == "offscreen") {
        EXPECT_GT(client.width(), 320) << "the offscreen screen is larger than the window";
        EXPECT_GT(client.height(), 200);
    }
    EXPECT_EQ(window->canvas().width(), client.width());
    EXPECT_EQ(window->canvas().height(), client.height());
    window->set_title("kurvlab Version 1862 - film.anm");
    window->set_cursor(CursorShape::Wait);
    window->raise();
    window->set_cursor(CursorShape::Arrow);
}

TEST_F(QtWindowTest, DestroyingDropsQueuedMessages) {
    qt_test::send_key(*window, "A", false, false, "a");
    EXPECT_GT(queued_message_count(), 0u);
    window.reset();
    EXPECT_EQ(queued_message_count(), 0u);
}

TEST(QtWindowTeardown, AWindowMayOutliveASecondBackend) {
    // A second backend shares the running application and must not take it down while a
    // window made through it is still alive.
    int argc = 1;
    char name[] = "kurvlab";
    char* argv[] = {name, nullptr};
    std::unique_ptr<Backend> second = make_qt_backend(argc, argv);
    std::unique_ptr<Window> window = second->create_window(WindowSpec{});
    ASSERT_NE(window, nullptr);
    second.reset();
    EXPECT_NE(backend(), nullptr);
    EXPECT_FALSE(qt_test::send_key(*window, "", false, false, ""));
    window->toolbar_add(1, "anm_ende", "End");
    EXPECT_TRUE(window->toolbar_has(1));
    window.reset();
}

}  // namespace
}  // namespace mw31
