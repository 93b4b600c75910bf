// Message boxes, questions and file dialogs. Every one can be answered by a test: queued
// canned answers are used first, and what was shown is recorded.
#pragma once

#include <string>
#include <vector>

namespace mw31 {

enum class BoxButtons { Ok, YesNo };
enum class BoxIcon { None, Stop, Information, Question };
enum class BoxAnswer { Ok, Yes, No, Cancel };

struct OpenFileRequest {
    std::string title;
    std::string directory;
    // Pairs of description and pattern separated by `filter_separator`, e.g.
    // "Films|*.anm|All files|*.*|".
    std::string filter;
    bool multiple = false;
    // Films chosen recently, newest first: the dialog offers their folders.
    std::vector<std::string> recent;
};

struct SaveFileRequest {
    std::string title;
    std::string directory;
    std::string filter;
    bool overwrite_prompt = true;
};

BoxAnswer message_box(const std::string& title, const std::string& text, BoxButtons buttons,
                      BoxIcon icon);
// Full paths of the chosen files; empty when cancelled.
std::vector<std::string> open_file_dialog(const OpenFileRequest& request);
// The chosen path; empty when cancelled.
std::string save_file_dialog(const SaveFileRequest& request);
// A line of text; false when cancelled.
bool ask_text(const std::string& title, const std::string& prompt, std::string* text);
// The same with buttons of its own names; *text is shown in the field and holds the answer.
struct TextRequest {
    std::string title;
    std::string prompt;
    std::string ok_text = "OK";
    std::string cancel_text = "Cancel";
};
bool ask_text(const TextRequest& request, std::string* text);
// One of `items`; *chosen is the preset on entry and the choice on return. False when
// cancelled. Without a screen the preset is taken.
bool choose_item(const std::string& title, const std::string& prompt,
                 const std::vector<std::string>& items, int* chosen);

// Splits a filter text whose last character is its separator into its pieces.
std::vector<std::string> split_filter(const std::string& filter);

// Test hooks.
struct DialogRecord {
    std::string kind;  // "message", "open", "save", "text", "choice"
    std::string title;
    std::string text;    // message text, prompt, or the start directory of a file dialog
    std::string preset;  // text questions: what the field showed
    std::vector<std::string> buttons;  // text questions with named buttons: OK, cancel
    std::vector<std::string> recent;   // open dialogs: the recent films offered
};
struct CannedAnswer {
    BoxAnswer answer = BoxAnswer::Ok;  // for boxes; Cancel cancels any dialog
    std::vector<std::string> files;    // for open/save dialogs
    std::string text;                  // for ask_text; for choose_item the item ("": preset)
};
void queue_dialog_answer(const CannedAnswer& answer);
const std::vector<DialogRecord>& shown_dialogs();
void clear_dialog_hooks();

}  // namespace mw31
