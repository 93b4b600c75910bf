// The Qt implementation of the platform seam; the only header outside mw31/qt that names it.
#pragma once

#include <memory>

#include "mw31/backend.h"

namespace mw31 {

// Creates the Qt application (argc/argv as the program got them) and its backend.
std::unique_ptr<Backend> make_qt_backend(int& argc, char** argv);

}  // namespace mw31
