#pragma once

#include <functional>

#include "ui/skin_window.h"

namespace orbix {

class CCardSession;
class INotices;

// The two docked children of the main window.
enum class ChildKind { SatTree, ProgramList };

// What a child window gets from the main window when it is made.
struct ChildContext {
    QWidget* owner;  // the main window: the child's Qt parent, which deletes it
    CCardSession& session;
    INotices& notices;
    // The child's own close button: the main window clears its shown flag.
    std::function<void(ChildKind)> closedByUser;
};

// Makes one child window, hidden, owned by context.owner. The satellite tree
// and the program list windows plug in here.
using ChildFactory = std::function<CSkinWindow*(ChildKind kind, const ChildContext& context)>;

// Until the real children exist: bare skinned windows of the right faces
// whose only button is their close button.
CSkinWindow* MakePlaceholderChild(ChildKind kind, const ChildContext& context);

}  // namespace orbix
