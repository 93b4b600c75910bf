// The film window's keys: the command numbers of playback_state.h for typed characters and
// key-downs, and the list the help shows.
#pragma once

namespace film {

// Command for a character typed in the window, or 0. Upper and lower case act alike except
// for q and Q, t and T.
int command_for_char(int ch);
// Command for a key-down (virtual key), or 0: the arrows set the direction, Ctrl+O opens
// another film. Keys that are no characters, so that they act in single step too.
int command_for_key(int virtual_key, bool ctrl = false);
// False for a key-down that opens a window of its own (the open dialog, the help): in single
// step it acts without stepping, since the user was not looking at the film.
bool key_steps_in_single_step(int virtual_key, bool ctrl = false);
// The keys and buttons of the film window, as the help shows them.
const char* film_window_keys_text();

}  // namespace film
