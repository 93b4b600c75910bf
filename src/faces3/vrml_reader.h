// Token reader of the VRML importer: walks the token text, follows USE into the text of the
// DEF it names and back, and keeps the DEF table.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "faces3/vrml_tokens.h"

namespace faces3_vrml {

inline constexpr int kVrmlMaxDefs = 1024;      // distinct DEF names
inline constexpr int kVrmlMaxUseDepth = 1024;  // nested USE substitutions
inline constexpr int kVrmlNameMax = 255;       // stored names are cut to this length

class VrmlReader {
  public:
    // use_budget: how many tokens USE substitutions may deliver in all, so that DEFs that use
    // each other twice over cannot multiply the work without bound.
    VrmlReader(const VrmlTokens& tokens, std::size_t use_budget);

    // The next token, following USE; false at the end of the text or after a failure
    // (failed() tells which; the message has been shown).
    bool next(std::size_t& idx);
    // Like next, but at the end of the text shows "Datei zu kurz" and fails.
    bool need(std::size_t& idx);
    // The next token without taking it and without following USE; false at the end.
    bool peek(std::size_t& idx);
    // True when the next token is the word (unquoted).
    bool peek_is(std::string_view word);
    // Takes the next token without following USE.
    bool next_raw(std::size_t& idx);
    // The tokens [begin, end) that follow without any USE boundary, for list loops that read
    // many values; skip(k) takes the first k of them.
    void run(std::size_t& begin, std::size_t& end) const {
        begin = pos_;
        end = failed_ ? pos_ : end_;
    }
    void skip(std::size_t k) { pos_ += k; }

    // Skips to the "}" that closes a "{" already read; DEFs inside are registered.
    bool skip_to_close();
    // Skips one node as a whole: "USE name", or an optional "DEF name", a type and its
    // braces. DEFs inside are registered.
    bool skip_node();

    // Registers name for the node text that begins with the type token at type_idx.
    void define(std::string_view name, std::size_t type_idx);

    void fail() { failed_ = true; }
    bool failed() const { return failed_; }
    const VrmlTokens& tokens() const { return t_; }
    static std::string cut_name(std::string_view s) {
        return std::string(s.substr(0, kVrmlNameMax));
    }

  private:
    struct Frame {
        std::size_t resume;
        std::size_t end;
    };
    struct Def {
        std::size_t start;
        std::size_t end;  // one past the closing brace
    };
    void pop_finished();
    bool substitute(std::size_t use_idx);
    void register_defs(std::size_t from, std::size_t to);

    const VrmlTokens& t_;
    std::size_t pos_ = 0;
    std::size_t end_;
    std::vector<Frame> stack_;
    std::unordered_map<std::string, Def> defs_;
    std::size_t use_budget_;
    bool failed_ = false;
    bool defs_full_reported_ = false;
};

}  // namespace faces3_vrml
