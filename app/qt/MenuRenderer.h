#pragma once

#include <vector>

#include "app/shelf/MenuItem.h"

class QMenu;

namespace brimly {

// Fills a Qt menu from menu data: titles, secondary texts, check marks, enabled states, shortcuts, separators
// and submenus. The menu is cleared first, so a menu rebuilt as it opens shows the model's state of the
// moment.
void renderMenu(QMenu& menu, const std::vector<MenuItem>& items);

}  // namespace brimly
