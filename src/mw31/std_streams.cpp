// Standard output and input redirected to the text terminal, with line-wise collection when
// there is none.
#include "mw31/std_streams.h"

#include <cstdio>

#include "mw31/terminal.h"

namespace mw31 {

namespace {

struct StdoutState {
    std::string pending;
    // Whatever is left over at exit still reaches the standard output.
    ~StdoutState() {
        if (!pending.empty()) {
            std::fwrite(pending.data(), 1, pending.size(), stdout);
            std::fflush(stdout);
        }
    }
};

StdoutState& out_state() {
    static StdoutState state;
    return state;
}

void hand_on() {
    std::string& pending = out_state().pending;
    if (pending.empty()) return;
    std::fwrite(pending.data(), 1, pending.size(), stdout);
    std::fflush(stdout);
    pending.clear();
}

}  // namespace

void stdout_put_char(int c) {
    if (current_terminal() >= 0) {
        // Text collected before the terminal came keeps its place in front.
        hand_on();
        terminal_put_char(c & 0xff);
        return;
    }
    std::string& pending = out_state().pending;
    pending += char(c);
    if (char(c) == '\n' || int(pending.size()) >= kStdoutCollectLimit) hand_on();
}

void stdout_put_string(const std::string& text) {
    if (current_terminal() >= 0) {
        hand_on();
        terminal_put_string(text);
        return;
    }
    for (char c : text) stdout_put_char((unsigned char)c);
}

void stdout_flush() {
    if (current_terminal() >= 0) return;
    hand_on();
}

const std::string& stdout_pending() {
    return out_state().pending;
}

int stdin_get_char() {
    if (current_terminal() >= 0) return terminal_read_key() & 0xff;
    return std::getchar();
}

void stdin_unget_char(int c) {
    if (current_terminal() >= 0) {
        terminal_unread_key(c);
        return;
    }
    if (c != EOF) std::ungetc(c, stdin);
}

}  // namespace mw31
