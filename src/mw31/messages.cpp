// Message boxes with the program's title, owned by the terminal.
#include "mw31/messages.h"

#include <cstdio>

#include "mw31/dialogs.h"
#include "mw31/message_queue.h"
#include "mw31/terminal.h"

namespace mw31 {

void message_output(const std::string& text) {
    if (current_terminal() < 0) {
        // No terminal to own a box (batch use, or before start-up): an error must still
        // reach someone, so it goes to standard error rather than nowhere.
        std::fputs(text.c_str(), stderr);
        if (text.empty() || text.back() != '\n') std::fputc('\n', stderr);
        return;
    }
    message_box(kProgramTitle, text, BoxButtons::Ok, BoxIcon::Stop);
    service_messages();
}

bool ask_no(int terminal, const std::string& text) {
    (void)terminal;  // the one terminal owns every box
    return message_box(kProgramTitle, text, BoxButtons::YesNo, BoxIcon::Stop) != BoxAnswer::Yes;
}

}  // namespace mw31
