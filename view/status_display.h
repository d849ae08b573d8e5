#pragma once

#include <array>
#include <string>
#include <string_view>

#include "view/arcs.h"
#include "view/colours.h"
#include "view/status_text.h"

namespace orbix {

inline constexpr int kStatusTickMs = 500;
inline constexpr int kStatusTextX = 105;
inline constexpr int kStatusTextY = 26;

// What the status text and the signal symbol show right now.
struct StatusScene {
    bool started = false;  // false until the first tick: nothing drawn yet
    std::string drawnGbk;  // the first 26 bytes, safe to decode
    Rgb textColour;
    std::array<Rgb, 3> arcColours;  // inner, middle, outer
};

// Which parts of the display a tick changed.
struct TickChange {
    bool rebuilt = false;            // the text was built anew (lock or name changed)
    bool lockColourChanged = false;  // the play/save label needs a repaint
};

// The status text, the lock colour and the signal symbol, advanced by the
// 500 ms tick on the user-interface thread.
class CStatusDisplay {
  public:
    // Builds the text for a state and name; the first build happens at
    // bring-up, before the first tick, for the not-locked state.
    void Build(std::string_view transponderGbk, bool locked);
    // One tick: rebuild on a lock edge or a new transponder name, then scroll
    // the text by 2 bytes and step the symbol.
    TickChange Tick(bool locked, std::string_view transponderGbk);
    // The lock words of the interface language, for the next build.
    void SetLockWords(LockWords words) { m_text.SetLockWords(std::move(words)); }

    StatusScene Scene() const;
    const CStatusText& Text() const { return m_text; }
    Rgb LockColour() const { return m_lockColour; }
    int ArcPhase() const { return m_arcPhase; }
    bool LockShown() const { return m_lockShown; }

  private:
    CStatusText m_text;
    std::string m_shownTransponder;
    Rgb m_lockColour = kUnlockedRed;
    bool m_lockShown = false;
    bool m_locked = false;
    bool m_started = false;
    int m_arcPhase = 0;
};

}  // namespace orbix
