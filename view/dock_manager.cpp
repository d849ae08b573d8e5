#include "view/dock_manager.h"

#include <algorithm>
#include <cstdlib>

namespace orbix {

namespace {

constexpr int kNoSnapX = 800;
constexpr int kNoSnapY = 600;

bool SharesEdge(const DockRect& m, const DockRect& s) {
    return m.left == s.left || m.left == s.right || m.right == s.left || m.right == s.right ||
           m.top == s.top || m.top == s.bottom || m.bottom == s.top || m.bottom == s.bottom;
}

bool StrictlyBetween(int v, int low, int high) { return v > low && v < high; }

// One axis of a rectangle, so that both snap directions share one routine:
// `near` and `far` are the edges that move, `crossLow`/`crossHigh` the other
// axis's edges that decide whether two windows face each other.
struct Axis {
    int near, far, crossLow, crossHigh;
};

Axis AxisOf(const DockRect& r, bool vertical) {
    return vertical ? Axis{r.top, r.bottom, r.left, r.right}
                    : Axis{r.left, r.right, r.top, r.bottom};
}

void Shift(DockRect& r, int by, bool vertical) {
    if (vertical) {
        r.top += by;
        r.bottom += by;
    } else {
        r.left += by;
        r.right += by;
    }
}

}  // namespace

CDockManager::CDockManager(DockRect workArea) : m_workArea(workArea) {}

void CDockManager::SetWorkArea(const DockRect& area) {
    std::scoped_lock lock(m_mutex);
    m_workArea = area;
}

void CDockManager::SetMainWindow(IDockWindow* window) {
    std::scoped_lock lock(m_mutex);
    m_main = Entry{window, window ? window->Geometry() : DockRect{}};
}

void CDockManager::AddDocked(IDockWindow* window) {
    if (!window) return;
    std::scoped_lock lock(m_mutex);
    m_docked.push_back(Entry{window, window->Geometry()});
}

void CDockManager::RemoveDocked(IDockWindow* window) {
    std::scoped_lock lock(m_mutex);
    auto it = std::find_if(m_docked.begin(), m_docked.end(),
                           [window](const Entry& e) { return e.window == window; });
    if (it != m_docked.end()) m_docked.erase(it);
}

void CDockManager::BeginDrag(IDockWindow* window, DockPoint point) {
    std::scoped_lock lock(m_mutex);
    m_dragged = window;
    m_dragging = true;
    m_anchor = point;
    if (m_main.window) m_main.rect = m_main.window->Geometry();
    for (Entry& e : m_docked) e.rect = e.window->Geometry();
    BuildLists();
}

void CDockManager::BuildLists() {
    m_moving.clear();
    m_static.clear();
    const Entry workArea{nullptr, m_workArea};
    if (m_dragged != nullptr && m_dragged == m_main.window) {
        m_moving.push_back(m_main);
        m_static.push_back(workArea);
        m_static.insert(m_static.end(), m_docked.begin(), m_docked.end());
        GrowMovingList();
        return;
    }
    m_static.push_back(m_main);
    m_static.push_back(workArea);
    for (const Entry& e : m_docked) (e.window == m_dragged ? m_moving : m_static).push_back(e);
}

// Windows whose edges line up with a moving window move too, transitively.
void CDockManager::GrowMovingList() {
    for (std::size_t m = 0; m < m_moving.size(); ++m) {
        for (auto it = m_static.begin(); it != m_static.end();) {
            if (it->window != nullptr && SharesEdge(m_moving[m].rect, it->rect)) {
                m_moving.push_back(*it);
                it = m_static.erase(it);
            } else {
                ++it;
            }
        }
    }
}

void CDockManager::DragTo(DockPoint point) {
    std::scoped_lock lock(m_mutex);
    if (!m_dragging) return;
    const int dx = point.x - m_anchor.x;
    const int dy = point.y - m_anchor.y;
    for (Entry& e : m_moving) {
        Shift(e.rect, dx, false);
        Shift(e.rect, dy, true);
    }
    const int snapX = SnapOffset(false);
    const int snapY = SnapOffset(true);
    ApplySnap(snapX, false);
    ApplySnap(snapY, true);
    for (Entry& e : m_moving) e.window->Move(e.rect);
}

// The last edge difference below the threshold between a moving and a static
// window that face each other on the other axis; a no-snap value if none.
int CDockManager::SnapOffset(bool vertical) const {
    int snap = vertical ? kNoSnapY : kNoSnapX;
    for (const Entry& m : m_moving) {
        const Axis ma = AxisOf(m.rect, vertical);
        for (const Entry& s : m_static) {
            const Axis sa = AxisOf(s.rect, vertical);
            const int low = sa.crossLow - kSnapThreshold;
            const int high = sa.crossHigh + kSnapThreshold;
            if (!StrictlyBetween(ma.crossLow, low, high) &&
                !StrictlyBetween(ma.crossHigh, low, high)) {
                continue;
            }
            for (int d : {ma.near - sa.near, ma.near - sa.far, ma.far - sa.near, ma.far - sa.far}) {
                if (std::abs(d) < kSnapThreshold) snap = d;
            }
        }
    }
    return snap;
}

// Pulls the group by -snap, unless that would leave the dragged window wholly
// outside the work area on this axis.
void CDockManager::ApplySnap(int snap, bool vertical) {
    if (std::abs(snap) >= kSnapThreshold || snap == 0 || m_moving.empty()) return;
    DockRect first = m_moving.front().rect;
    Shift(first, -snap, vertical);
    const Axis f = AxisOf(first, vertical);
    const Axis area = AxisOf(m_workArea, vertical);
    if (f.near >= area.far || f.far <= area.near) return;
    for (Entry& e : m_moving) Shift(e.rect, -snap, vertical);
}

void CDockManager::EndDrag() {
    std::scoped_lock lock(m_mutex);
    m_dragging = false;
}

bool CDockManager::Dragging() const {
    std::scoped_lock lock(m_mutex);
    return m_dragging;
}

int CDockManager::DockedCount(const IDockWindow* window) const {
    std::scoped_lock lock(m_mutex);
    return static_cast<int>(std::count_if(m_docked.begin(), m_docked.end(),
                                          [window](const Entry& e) { return e.window == window; }));
}

std::vector<IDockWindow*> CDockManager::MovingWindows() const {
    std::scoped_lock lock(m_mutex);
    std::vector<IDockWindow*> out;
    for (const Entry& e : m_moving) out.push_back(e.window);
    return out;
}

}  // namespace orbix
