// Program-wide flags: the quit request and the not-interruptible mark.
#include "mw31/app_state.h"

namespace mw31 {

namespace {
struct AppState {
    bool quit = false;
    bool not_interruptible = false;
};
AppState& state() {
    static AppState s;
    return s;
}
}  // namespace

bool quit_requested() {
    return state().quit;
}
void set_quit_requested(bool on) {
    state().quit = on;
}

bool set_not_interruptible(bool on) {
    const bool previous = state().not_interruptible;
    state().not_interruptible = on;
    return previous;
}
bool not_interruptible() {
    return state().not_interruptible;
}

}  // namespace mw31
