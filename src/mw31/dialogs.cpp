// Dialog entry points: canned test answers first, then the platform, and standard error
// when there is no screen to show a box on.
#include "mw31/dialogs.h"

#include <cstdio>
#include <deque>

#include "mw31/backend.h"

namespace mw31 {

namespace {
struct Hooks {
    std::deque<CannedAnswer> answers;
    std::vector<DialogRecord> shown;
};
Hooks& hooks() {
    static Hooks h;
    return h;
}
bool take_canned(CannedAnswer* out) {
    if (hooks().answers.empty()) return false;
    *out = hooks().answers.front();
    hooks().answers.pop_front();
    return true;
}
void record(const char* kind, const std::string& title, const std::string& text) {
    hooks().shown.push_back(DialogRecord{kind, title, text, {}, {}, {}});
}
}  // namespace

BoxAnswer message_box(const std::string& title, const std::string& text, BoxButtons buttons,
                      BoxIcon icon) {
    record("message", title, text);
    CannedAnswer canned;
    if (take_canned(&canned)) return canned.answer;
    Backend* b = backend();
    if (b && b->has_display()) return b->message_box(title, text, buttons, icon);
    // No screen: say it where a person running us from a shell will see it, never block.
    std::fprintf(stderr, "%s: %s\n", title.c_str(), text.c_str());
    return buttons == BoxButtons::YesNo ? BoxAnswer::No : BoxAnswer::Ok;
}

std::vector<std::string> open_file_dialog(const OpenFileRequest& request) {
    record("open", request.title, request.directory);
    hooks().shown.back().recent = request.recent;
    CannedAnswer canned;
    if (take_canned(&canned))
        return canned.answer == BoxAnswer::Cancel ? std::vector<std::string>{} : canned.files;
    Backend* b = backend();
    if (b && b->has_display()) return b->open_file_dialog(request);
    return {};
}

std::string save_file_dialog(const SaveFileRequest& request) {
    record("save", request.title, request.directory);
    CannedAnswer canned;
    if (take_canned(&canned))
        return canned.answer == BoxAnswer::Cancel || canned.files.empty() ? std::string()
                                                                          : canned.files[0];
    Backend* b = backend();
    if (b && b->has_display()) return b->save_file_dialog(request);
    return {};
}

bool ask_text(const std::string& title, const std::string& prompt, std::string* text) {
    record("text", title, prompt);
    CannedAnswer canned;
    if (take_canned(&canned)) {
        if (canned.answer == BoxAnswer::Cancel) return false;
        *text = canned.text;
        return true;
    }
    Backend* b = backend();
    if (b && b->has_display()) return b->ask_text(title, prompt, text);
    return false;
}

bool ask_text(const TextRequest& request, std::string* text) {
    hooks().shown.push_back(DialogRecord{
        "text", request.title, request.prompt, *text, {request.ok_text, request.cancel_text}, {}});
    CannedAnswer canned;
    if (take_canned(&canned)) {
        if (canned.answer == BoxAnswer::Cancel) return false;
        *text = canned.text;
        return true;
    }
    Backend* b = backend();
    if (b && b->has_display()) return b->ask_text_request(request, text);
    return false;
}

bool choose_item(const std::string& title, const std::string& prompt,
                 const std::vector<std::string>& items, int* chosen) {
    record("choice", title, prompt);
    if (items.empty()) return false;
    const int preset = *chosen >= 0 && size_t(*chosen) < items.size() ? *chosen : 0;
    *chosen = preset;
    CannedAnswer canned;
    if (take_canned(&canned)) {
        if (canned.answer == BoxAnswer::Cancel) return false;
        for (size_t i = 0; i < items.size(); ++i)
            if (items[i] == canned.text) *chosen = int(i);
        return true;
    }
    Backend* b = backend();
    if (b && b->has_display()) return b->choose_item(title, prompt, items, chosen);
    return true;
}

std::vector<std::string> split_filter(const std::string& filter) {
    std::vector<std::string> parts;
    if (filter.empty()) return parts;
    const char sep = filter.back();
    std::string piece;
    for (size_t i = 0; i + 1 < filter.size(); ++i) {
        if (filter[i] == sep) {
            parts.push_back(piece);
            piece.clear();
        } else {
            piece += filter[i];
        }
    }
    parts.push_back(piece);
    return parts;
}

void queue_dialog_answer(const CannedAnswer& answer) {
    hooks().answers.push_back(answer);
}
const std::vector<DialogRecord>& shown_dialogs() {
    return hooks().shown;
}
void clear_dialog_hooks() {
    hooks().answers.clear();
    hooks().shown.clear();
}

}  // namespace mw31
