// A drag-and-drop source for the end-to-end tests: drops file URIs on a window through the
// X11 XDND protocol (version 5), as a file manager would, so that the whole way from the X
// server to the program is exercised. Plain xcb, nothing of the program's own.
//
//   xdnd_drop WINDOW X Y URI...   drop on WINDOW at (X, Y) inside it
//   xdnd_drop --windows PID       list PID's shown top-level windows, one a line:
//                                 "0xID X Y WIDTH HEIGHT TITLE" (X, Y on the screen)
//
// Exit codes: 0 dropped and finished with the drop accepted; 3 the target refused the drop
// (XdndStatus without "accept"); 1 any other failure, the failed step said on stderr;
// 2 wrong arguments or no display. XDND_DROP_TRACE=1 in the environment prints every event.
#include <poll.h>
#include <xcb/xcb.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;
constexpr uint32_t kXdndVersion = 5;
// Every answer expected from the target comes within this time or not at all.
constexpr auto kStepTimeout = std::chrono::seconds(20);

constexpr int kRefused = 3;
constexpr int kFailed = 1;
constexpr int kUsage = 2;

struct Atoms {
    xcb_atom_t aware, enter, position, status, leave, drop, finished, selection, type_list,
        action_copy, proxy, uri_list, targets, atom, wm_pid, net_wm_name, utf8, wm_name;
};

xcb_connection_t* conn = nullptr;
const bool trace = std::getenv("XDND_DROP_TRACE") != nullptr;
xcb_window_t root = 0;
const xcb_screen_t* screen = nullptr;
Atoms atoms{};

xcb_atom_t intern(const char* name) {
    xcb_intern_atom_reply_t* r = xcb_intern_atom_reply(
        conn, xcb_intern_atom(conn, 0, uint16_t(std::strlen(name)), name), nullptr);
    const xcb_atom_t a = r ? r->atom : xcb_atom_t(XCB_ATOM_NONE);
    std::free(r);
    return a;
}

void intern_atoms() {
    atoms.aware = intern("XdndAware");
    atoms.enter = intern("XdndEnter");
    atoms.position = intern("XdndPosition");
    atoms.status = intern("XdndStatus");
    atoms.leave = intern("XdndLeave");
    atoms.drop = intern("XdndDrop");
    atoms.finished = intern("XdndFinished");
    atoms.selection = intern("XdndSelection");
    atoms.type_list = intern("XdndTypeList");
    atoms.action_copy = intern("XdndActionCopy");
    atoms.proxy = intern("XdndProxy");
    atoms.uri_list = intern("text/uri-list");
    atoms.targets = intern("TARGETS");
    atoms.atom = XCB_ATOM_ATOM;
    atoms.wm_pid = intern("_NET_WM_PID");
    atoms.net_wm_name = intern("_NET_WM_NAME");
    atoms.utf8 = intern("UTF8_STRING");
    atoms.wm_name = XCB_ATOM_WM_NAME;
}

// The property's bytes, empty when the window has none (or is gone).
std::string property(xcb_window_t w, xcb_atom_t name, xcb_atom_t* type = nullptr) {
    std::unique_ptr<xcb_get_property_reply_t, decltype(&std::free)> r(
        xcb_get_property_reply(
            conn, xcb_get_property(conn, 0, w, name, XCB_GET_PROPERTY_TYPE_ANY, 0, 1 << 20),
            nullptr),
        &std::free);
    if (!r || r->type == XCB_ATOM_NONE) return {};
    if (type) *type = r->type;
    const auto* data = static_cast<const char*>(xcb_get_property_value(r.get()));
    return std::string(data, size_t(xcb_get_property_value_length(r.get())) * (r->format / 8));
}

bool property32(xcb_window_t w, xcb_atom_t name, uint32_t* value) {
    const std::string bytes = property(w, name);
    if (bytes.size() < 4) return false;
    std::memcpy(value, bytes.data(), 4);
    return true;
}

std::vector<xcb_window_t> children(xcb_window_t w) {
    std::vector<xcb_window_t> out;
    xcb_query_tree_reply_t* r = xcb_query_tree_reply(conn, xcb_query_tree(conn, w), nullptr);
    if (!r) return out;
    const xcb_window_t* c = xcb_query_tree_children(r);
    out.assign(c, c + xcb_query_tree_children_length(r));
    std::free(r);
    return out;
}

bool viewable(xcb_window_t w) {
    xcb_get_window_attributes_reply_t* r =
        xcb_get_window_attributes_reply(conn, xcb_get_window_attributes(conn, w), nullptr);
    const bool v = r && r->map_state == XCB_MAP_STATE_VIEWABLE;
    std::free(r);
    return v;
}

std::string title(xcb_window_t w) {
    std::string t = property(w, atoms.net_wm_name);
    return t.empty() ? property(w, atoms.wm_name) : t;
}

