#include "view/dock_manager.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace orbix {
namespace {

class FakeWindow final : public IDockWindow {
  public:
    explicit FakeWindow(DockRect r) : rect(r) {}
    DockRect Geometry() const override { return rect; }
    void Move(const DockRect& r) override { rect = r; }
    DockRect rect;
};

constexpr DockRect kWorkArea{0, 0, 800, 600};
constexpr DockRect kMain{300, 200, 650, 322};  // 350 x 122

constexpr DockRect Shifted(DockRect r, int dx, int dy) {
    return {r.left + dx, r.top + dy, r.right + dx, r.bottom + dy};
}

// The program list sits under the main window, the satellite tree at its right.
constexpr DockRect kList{300, 319, 650, 508};
constexpr DockRect kTree{649, 200, 899, 510};
// A child far from everything; a small window; one 100 px from the left edge.
constexpr DockRect kLoose{20, 400, 120, 500}, kBox{400, 200, 500, 300}, kLeft{100, 200, 450, 322};
// The group after a drag by (-20, -30).
constexpr DockRect kMainUp = Shifted(kMain, -20, -30), kListUp = Shifted(kList, -20, -30);

// A group's drags, alone and repeated: snaps to the work area's edges, a
// child dragged off and back, a child taken out of the group and put back.
// Each step is a drag of window `window` by (dx, dy), or its undocking or
// docking; `expected` (when given) is where every window stands after it. A
// second drag must start from where the first left the windows.
enum class Op { Drag, Undock, Dock };
struct Step {
    Op op;
    int window, dx = 0, dy = 0;
    std::vector<DockRect> expected = {};
};
struct SequenceCase {
    std::string name;
    std::vector<DockRect> windows;
    std::vector<Step> steps;
};

constexpr DockRect kListOff = Shifted(kList, 40, 50);
constexpr DockRect kMainUp2 = Shifted(kMain, -40, -60), kTreeBack{610, 140, 860, 450},
                   kListBack{280, 292, 630, 481};

// clang-format off
const SequenceCase kSequences[] = {
    {"LeftEdge14AwaySnapsToWorkArea", {kLeft}, {{Op::Drag, 0, -86, 0, {{0, 200, 350, 322}}}}},
    {"LeftEdge15AwayDoesNotSnap", {kLeft}, {{Op::Drag, 0, -85, 0, {{15, 200, 365, 322}}}}},
    {"TopEdge14AwaySnaps", {{100, 100, 450, 222}}, {{Op::Drag, 0, 0, -86, {{100, 0, 450, 122}}}}},
    // Past the right edge: the pull to the edge would leave the window wholly
    // outside, so it is skipped; the drag itself is not limited.
    {"SnapOutsideWorkAreaIsSkipped", {kBox}, {{Op::Drag, 0, 412, 0, {Shifted(kBox, 412, 0)}}}},
    // Child 2 lines up only with child 1, which lines up with the main
    // window: both follow. Child 3 lines up with nothing and stays.
    {"GroupGrowsTransitively", {kMain, kList, {700, 508, 760, 560}, kLoose},
     {{Op::Drag, 0, -20, -30, {kMainUp, kListUp, {680, 478, 740, 530}, kLoose}}}},
    {"ChildrenSharingOnlyWithEachOtherStay", {kMain, kLoose, {120, 450, 170, 480}},
     {{Op::Drag, 0, -20, -30, {kMainUp, kLoose, {120, 450, 170, 480}}}}},
    {"UndockedChildDoesNotMove", {kMain, kList},
     {{Op::Undock, 1}, {Op::Drag, 1, 40, 40, {kMain, kList}}}},
    {"TheGroupFollowsEveryDrag", {kMain, kList, kTree},
     {{Op::Drag, 0, -20, -30, {kMainUp, kListUp, Shifted(kTree, -20, -30)}},
      {Op::Drag, 0, -100, 40, {Shifted(kMain, -120, 10), Shifted(kList, -120, 10),
                                Shifted(kTree, -120, 10)}},
      {Op::Drag, 0, 60, -40, {Shifted(kMain, -60, -30), Shifted(kList, -60, -30),
                               Shifted(kTree, -60, -30)}}}},
    // Dragged off, the list stays behind; snapped back on, it follows again.
    {"AChildDraggedOffAndSnappedBack", {kMain, kList},
     {{Op::Drag, 1, 40, 50, {kMain, kListOff}},
      {Op::Drag, 0, -20, -30, {kMainUp, kListOff}},
      {Op::Drag, 1, -57, -74, {kMainUp, kListBack}},
      {Op::Drag, 0, 10, 10, {Shifted(kMainUp, 10, 10), Shifted(kListBack, 10, 10)}}}},
    // Hidden (undocked) the tree stays; shown again where it was, it is not
    // next to the main window and stays; snapped on, it follows.
    {"AChildHiddenShownAndSnappedOn", {kMain, kTree},
     {{Op::Undock, 1}, {Op::Drag, 0, -20, -30, {kMainUp, kTree}},
      {Op::Dock, 1}, {Op::Drag, 0, -20, -30, {kMainUp2, kTree}},
      {Op::Drag, 1, -37, -58, {kMainUp2, kTreeBack}},
      {Op::Drag, 0, 10, 10, {Shifted(kMainUp2, 10, 10), Shifted(kTreeBack, 10, 10)}}}},
    // Listed twice and removed once, a child is still docked; removed again,
    // and once more when no longer listed, it is not.
    {"DockedTwiceUndockedOnce", {kMain, kList},
     {{Op::Dock, 1}, {Op::Undock, 1}, {Op::Drag, 0, -20, -30, {kMainUp, kListUp}},
      {Op::Undock, 1}, {Op::Undock, 1}, {Op::Drag, 0, 20, 30, {kMain, kListUp}}}},
};
// clang-format on

TEST(DockManager, MovesSnapsAndRedocksTheGroup) {
    for (const SequenceCase& c : kSequences) {
        std::vector<FakeWindow> windows(c.windows.begin(), c.windows.end());
        CDockManager dock(kWorkArea);
        dock.SetMainWindow(&windows[0]);
        for (std::size_t i = 1; i < windows.size(); ++i) dock.AddDocked(&windows[i]);
        dock.DragTo(DockPoint{100, 100});  // no drag yet: nothing moves
        for (std::size_t s = 0; s < c.steps.size(); ++s) {
            SCOPED_TRACE(c.name + " step " + std::to_string(s));
            const Step& step = c.steps[s];
            IDockWindow* window = &windows[step.window];
            if (step.op == Op::Undock) dock.RemoveDocked(window);
            if (step.op == Op::Dock) dock.AddDocked(window);
            if (step.op != Op::Drag) continue;
            dock.BeginDrag(window, DockPoint{50, 5});
            dock.DragTo(DockPoint{50 + step.dx, 5 + step.dy});
            dock.EndDrag();
            dock.DragTo(DockPoint{0, 0});  // after the release nothing moves
            for (std::size_t i = 0; i < windows.size(); ++i)
                EXPECT_EQ(windows[i].rect, step.expected[i]) << i;
        }
    }
}

// The cursor's travel is measured from the press position; after a snap the
// next step starts from the snapped place.
TEST(DockManager, FollowsTheCursorStepByStep) {
    FakeWindow main({100, 200, 450, 322});
    CDockManager dock(kWorkArea);
    dock.SetMainWindow(&main);
    dock.BeginDrag(&main, DockPoint{10, 10});
    dock.DragTo(DockPoint{-80, 10});  // left 10: snaps to 0
    EXPECT_EQ(main.rect.left, 0);
    dock.DragTo(DockPoint{40, 10});  // 30 to the right: out of reach
    EXPECT_EQ(main.rect.left, 30);
}

}  // namespace
}  // namespace orbix
