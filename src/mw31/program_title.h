// The program's name and version as every window, box and --version shows it.
#pragma once

namespace mw31 {

inline constexpr const char* kProgramTitle = "kurvlab Version 1862";

}  // namespace mw31
