// The argument-list tokenizer with its cursor and token buffer.
#include "mw31/tokenizer.h"

namespace mw31 {

namespace {

bool is_separator(char c) {
    return c == ' ' || c == ',' || c == ';';
}

}  // namespace

TokenizerState& default_tokenizer() {
    static TokenizerState state;
    return state;
}

void set_token_text(const std::string& text, TokenizerState& state) {
    state.text = text;
    state.cursor = 0;
    state.token[0] = '\0';
}

const char* next_token(TokenizerState& state) {
    const std::string& text = state.text;
    std::size_t i = state.cursor < text.size() ? state.cursor : text.size();
    std::size_t n = 0;
    // Characters past the buffer are passed over, not stored.
    auto store = [&](char c) {
        if (n + 1 < sizeof state.token) state.token[n++] = c;
    };
    // A NUL in the text ends it, as it would a C string.
    auto at_end = [&](std::size_t k) { return k >= text.size() || text[k] == '\0'; };

    while (!at_end(i) && is_separator(text[i])) ++i;
    while (!at_end(i) && !is_separator(text[i])) {
        const char c = text[i++];
        store(c);
        if (c != '"' && c != '`') continue;
        while (!at_end(i) && text[i] != c) store(text[i++]);
        store(c);  // the closing quote, supplied when missing
        if (!at_end(i)) ++i;
    }
    state.token[n] = '\0';
    state.cursor = i;
    return state.token;
}

std::string token_rest(const TokenizerState& state) {
    if (state.cursor >= state.text.size()) return std::string();
    return state.text.substr(state.cursor);
}

}  // namespace mw31
