#pragma once

#include <mutex>
#include <vector>

namespace orbix {

// Screen rectangle; right and bottom are exclusive.
struct DockRect {
    int left = 0, top = 0, right = 0, bottom = 0;
    friend bool operator==(const DockRect&, const DockRect&) = default;
};

struct DockPoint {
    int x = 0, y = 0;
};

// What the manager needs of a window: where it is and how to put it
// elsewhere. The windowing layer supplies one per skinned window.
class IDockWindow {
  public:
    virtual ~IDockWindow() = default;
    virtual DockRect Geometry() const = 0;
    virtual void Move(const DockRect& rect) = 0;
};

// Moves the main window and the children docked to it as one group while a
// face is dragged, and snaps the group's edges to the other windows and to the
// screen's work area when they come within the snap threshold.
class CDockManager {
  public:
    static constexpr int kSnapThreshold = 15;  // a 14-pixel gap snaps, 15 does not

    explicit CDockManager(DockRect workArea = {0, 0, 800, 600});

    // The work area the dragged window must not be snapped out of.
    void SetWorkArea(const DockRect& area);

    void SetMainWindow(IDockWindow* window);
    void AddDocked(IDockWindow* window);     // appends, even if already listed
    void RemoveDocked(IDockWindow* window);  // removes the first entry only

    // point: press / cursor position in client coordinates of the window
    // that received the event.
    void BeginDrag(IDockWindow* window, DockPoint point);
    void DragTo(DockPoint point);
    void EndDrag();

    bool Dragging() const;
    int DockedCount(const IDockWindow* window) const;
    // The windows that move in the current drag, dragged window first.
    std::vector<IDockWindow*> MovingWindows() const;

  private:
    struct Entry {
        IDockWindow* window = nullptr;  // none for the work area
        DockRect rect;
    };

    void BuildLists();
    void GrowMovingList();
    int SnapOffset(bool vertical) const;
    void ApplySnap(int snap, bool vertical);

    mutable std::mutex m_mutex;
    Entry m_main;
    std::vector<Entry> m_docked;
    std::vector<Entry> m_moving;
    std::vector<Entry> m_static;
    IDockWindow* m_dragged = nullptr;
    bool m_dragging = false;
    DockPoint m_anchor;
    DockRect m_workArea;
};

}  // namespace orbix
