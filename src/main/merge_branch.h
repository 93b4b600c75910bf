// Merge definitions without a window: --info describes the merge without writing anything,
// --merge-out writes the merged film without playing it.
#pragma once

#include <string>

namespace kurvlab {

// The entries (film, dx, dy, dw, i, phase), the total window and the step count; 0, or 1
// after a message.
int print_merge_info(const std::string& definition);

// The merged film written to `output` (the definition's own out= is not used); 0, or 1 after
// a message.
int write_merged_film(const std::string& definition, const std::string& output);

}  // namespace kurvlab
