// Dialogs of the Qt backend, for use with a display (declared without Qt types).
#pragma once

#include <string>
#include <vector>

#include "mw31/dialogs.h"

namespace mw31 {

// "desc|pattern|desc|pattern|" to Qt's "desc (pattern);;desc (pattern)"; patterns joined by
// ';' become blank-separated and "*.*" means every file, dotted or not.
std::string qt_name_filters(const std::string& filter);

BoxAnswer qt_message_box(const std::string& title, const std::string& text, BoxButtons buttons,
                         BoxIcon icon);
std::vector<std::string> qt_open_file_dialog(const OpenFileRequest& request);
std::string qt_save_file_dialog(const SaveFileRequest& request);
bool qt_ask_text(const std::string& title, const std::string& prompt, std::string* text);
bool qt_ask_text_request(const TextRequest& request, std::string* text);
bool qt_choose_item(const std::string& title, const std::string& prompt,
                    const std::vector<std::string>& items, int* chosen);

}  // namespace mw31
