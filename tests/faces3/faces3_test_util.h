// Helpers for the mesh library tests: capturing the terminal output, building bodies.
#pragma once

#include <string>

#include "faces3/faces3.h"
#include "faces3/faces3_output.h"

namespace f3test {

inline std::string& captured() {
    static std::string text;
    return text;
}

// Collects everything written to the terminal output while alive.
class CaptureTerminal {
  public:
    CaptureTerminal() {
        captured().clear();
        faces3_set_terminal_output([](const char* t) { captured() += t; });
    }
    ~CaptureTerminal() { faces3_set_terminal_output(nullptr); }
    const std::string& text() const { return captured(); }
};

// Silences the terminal output (bodies print a line when created).
class QuietTerminal {
  public:
    QuietTerminal() {
        faces3_set_terminal_output([](const char*) {});
    }
    ~QuietTerminal() { faces3_set_terminal_output(nullptr); }
};

inline int tri(Faces3Koerper* k, const double* c) {
    return faces3_insert_dreieck(k, c[0], c[1], c[2], c[3], c[4], c[5], c[6], c[7], c[8]);
}

struct BodyDeleter {
    void operator()(Faces3Koerper* k) const { faces3_free_koerper(k); }
};

}  // namespace f3test
