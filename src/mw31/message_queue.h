// The application's message queue: platform events are translated into messages and queued
// here; loops take, peek and dispatch them as on the original platform. Tests post directly.
#pragma once

#include "mw31/window.h"

namespace mw31 {

void post_message(const Message& message);
void post_quit_message();

// Takes the next message if one waits (after letting the platform deliver its events).
bool peek_message(Message* out, bool remove);
// Blocks until a message arrives; a Quit message is returned like any other.
Message get_message();
// Hands the message to its window's procedure; Quit and window-less messages are dropped.
void dispatch_message(const Message& message);
// While a message waits: take it and dispatch it.
void service_messages();

// Messages queued for the window are dropped (called when a window goes away).
void drop_messages_for(const Window* window);
size_t queued_message_count();

}  // namespace mw31
