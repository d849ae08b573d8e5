#pragma once

#include <QTreeWidgetItem>
#include <string>

namespace orbix::sattree {

// Tree items keep the names as stored (GBK) beside the text they show, so
// that every comparison with the database is byte for byte.
inline constexpr int kNameRole = Qt::UserRole;

QTreeWidgetItem* MakeItem(const std::string& nameGbk);
std::string ItemName(const QTreeWidgetItem* item);
// A transponder sits under its satellite; satellites are top-level.
inline bool IsTransponder(const QTreeWidgetItem* item) {
    return item != nullptr && item->parent() != nullptr;
}

}  // namespace orbix::sattree
