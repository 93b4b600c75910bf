// Field values of VRML nodes: numbers, integers and the values that are skipped.
#include "faces3/faces3_output.h"
#include "faces3/vrml_scene.h"

namespace faces3_vrml {

namespace {

bool is_punct(std::string_view w) {
    return w.size() == 1 &&
           (w[0] == '(' || w[0] == ')' || w[0] == '[' || w[0] == ']' || w[0] == '{' || w[0] == '}');
}

}  // namespace

bool VrmlScene::need_raw(std::size_t& idx) {
    if (r_.next_raw(idx)) return true;
    if (!r_.failed()) {
        faces3_message_printf("faces3_rcv_from_vrml: Datei zu kurz");
        r_.fail();
    }
    return false;
}

// A number is taken only when the next token is one; brackets, braces and words stay for
// the field loop, so that a missing value does not swallow the node's closing brace.
bool VrmlScene::number(double& v) {
    std::size_t i;
    while (r_.peek(i) && t_.is(i, ",")) r_.next_raw(i);
    if (!r_.peek(i) || t_.quoted(i) || is_punct(t_.raw(i))) return false;
    double x;
    if (!vrml_parse_double(t_.raw(i), x)) return false;
    r_.next_raw(i);
    v = x;
    return true;
}

bool VrmlScene::numbers(double* v, int n) {
    for (int k = 0; k < n; ++k)
        if (!number(v[k])) return false;
    return true;
}

bool VrmlScene::integer(int& v) {
    std::size_t i;
    while (r_.peek(i) && t_.is(i, ",")) r_.next_raw(i);
    if (!r_.peek(i) || t_.quoted(i)) return false;
    const std::string_view w = t_.raw(i);
    const char c = w[0];
    if (!(c == '-' || c == '+' || (c >= '0' && c <= '9'))) return false;
    r_.next_raw(i);
    v = vrml_parse_int(w);
    return true;
}

bool VrmlScene::skip_value() {
    std::size_t i;
    if (!r_.peek(i)) return true;
    if (t_.is(i, "[") || t_.is(i, "(")) {
        const std::string_view close = t_.is(i, "[") ? "]" : ")";
        r_.next_raw(i);
        while (r_.peek(i)) {
            if (t_.is(i, "}")) return true;  // unclosed list: the node ends here
            r_.next_raw(i);
            if (t_.is(i, close)) return true;
        }
        return true;
    }
    if (t_.is(i, "{")) {
        r_.next_raw(i);
        return r_.skip_to_close();
    }
    if (t_.is(i, "}")) return true;
    r_.next_raw(i);
    return true;
}

}  // namespace faces3_vrml
