#include "view/button_table.h"

namespace orbix {

static_assert(kButtonRules[0].kind == SkinWindowKind::Main);
static_assert(kButtonRules[1].kind == SkinWindowKind::ProgramList);
static_assert(kButtonRules[2].kind == SkinWindowKind::SatelliteTree);

CButtonStates::CButtonStates(SkinWindowKind kind) : m_rules(&RulesFor(kind)) { SetAllReady(); }

bool CButtonStates::Ready(int index) const { return Owns(index) && m_ready[index]; }

void CButtonStates::SetReady(int index, bool ready) {
    if (Owns(index)) m_ready[index] = ready;
}

void CButtonStates::SetAllReady() {
    for (int i = m_rules->first; i <= m_rules->last; ++i) m_ready[i] = true;
}

int CButtonStates::PressedAt(int x, int y) const {
    for (int i = m_rules->first; i <= m_rules->last; ++i) {
        const ButtonEntry& b = g_buttonTable[i];
        if (!b.Contains(x, y)) continue;
        if (m_rules->pressNeedsEnabled && b.enabled == 0) continue;
        if (m_rules->pressNeedsReady && !Ready(i)) continue;
        return i;
    }
    return -1;
}

bool CButtonStates::ReleaseActs(int pressed, int x, int y) const {
    if (!Owns(pressed)) return false;
    const ButtonEntry& b = g_buttonTable[pressed];
    if (!b.Contains(x, y) || b.enabled == 0) return false;
    return !m_rules->releaseNeedsReady || Ready(pressed);
}

int ButtonAt(SkinWindowKind kind, int x, int y) {
    const ButtonRules& rules = RulesFor(kind);
    for (int i = rules.first; i <= rules.last; ++i) {
        if (g_buttonTable[i].Contains(x, y)) return i;
    }
    return -1;
}

}  // namespace orbix
