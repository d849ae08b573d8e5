#include "app/gui/child_windows.h"

#include "ui/resources.h"

namespace orbix {
namespace {

class CPlaceholderChild final : public CSkinWindow {
  public:
    CPlaceholderChild(ChildKind kind, const ChildContext& context)
        : CSkinWindow(kind == ChildKind::SatTree ? SkinWindowKind::SatelliteTree
                                                 : SkinWindowKind::ProgramList,
                      kind == ChildKind::SatTree ? kFaceSatTree : kFaceProgramList,
                      kind == ChildKind::SatTree ? kFaceSatTreePressed : kFaceProgramListPressed,
                      context.owner, Qt::Window),
          m_kind(kind),
          m_closed(context.closedByUser) {}

  protected:
    void OnButton(int index) override {
        if (index != RulesFor(Kind()).first) return;  // the close button comes first
        HideUndocked();
        if (m_closed) m_closed(m_kind);
    }

  private:
    ChildKind m_kind;
    std::function<void(ChildKind)> m_closed;
};

}  // namespace

CSkinWindow* MakePlaceholderChild(ChildKind kind, const ChildContext& context) {
    return new CPlaceholderChild(kind, context);
}

}  // namespace orbix
