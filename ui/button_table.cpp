#include "ui/button_table.h"

#include <atomic>

namespace orbix {
namespace {

static_assert(kButtonRules[0].kind == SkinWindowKind::Main);
static_assert(kButtonRules[1].kind == SkinWindowKind::ProgramList);
static_assert(kButtonRules[2].kind == SkinWindowKind::SatelliteTree);

struct ReadyFlagSet {
    ReadyFlagSet() {
        for (auto& flag : flags) flag.store(1);  // all buttons start ready
    }
    std::array<std::atomic<int>, kButtonCount> flags;
};

std::array<std::atomic<int>, kButtonCount>& ReadyFlags() {
    static ReadyFlagSet set;
    return set.flags;
}

bool InRange(int index) { return index >= 0 && index < kButtonCount; }

bool Owns(const ButtonRules& rules, int index) {
    return index >= rules.first && index <= rules.last;
}

}  // namespace

bool IsButtonReady(int index) { return InRange(index) && ReadyFlags()[index].load() != 0; }

void SetButtonReady(int index, bool ready) {
    if (InRange(index)) ReadyFlags()[index].store(ready ? 1 : 0);
}

void SetButtonsReady(SkinWindowKind kind) {
    const ButtonRules& rules = RulesFor(kind);
    for (int i = rules.first; i <= rules.last; ++i) SetButtonReady(i, true);
}

int PressedButtonAt(SkinWindowKind kind, int x, int y) {
    const ButtonRules& rules = RulesFor(kind);
    for (int i = rules.first; i <= rules.last; ++i) {
        const ButtonEntry& b = g_buttonTable[i];
        if (!b.Contains(x, y)) continue;
        if (rules.pressNeedsEnabled && b.enabled == 0) continue;
        if (rules.pressNeedsReady && !IsButtonReady(i)) continue;
        return i;
    }
    return -1;
}

bool ReleaseActs(SkinWindowKind kind, int pressed, int x, int y) {
    const ButtonRules& rules = RulesFor(kind);
    if (!Owns(rules, pressed)) return false;
    const ButtonEntry& b = g_buttonTable[pressed];
    if (!b.Contains(x, y) || b.enabled == 0) return false;
    return !rules.releaseNeedsReady || IsButtonReady(pressed);
}

int ButtonAt(SkinWindowKind kind, int x, int y) {
    const ButtonRules& rules = RulesFor(kind);
    for (int i = rules.first; i <= rules.last; ++i) {
        if (g_buttonTable[i].Contains(x, y)) return i;
    }
    return -1;
}

}  // namespace orbix
