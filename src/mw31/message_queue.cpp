// The application's single message queue (one thread, no locking).
#include "mw31/message_queue.h"

#include <algorithm>
#include <deque>

#include "mw31/backend.h"

namespace mw31 {

namespace {
std::deque<Message>& queue() {
    static std::deque<Message> q;
    return q;
}
}  // namespace

void post_message(const Message& message) {
    queue().push_back(message);
}

void post_quit_message() {
    Message m;
    m.kind = MessageKind::Quit;
    post_message(m);
}

bool peek_message(Message* out, bool remove) {
    if (queue().empty() && backend()) backend()->process_events(false, 0);
    if (queue().empty()) return false;
    if (out) *out = queue().front();
    if (remove) queue().pop_front();
    return true;
}

Message get_message() {
    while (queue().empty()) {
        if (!backend()) {
            // Nothing could ever arrive: behave as if the application was asked to end.
            post_quit_message();
            break;
        }
        backend()->process_events(true, 0);
    }
    Message m = queue().front();
    queue().pop_front();
    return m;
}

void dispatch_message(const Message& message) {
    if (message.window && message.window->proc)
        message.window->proc(*message.window, message, message.window->user);
}

void service_messages() {
    Message m;
    while (peek_message(&m, true)) dispatch_message(m);
}

void drop_messages_for(const Window* window) {
    auto& q = queue();
    q.erase(
        std::remove_if(q.begin(), q.end(), [&](const Message& m) { return m.window == window; }),
        q.end());
}

size_t queued_message_count() {
    return queue().size();
}

}  // namespace mw31
