// Token reader of the VRML importer with DEF/USE substitution and node skipping.
#include "faces3/vrml_reader.h"

#include "faces3/faces3_output.h"

namespace faces3_vrml {

VrmlReader::VrmlReader(const VrmlTokens& tokens, std::size_t use_budget)
    : t_(tokens), end_(tokens.size()), use_budget_(use_budget) {}

void VrmlReader::pop_finished() {
    while (pos_ >= end_ && !stack_.empty()) {
        pos_ = stack_.back().resume;
        end_ = stack_.back().end;
        stack_.pop_back();
    }
}

bool VrmlReader::peek(std::size_t& idx) {
    if (failed_) return false;
    pop_finished();
    if (pos_ >= end_) return false;
    idx = pos_;
    return true;
}

bool VrmlReader::peek_is(std::string_view word) {
    std::size_t i;
    return peek(i) && t_.is(i, word);
}

bool VrmlReader::next_raw(std::size_t& idx) {
    if (!peek(idx)) return false;
    ++pos_;
    return true;
}

bool VrmlReader::next(std::size_t& idx) {
    while (next_raw(idx)) {
        if (!t_.is(idx, "USE")) return true;
        if (!substitute(idx)) return false;
    }
    return false;
}

bool VrmlReader::need(std::size_t& idx) {
    if (next(idx)) return true;
    if (!failed_) {
        faces3_message_printf("faces3_rcv_from_vrml: Datei zu kurz");
        failed_ = true;
    }
    return false;
}

bool VrmlReader::substitute(std::size_t) {
    std::size_t name_idx;
    if (!next_raw(name_idx)) {
        faces3_message_printf("faces3_rcv_from_vrml: Datei zu kurz");
        failed_ = true;
        return false;
    }
    const std::string name = cut_name(t_.value(name_idx));
    const auto it = defs_.find(name);
    if (it == defs_.end()) {
        faces3_message_printf("faces3_rcv_from_vrml: DEF zu USE %s fehlt", name.c_str());
        failed_ = true;
        return false;
    }
    if (stack_.size() >= static_cast<std::size_t>(kVrmlMaxUseDepth)) {
        faces3_message_printf("faces3_rcv_from_vrml: USE %s: Stapelueberlauf", name.c_str());
        failed_ = true;
        return false;
    }
    const Def d = it->second;
    const std::size_t length = d.end - d.start;
    if (length > use_budget_) {
        faces3_message_printf(
            "faces3_rcv_from_vrml: USE %s: zu viele Ersetzungen (der Text waechst zu stark)",
            name.c_str());
        failed_ = true;
        return false;
    }
    use_budget_ -= length;
    stack_.push_back({pos_, end_});
    pos_ = d.start;
    end_ = d.end;
    return true;
}

void VrmlReader::define(std::string_view name_view, std::size_t type_idx) {
    const std::string name = cut_name(name_view);
    std::size_t end = type_idx + 1;
    if (end < t_.size() && t_.is(end, "{") && t_.match(end) != kNoMatch) end = t_.match(end) + 1;
    const auto it = defs_.find(name);
    if (it != defs_.end()) {
        it->second = {type_idx, end};
        return;
    }
    if (defs_.size() >= static_cast<std::size_t>(kVrmlMaxDefs)) {
        if (!defs_full_reported_)
            faces3_message_printf("faces3_rcv_from_vrml: zu viele verschiedene DEFs");
        defs_full_reported_ = true;
        return;
    }
    defs_.emplace(name, Def{type_idx, end});
}

void VrmlReader::register_defs(std::size_t from, std::size_t to) {
    for (std::size_t i = from; i + 2 < to; ++i)
        if (t_.is(i, "DEF")) define(t_.value(i + 1), i + 2);
}

bool VrmlReader::skip_to_close() {
    std::size_t idx;
    while (peek(idx)) {
        if (t_.is(idx, "}")) {
            ++pos_;
            return true;
        }
        const std::size_t m = t_.match(idx);
        if (t_.is(idx, "{") && m != kNoMatch && m < end_) {
            register_defs(idx, m);
            pos_ = m + 1;
            continue;
        }
        if (t_.is(idx, "DEF") && pos_ + 2 < end_) define(t_.value(pos_ + 1), pos_ + 2);
        ++pos_;
    }
    if (!failed_) {
        faces3_message_printf("faces3_rcv_from_vrml: Datei zu kurz");
        failed_ = true;
    }
    return false;
}

bool VrmlReader::skip_node() {
    std::size_t idx;
    if (!next_raw(idx)) return false;
    if (t_.is(idx, "USE")) return next_raw(idx);
    if (t_.is(idx, "DEF")) {
        std::size_t name, type;
        if (!next_raw(name) || !next_raw(type)) return false;
        define(t_.value(name), type);
    }
    if (!peek_is("{")) return true;  // a node without braces: only its type is skipped
    next_raw(idx);
    return skip_to_close();
}

}  // namespace faces3_vrml