// The shown windows of the process, found among root's children and one level below them
// (where a window manager's frames would hold the client windows).
int list_windows(uint32_t pid) {
    std::vector<xcb_window_t> candidates;
    for (xcb_window_t top : children(root)) {
        if (!viewable(top)) continue;
        candidates.push_back(top);
        for (xcb_window_t c : children(top)) candidates.push_back(c);
    }
    int found = 0;
    for (xcb_window_t w : candidates) {
        uint32_t owner = 0;
        if (!property32(w, atoms.wm_pid, &owner) || owner != pid || !viewable(w)) continue;
        xcb_get_geometry_reply_t* g =
            xcb_get_geometry_reply(conn, xcb_get_geometry(conn, w), nullptr);
        if (!g) continue;
        xcb_translate_coordinates_reply_t* at = xcb_translate_coordinates_reply(
            conn, xcb_translate_coordinates(conn, w, root, 0, 0), nullptr);
        if (!at) {
            std::free(g);
            continue;
        }
        std::printf("0x%x %d %d %u %u %s\n", unsigned(w), int(at->dst_x), int(at->dst_y),
                    unsigned(g->width), unsigned(g->height), title(w).c_str());
        std::free(at);
        std::free(g);
        ++found;
    }
    return found > 0 ? 0 : kFailed;
}

[[noreturn]] void fail(int code, const std::string& what) {
    std::fprintf(stderr, "xdnd_drop: %s\n", what.c_str());
    std::fflush(stdout);
    xcb_disconnect(conn);
    std::exit(code);
}

void send_client_message(xcb_window_t to, xcb_window_t window_field, xcb_atom_t type,
                         const uint32_t (&data)[5]) {
    xcb_client_message_event_t ev{};
    ev.response_type = XCB_CLIENT_MESSAGE;
    ev.format = 32;
    ev.window = window_field;
    ev.type = type;
    for (int i = 0; i < 5; ++i) ev.data.data32[i] = data[i];
    xcb_send_event(conn, 0, to, XCB_EVENT_MASK_NO_EVENT, reinterpret_cast<const char*>(&ev));
    xcb_flush(conn);
}

struct Source {
    xcb_window_t window = 0;
    std::string payload;  // the uri-list handed out for XdndSelection
    int requests_answered = 0;

    // The target asks for the data (during the drag already: Qt reads the URLs to decide
    // whether it takes them). Only text/uri-list (and the list of targets) is offered.
    void answer(const xcb_selection_request_event_t& req) {
        xcb_selection_notify_event_t note{};
        note.response_type = XCB_SELECTION_NOTIFY;
        note.time = req.time;
        note.requestor = req.requestor;
        note.selection = req.selection;
        note.target = req.target;
        const xcb_atom_t prop = req.property == XCB_ATOM_NONE ? req.target : req.property;
        note.property = XCB_ATOM_NONE;
        if (req.selection == atoms.selection && req.owner == window) {
            if (req.target == atoms.uri_list) {
                xcb_change_property(conn, XCB_PROP_MODE_REPLACE, req.requestor, prop,
                                    atoms.uri_list, 8, uint32_t(payload.size()), payload.data());
                note.property = prop;
            } else if (req.target == atoms.targets) {
                const xcb_atom_t offered[] = {atoms.targets, atoms.uri_list};
                xcb_change_property(conn, XCB_PROP_MODE_REPLACE, req.requestor, prop, XCB_ATOM_ATOM,
                                    32, 2, offered);
                note.property = prop;
            }
        }
        xcb_send_event(conn, 0, req.requestor, XCB_EVENT_MASK_NO_EVENT,
                       reinterpret_cast<const char*>(&note));
        xcb_flush(conn);
        if (note.property != XCB_ATOM_NONE) ++requests_answered;
    }

    // Waits until `wanted` takes an event, answering selection requests meanwhile; false
    // after the step's time.
    bool wait_until(const std::function<bool(const xcb_generic_event_t&)>& wanted) {
        const auto deadline = Clock::now() + kStepTimeout;
        for (;;) {
            while (xcb_generic_event_t* ev = xcb_poll_for_event(conn)) {
                std::unique_ptr<xcb_generic_event_t, decltype(&std::free)> hold(ev, &std::free);
                if (trace) {
                    const auto* cm = reinterpret_cast<const xcb_client_message_event_t*>(ev);
                    std::fprintf(stderr, "xdnd_drop: event %d type %u data %x %x\n",
                                 ev->response_type & 0x7f,
                                 (ev->response_type & 0x7f) == XCB_CLIENT_MESSAGE ? cm->type : 0,
                                 cm->data.data32[0], cm->data.data32[1]);
                }
                if ((ev->response_type & 0x7f) == XCB_SELECTION_REQUEST)
                    answer(*reinterpret_cast<xcb_selection_request_event_t*>(ev));
                else if (wanted(*ev))
                    return true;
            }
            if (xcb_connection_has_error(conn)) fail(kFailed, "the X connection broke");
            const auto left =
                std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now())
                    .count();
            if (left <= 0) return false;
            pollfd p{xcb_get_file_descriptor(conn), POLLIN, 0};
            ::poll(&p, 1, int(left));
        }
    }

    // A client message of `type` for our window.
    bool wait_for(xcb_atom_t type, xcb_client_message_event_t* out) {
        return wait_until([&](const xcb_generic_event_t& ev) {
            if ((ev.response_type & 0x7f) != XCB_CLIENT_MESSAGE) return false;
            const auto& cm = reinterpret_cast<const xcb_client_message_event_t&>(ev);
            if (cm.type != type) return false;
            *out = cm;
            return true;
        });
    }
};

