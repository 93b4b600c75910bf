// Our own button bitmaps and window icons, drawn at first use and kept.
#pragma once

#include <QIcon>
#include <string>
#include <vector>

namespace mw31 {

// A null icon for names we have no picture for (the button then shows its caption).
QIcon icon_for(const std::string& name);
std::vector<std::string> icon_names();
// Pixmaps must go before the application does.
void clear_icon_cache();

}  // namespace mw31
