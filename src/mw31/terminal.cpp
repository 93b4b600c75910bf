// The terminal window: creation, output drawn into the window, key and mouse input, reading
// keys, and the close question.
#include "mw31/terminal.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "mw31/app_state.h"
#include "mw31/backend.h"
#include "mw31/cursor.h"
#include "mw31/dialogs.h"
#include "mw31/message_queue.h"
#include "mw31/messages.h"

namespace mw31 {

namespace {

struct Terminals {
    std::unique_ptr<TerminalState> terminal;  // number 0, the only one
    int current = -1;
    // One-level stack of push_mw31_terminal.
    bool pushed = false;
    int previous = -1;
};

Terminals& terminals() {
    static Terminals t;
    return t;
}

// The current terminal, or null.
TerminalState* active() {
    Terminals& t = terminals();
    return t.current == 0 ? t.terminal.get() : nullptr;
}

Rect cell_rect(const TerminalState& t, int row, int column) {
    const int x = 5 + column * t.char_width;
    const int y = 1 + row * t.char_height;
    return Rect{x, y, x + t.char_width, y + t.char_height};
}

void paint_cell(TerminalState& t, int row, int column) {
    Canvas& canvas = t.window->canvas();
    const bool cursor =
        t.cursor_shown && row == t.grid.cursor_row && column == t.grid.cursor_column;
    const Rgb background = cursor ? kTerminalCursor : kTerminalBackground;
    const Rect r = cell_rect(t, row, column);
    canvas.fill_rect(r, Brush{background, false});
    const int c = grid_cell(t.grid, row, column);
    if (c == kBlankCell) return;
    canvas.set_text_colour(kTerminalText);
    canvas.set_text_background(background);
    canvas.text_out(r.left, r.top, utf8_encode(c));
}

void paint_cursor(TerminalState& t) {
    paint_cell(t, t.grid.cursor_row, t.grid.cursor_column);
}

void fit_cells(TerminalState& t) {
    const Rect client = t.window->client_rect();
    t.char_height = (client.height() - 2) / t.grid.rows;
    t.char_width = (client.width() - 10) / t.grid.columns;
    if (t.char_height < 1) t.char_height = 1;
    if (t.char_width < 1) t.char_width = 1;
    t.window->canvas().set_font(t.char_height, t.char_width);
}

void paint_all(TerminalState& t) {
    Canvas& canvas = t.window->canvas();
    canvas.fill_rect(Rect{0, 0, canvas.width(), canvas.height()},
                     Brush{kTerminalBackground, false});
    for (int row = 0; row < t.grid.rows; ++row) {
        for (int column = 0; column < t.grid.columns; ++column) {
            if (grid_cell(t.grid, row, column) != kBlankCell) paint_cell(t, row, column);
        }
    }
    if (t.cursor_shown) paint_cursor(t);
}

void ring_bell(TerminalState& t) {
    ++t.bells;
    if (Backend* b = backend()) b->bell();
}

// Puts one character (a code point) and draws what changed. May service the message queue
// as its very last step, after which the terminal may be gone.
void put_code(TerminalState& t, int c) {
    const int old_row = t.grid.cursor_row, old_column = t.grid.cursor_column;
    const GridEffect e = grid_put_char(t.grid, c);
    if (e.bell) ring_bell(t);
    if (e.scrolled) {
        paint_all(t);
    } else {
        if (e.cell_written) paint_cell(t, e.row, e.column);
        if (t.cursor_shown && e.cursor_moved) {
            paint_cell(t, old_row, old_column);
            paint_cursor(t);
        }
    }
    if (e.line_end && t.echoing) service_messages();
}

void echo(const std::string& bytes) {
    std::fwrite(bytes.data(), 1, bytes.size(), stderr);
}

void handle_close() {
    if (not_interruptible()) {
        message_box(kProgramTitle, kCannotAbortNow, BoxButtons::Ok, BoxIcon::Stop);
        return;
    }
    if (message_box(kProgramTitle, kReallyQuit, BoxButtons::YesNo, BoxIcon::Stop) != BoxAnswer::Yes)
        return;
    set_quit_requested(true);
    destroy_terminal();
    post_quit_message();
}

void queue_code(TerminalState& t, int code) {
    ring_push(t.input, code);  // a full ring drops the code
}

// Runs the wait; false when the application was asked to end meanwhile, in which case the
// quit message is put back for the loops further out.
bool wait_until_input() {
    TerminalState* t = active();
    if (!t) return false;
    t->waiting_for_input = true;
    while ((t = active()) != nullptr && t->waiting_for_input) {
        const Message m = get_message();
        if (m.kind == MessageKind::Quit) {
            post_message(m);
            if ((t = active()) != nullptr) t->waiting_for_input = false;
            return false;
        }
        dispatch_message(m);
    }
    return active() != nullptr;
}

}  // namespace

TerminalState* terminal_state() {
    return terminals().terminal.get();
}

int current_terminal() {
    return active() ? 0 : -1;
}

int push_mw31_terminal(int terminal) {
    Terminals& t = terminals();
    if (t.pushed) {
        message_output(kTooManyTerminals);
        return -1;
    }
    t.previous = t.current;
    t.current = terminal;
    t.pushed = true;
    return 0;
}

int create_terminal(int rows, int columns) {
    if (terminals().terminal) {
        message_output(kTooManyTerminals);
        return -1;
    }
    auto state = std::make_unique<TerminalState>();
    grid_init(state->grid, rows, columns);
    WindowSpec window_spec;
    window_spec.title = kProgramTitle;
    window_spec.icon = "kvtext";
    window_spec.client_width = state->grid.columns * 9 + 10;
    window_spec.client_height = state->grid.rows * 18 + 2;
    window_spec.proc = terminal_window_proc;
    window_spec.user = state.get();
    state->window = create_window(window_spec);
    if (!state->window) return -1;
    state->window->show(ShowMode::Hidden);
    fill_key_table(state->keys);
    ring_init(state->input);
    const char* echo_env = std::getenv("KURVLAB_TERMINAL_ECHO");
    state->echo_to_stderr = echo_env && std::strcmp(echo_env, "1") == 0;
    fit_cells(*state);
    register_cursor_window(state->window.get());

    terminals().terminal = std::move(state);
    if (push_mw31_terminal(0) != 0) {
        destroy_terminal();
        return -1;
    }
    terminal_clear();
    paint_all(*terminals().terminal);
    return 0;
}

void destroy_terminal() {
    Terminals& t = terminals();
    std::unique_ptr<TerminalState> gone = std::move(t.terminal);
    if (t.pushed) {
        t.current = t.previous;
        t.pushed = false;
    }
    if (t.current == 0) t.current = -1;
    if (gone) unregister_cursor_window(gone->window.get());
    // `gone` goes here; its window's queued messages go with it.
}

void terminal_window_proc(Window& window, const Message& message, void* user) {
    (void)window;
    TerminalState* t = static_cast<TerminalState*>(user);
    if (!t || t != terminal_state()) return;
    switch (message.kind) {
        case MessageKind::KeyDown: {
            int code = 0;
            if (key_table_lookup(t->keys, message.key, message.shift, message.ctrl, &code))
                queue_code(*t, code);
            t->waiting_for_input = false;
            break;
        }
        case MessageKind::Char:
            if (char_is_queued(message.key)) queue_code(*t, message.key);
            t->waiting_for_input = false;
            break;
        case MessageKind::MouseDown:
            if (message.button == MouseButton::Left) {
                queue_code(*t, mouse_click_code(mouse_cell(message.x, message.y, t->char_width,
                                                           t->char_height)));
            }
            t->waiting_for_input = false;
            break;
        case MessageKind::MouseMove: {
            const MouseCell cell = mouse_cell(message.x, message.y, t->char_width, t->char_height);
            if (cell != t->last_move_cell) {
                t->last_move_cell = cell;
                ring_push_move(t->input, mouse_move_code(cell));
            }
            t->waiting_for_input = false;
            break;
        }
        case MessageKind::Size:
            fit_cells(*t);
            paint_all(*t);
            break;
        case MessageKind::Close:
            handle_close();  // may destroy the terminal: nothing may follow
            return;
        default:
            break;
    }
}

void terminal_repaint() {
    if (TerminalState* t = terminal_state()) {
        fit_cells(*t);
        paint_all(*t);
    }
}

void terminal_put_char(int c) {
    TerminalState* t = active();
    if (!t) return;
    if (c < 0) c &= 0xFF;  // a plain char from a signed-char platform
    std::vector<int> codes;
    if (c > 0xFF) {
        // A whole character: an unfinished byte sequence before it is printed first.
        if (t->echo_to_stderr) echo(utf8_encode(c));
        utf8_flush(t->decoder, &codes);
        codes.push_back(c);
    } else {
        if (t->echo_to_stderr) echo(std::string(1, char(c)));
        utf8_feed(t->decoder, static_cast<unsigned char>(c), &codes);
    }
    for (int code : codes) {
        if ((t = active()) == nullptr) return;
        put_code(*t, code);
    }
}

void terminal_put_string(const std::string& text) {
    TerminalState* t = active();
    if (!t) return;
    if (t->echo_to_stderr) echo(text);
    std::vector<int> codes;
    for (char ch : text) {
        codes.clear();
        utf8_feed(t->decoder, static_cast<unsigned char>(ch), &codes);
        for (int code : codes) {
            put_code(*t, code);
            // Servicing the queue at a line end may have closed the terminal.
            if ((t = active()) == nullptr) return;
        }
    }
}

int terminal_read_key() {
    TerminalState* t = active();
    if (!t) return 13;
    t->window->raise();
    if (t->cursor_enabled) {
        t->cursor_shown = true;
        paint_cursor(*t);
    }
    while (t->input.count == 0) {
        // Closed or asked to end while waiting: answer as if there were no terminal.
        if (!wait_until_input() || (t = active()) == nullptr) {
            if ((t = active()) != nullptr && t->cursor_shown) {
                t->cursor_shown = false;
                paint_cursor(*t);
            }
            return 13;
        }
    }
    int code = 13;
    ring_pop(t->input, &code);
    if (t->cursor_shown) {
        t->cursor_shown = false;
        paint_cursor(*t);
    }
    t->echoing = true;
    return code;
}

void terminal_unread_key(int code) {
    if (TerminalState* t = active()) ring_unread(t->input, code);
}

void terminal_type_key(int code) {
    TerminalState* t = active();
    if (!t) return;
    queue_code(*t, code);
    t->waiting_for_input = false;
}

void terminal_clear() {
    TerminalState* t = active();
    if (!t) return;
    if (grid_clear(t->grid)) paint_all(*t);
}

void terminal_home() {
    TerminalState* t = active();
    if (!t) return;
    const int old_row = t->grid.cursor_row, old_column = t->grid.cursor_column;
    grid_home(t->grid);
    if (t->cursor_shown) {
        paint_cell(*t, old_row, old_column);
        paint_cursor(*t);
    }
}

void terminal_bell() {
    if (TerminalState* t = active()) ring_bell(*t);
}

void wait_for_input(int terminal) {
    if (terminal != 0) return;
    wait_until_input();
}

}  // namespace mw31