// A server time stamp for taking the selection: the time of a property change of our own.
xcb_timestamp_t server_time(Source& src) {
    const uint32_t mask[] = {XCB_EVENT_MASK_PROPERTY_CHANGE};
    xcb_change_window_attributes(conn, src.window, XCB_CW_EVENT_MASK, mask);
    xcb_change_property(conn, XCB_PROP_MODE_APPEND, src.window, XCB_ATOM_WM_NAME, XCB_ATOM_STRING,
                        8, 0, "");
    xcb_flush(conn);
    xcb_timestamp_t t = 0;
    const bool seen = src.wait_until([&](const xcb_generic_event_t& ev) {
        if ((ev.response_type & 0x7f) != XCB_PROPERTY_NOTIFY) return false;
        t = reinterpret_cast<const xcb_property_notify_event_t&>(ev).time;
        return true;
    });
    if (!seen) fail(kFailed, "no PropertyNotify for a time stamp");
    return t;
}

// The windows from root down to the deepest one under the root point.
std::vector<xcb_window_t> path_under(int16_t rx, int16_t ry) {
    std::vector<xcb_window_t> path{root};
    for (;;) {
        xcb_translate_coordinates_reply_t* r = xcb_translate_coordinates_reply(
            conn, xcb_translate_coordinates(conn, root, path.back(), rx, ry), nullptr);
        const xcb_window_t child = r ? r->child : xcb_window_t(XCB_WINDOW_NONE);
        std::free(r);
        if (child == XCB_WINDOW_NONE) return path;
        path.push_back(child);
    }
}

