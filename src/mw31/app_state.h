// Program-wide flags read by the players' loops.
#pragma once

namespace mw31 {

// Set when the user confirmed closing the terminal; the players end when they see it.
bool quit_requested();
void set_quit_requested(bool on);

// While a film window is open, closing the terminal is refused. Returns the previous mark,
// which the caller restores when its window closes.
bool set_not_interruptible(bool on);
bool not_interruptible();

}  // namespace mw31
