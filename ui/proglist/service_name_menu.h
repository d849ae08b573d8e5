#pragma once

#include <string>

class QMenu;

namespace orbix {

// Appends to the program list's context menu the setting that names
// programs from the broadcast service table (stored in the channel
// database's "ServiceNames" section, off by default) and the table for text
// without a selector. The checks show the stored setting each time the menu
// opens; a change is stored at once and counts from the next search.
void AddServiceNameActions(QMenu& menu, const std::string& databasePath);

}  // namespace orbix
