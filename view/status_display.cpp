#include "view/status_display.h"

namespace orbix {

void CStatusDisplay::Build(std::string_view transponderGbk, bool locked) {
    m_shownTransponder.assign(transponderGbk);
    m_lockColour = orbix::LockColour(locked);
    m_text.Build(transponderGbk, locked);
}

TickChange CStatusDisplay::Tick(bool locked, std::string_view transponderGbk) {
    TickChange change;
    const Rgb colourBefore = m_lockColour;
    if (locked != m_lockShown) {
        m_lockShown = locked;
        Build(transponderGbk, locked);
        change.rebuilt = true;
    }
    if (transponderGbk != m_shownTransponder) {
        Build(transponderGbk, locked);
        change.rebuilt = true;
    }
    change.lockColourChanged = m_lockColour != colourBefore;
    m_locked = locked;
    m_text.Rotate();
    m_arcPhase = NextArcPhase(m_arcPhase);
    m_started = true;
    return change;
}

StatusScene CStatusDisplay::Scene() const {
    StatusScene scene;
    scene.started = m_started;
    scene.drawnGbk = m_text.Drawn();
    scene.textColour = orbix::LockColour(m_locked);
    for (int arc = 0; arc < 3; ++arc)
        scene.arcColours[arc] = ArcShown(m_arcPhase, arc) ? scene.textColour : kArcBackground;
    return scene;
}

}  // namespace orbix
