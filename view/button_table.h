#pragma once

#include <array>
#include <string_view>

namespace orbix {

// One bitmap button on a skinned window's face. The rectangle is in client
// pixels of the owning window; the text is the button's tooltip and the label
// drawn on the face (UTF-8 in the sources; the windows show it as it is).
struct ButtonEntry {
    int enabled;  // the button acts only when this is not 0; nothing changes it
    std::string_view text;
    int left, top, width, height;

    // Half-open: left <= x < left + width, top <= y < top + height.
    constexpr bool Contains(int x, int y) const {
        return x >= left && x < left + width && y >= top && y < top + height;
    }
};

inline constexpr int kButtonCount = 18;

// The buttons of all three skinned windows: 0-7 main window, 8-11 program
// list, 12-17 satellite tree. Neighbouring satellite-tree buttons overlap by a
// pixel or two; the lower index wins.
inline constexpr std::array<ButtonEntry, kButtonCount> g_buttonTable{{
    {1, "关于", 5, 2, 10, 10},
    {1, "最小化", 321, 1, 10, 10},
    {1, "关闭", 335, 1, 10, 10},
    {1, "播放", 7, 97, 36, 21},
    {1, "停止", 45, 97, 36, 21},
    {1, "保存", 83, 97, 36, 21},
    {1, "参数设置", 161, 97, 36, 21},
    {1, "显示节目列表", 121, 97, 36, 21},
    {1, "关闭节目列表", 336, 4, 10, 10},
    {1, "增加节目", 13, 165, 63, 21},
    {1, "删除节目", 80, 165, 63, 21},
    {1, "修改节目", 146, 165, 63, 21},
    {1, "关闭参数列表", 234, 2, 10, 10},
    {1, "增加卫星及转发器参数", 2, 287, 51, 21},
    {1, "删除卫星或转发器参数", 51, 287, 51, 21},
    {1, "编辑参数", 100, 287, 51, 21},
    {1, "锁定转发器", 149, 287, 51, 21},
    {1, "搜索转发器", 199, 287, 51, 21},
}};

enum class SkinWindowKind { Main, ProgramList, SatelliteTree };

// How one window treats its buttons. Release always needs the point inside the
// pressed button and `enabled`; the rest differs per window.
struct ButtonRules {
    SkinWindowKind kind;
    int first, last;         // index range in g_buttonTable, inclusive
    bool pressNeedsEnabled;  // a disabled button does not even look pressed
    bool pressNeedsReady;    // the ready flag gates the press
    bool releaseNeedsReady;  // the ready flag gates the action as well
};

inline constexpr std::array<ButtonRules, 3> kButtonRules{{
    {SkinWindowKind::Main, 0, 7, false, false, false},
    {SkinWindowKind::ProgramList, 8, 11, true, true, false},
    {SkinWindowKind::SatelliteTree, 12, 17, true, true, true},
}};

constexpr const ButtonRules& RulesFor(SkinWindowKind kind) {
    return kButtonRules[static_cast<int>(kind)];
}

// The ready flags of one window's buttons, beside the constant table: each
// skinned window keeps its own and changes them on the user-interface thread
// only (a paint sets them all; the satellite tree's search command clears
// button 17's and the search's end, posted to that thread, sets it again).
class CButtonStates {
  public:
    explicit CButtonStates(SkinWindowKind kind);  // every button starts ready

    SkinWindowKind Kind() const { return m_rules->kind; }
    // False for an index outside this window's buttons.
    bool Ready(int index) const;
    void SetReady(int index, bool ready);  // ignores another window's index
    void SetAllReady();

    // The button a press at (x, y) takes, or -1.
    int PressedAt(int x, int y) const;
    // Whether releasing the pressed button at (x, y) runs its action.
    bool ReleaseActs(int pressed, int x, int y) const;

  private:
    bool Owns(int index) const { return index >= m_rules->first && index <= m_rules->last; }

    const ButtonRules* m_rules;
    std::array<bool, kButtonCount> m_ready{};
};

// The button whose tooltip covers (x, y) in that window, or -1.
int ButtonAt(SkinWindowKind kind, int x, int y);

}  // namespace orbix