int drop(xcb_window_t window, int x, int y, const std::vector<std::string>& uris) {
    // Where the point is on the screen.
    xcb_translate_coordinates_reply_t* at = xcb_translate_coordinates_reply(
        conn, xcb_translate_coordinates(conn, window, root, int16_t(x), int16_t(y)), nullptr);
    if (!at) fail(kFailed, "no window " + std::to_string(window));
    const int16_t rx = at->dst_x, ry = at->dst_y;
    std::free(at);
    if (rx < 0 || ry < 0 || rx >= screen->width_in_pixels || ry >= screen->height_in_pixels)
        fail(kFailed,
             "the point " + std::to_string(rx) + "," + std::to_string(ry) + " is off the screen");

    // The drop goes to the outermost window under the point that speaks XDND, and the point
    // must be over the window asked for, not over another one in front of it.
    const std::vector<xcb_window_t> path = path_under(rx, ry);
    bool over_window = false;
    xcb_window_t target = XCB_WINDOW_NONE;
    uint32_t their_version = 0;
    for (xcb_window_t w : path) {
        over_window = over_window || w == window;
        if (target == XCB_WINDOW_NONE && w != root && property32(w, atoms.aware, &their_version))
            target = w;
    }
    if (!over_window) fail(kFailed, "another window is over the point");
    if (target == XCB_WINDOW_NONE) fail(kFailed, "no window under the point carries XdndAware");
    if (their_version < 3)
        fail(kFailed, "the target speaks XDND version " + std::to_string(their_version));
    const uint32_t version = std::min(their_version, kXdndVersion);
    // A proxy takes the messages, which still name the target.
    xcb_window_t deliver_to = target;
    uint32_t proxy = 0, proxy_self = 0;
    if (property32(target, atoms.proxy, &proxy) && property32(proxy, atoms.proxy, &proxy_self) &&
        proxy_self == proxy)
        deliver_to = proxy;

    Source src;
    for (const std::string& uri : uris) src.payload += uri + "\r\n";
    src.window = xcb_generate_id(conn);
    const uint32_t override_redirect[] = {1};
    xcb_create_window(conn, XCB_COPY_FROM_PARENT, src.window, root, -100, -100, 1, 1, 0,
                      XCB_WINDOW_CLASS_INPUT_ONLY, XCB_COPY_FROM_PARENT, XCB_CW_OVERRIDE_REDIRECT,
                      override_redirect);
    const uint32_t aware = kXdndVersion;
    xcb_change_property(conn, XCB_PROP_MODE_REPLACE, src.window, atoms.aware, XCB_ATOM_ATOM, 32, 1,
                        &aware);
    xcb_change_property(conn, XCB_PROP_MODE_REPLACE, src.window, atoms.type_list, XCB_ATOM_ATOM, 32,
                        1, &atoms.uri_list);
    const xcb_timestamp_t time = server_time(src);
    xcb_set_selection_owner(conn, src.window, atoms.selection, time);
    xcb_get_selection_owner_reply_t* owner = xcb_get_selection_owner_reply(
        conn, xcb_get_selection_owner(conn, atoms.selection), nullptr);
    const bool owned = owner && owner->owner == src.window;
    std::free(owner);
    if (!owned) fail(kFailed, "cannot own XdndSelection");

    send_client_message(deliver_to, target, atoms.enter,
                        {src.window, version << 24, atoms.uri_list, 0, 0});
    send_client_message(
        deliver_to, target, atoms.position,
        {src.window, 0, uint32_t(uint16_t(rx)) << 16 | uint16_t(ry), time, atoms.action_copy});
    xcb_client_message_event_t status{};
    if (!src.wait_for(atoms.status, &status))
        fail(kFailed, "no XdndStatus after XdndPosition (step: position)");
    if (status.data.data32[0] != target)
        fail(kFailed, "XdndStatus from another window (step: position)");
    if (!(status.data.data32[1] & 1)) {
        send_client_message(deliver_to, target, atoms.leave, {src.window, 0, 0, 0, 0});
        // A source that vanished at once could have its XdndLeave ignored by Qt (seen: the
        // next drag was then taken as a move of this refused one and refused unasked); a
        // file manager stays, so this one stays a moment too.
        ::poll(nullptr, 0, 300);
        fail(kRefused, "the target refused the drop (XdndStatus without accept, " +
                           std::to_string(src.requests_answered) + " data request(s) answered)");
    }

    send_client_message(deliver_to, target, atoms.drop, {src.window, 0, time, 0, 0});
    xcb_client_message_event_t finished{};
    if (!src.wait_for(atoms.finished, &finished))
        fail(kFailed, "no XdndFinished after XdndDrop (step: drop; " +
                          std::to_string(src.requests_answered) + " data request(s) answered)");
    if (src.requests_answered == 0) fail(kFailed, "the target never asked for the data");
    if (version >= 5 && !(finished.data.data32[1] & 1))
        fail(kFailed, "XdndFinished says the drop was not taken (step: finished)");
    std::printf("dropped on 0x%x at %d,%d, %d data request(s) answered\n", unsigned(target), rx, ry,
                src.requests_answered);
    xcb_destroy_window(conn, src.window);
    xcb_flush(conn);
    return 0;
}

unsigned long number(const char* text, bool* ok) {
    char* end = nullptr;
    const unsigned long v = std::strtoul(text, &end, 0);
    *ok = *ok && end != text && *end == '\0';
    return v;
}

}  // namespace

int main(int argc, char** argv) {
    const std::string mode = argc > 1 ? argv[1] : "";
    const bool list = argc == 3 && mode == "--windows";
    if (!list && (argc < 5 || mode.rfind("--", 0) == 0)) {
        std::fprintf(stderr,
                     "usage: xdnd_drop WINDOW X Y URI...\n"
                     "       xdnd_drop --windows PID\n");
        return kUsage;
    }
    bool ok = true;
    std::vector<unsigned long> numbers;
    const int first = list ? 2 : 1, last = list ? 2 : 3;
    for (int i = first; i <= last; ++i) numbers.push_back(number(argv[i], &ok));
    if (!ok) {
        std::fprintf(stderr, "xdnd_drop: not a number among the arguments\n");
        return kUsage;
    }
    int screen_number = 0;
    conn = xcb_connect(nullptr, &screen_number);
    if (xcb_connection_has_error(conn)) {
        std::fprintf(stderr, "xdnd_drop: cannot connect to the display\n");
        return kUsage;
    }
    xcb_screen_iterator_t it = xcb_setup_roots_iterator(xcb_get_setup(conn));
    for (int i = 0; i < screen_number && it.rem; ++i) xcb_screen_next(&it);
    screen = it.data;
    root = screen->root;
    intern_atoms();
    const int rc = list ? list_windows(uint32_t(numbers[0]))
                        : drop(xcb_window_t(numbers[0]), int(numbers[1]), int(numbers[2]),
                               std::vector<std::string>(argv + 4, argv + argc));
    std::fflush(stdout);
    xcb_disconnect(conn);
    return rc;
}
