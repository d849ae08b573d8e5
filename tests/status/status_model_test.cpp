#include <gtest/gtest.h>

#include "app/status/gauge.h"
#include "app/status/status_display.h"
#include "app/status/tray_state.h"
#include "platform/text.h"

namespace orbix {
namespace {

TEST(StatusText, LockWordFollowsNameParityAndTextIsPadded) {
    struct Case {
        const char* nameUtf8;
        bool locked;
        const char* startUtf8;  // then spaces up to 30 bytes
    };
    const Case cases[] = {
        {"3840H", true, "3840H 锁定成功！"},  // odd name: leading space
        {"TP12", true, "TP12锁定成功！"},     // even name: none
        {"亚太", false, "亚太锁定中！"},
        {"A亚太", false, "A亚太 锁定中！"},
    };
    for (const Case& c : cases) {
        CStatusText text;
        text.Build(Gbk(c.nameUtf8), c.locked);
        const std::string start = Gbk(c.startUtf8);
        EXPECT_EQ(text.Bytes(), start + std::string(kStatusTextBytes - start.size(), ' '))
            << c.nameUtf8;
    }
}

TEST(StatusText, RotationMovesTwoBytesToPosition28) {
    CStatusText text;
    text.Build("ABCD", false);
    text.Rotate();
    EXPECT_EQ(text.Bytes().substr(0, 4), "CD" + Gbk("锁"));
    EXPECT_EQ(text.Bytes().substr(28), "AB");

    // A text longer than 30 bytes keeps its length and gets no padding; the
    // scrolled bytes land at 28, not at its end.
    const std::string longName(31, 'x');
    text.Build(std::string("AB") + longName, true);
    const std::size_t size = text.Bytes().size();
    EXPECT_GT(size, kStatusTextBytes);
    text.Rotate();
    EXPECT_EQ(text.Bytes().size(), size);
    EXPECT_EQ(text.Bytes().substr(28, 2), "AB");
}

TEST(StatusText, DrawnBytesNeverHoldHalfACharacter) {
    CStatusText text;
    // 25 bytes of name: the lead byte of the lock word's first character sits
    // at byte 26, out of view; an odd name of 1 byte then a Chinese character
    // cut by the scroll.
    text.Build(Gbk("ABCDEFGHIJKLMNOPQRSTUVWX中"), true);  // 26-byte name, even
    EXPECT_EQ(Utf8(text.Drawn()), "ABCDEFGHIJKLMNOPQRSTUVWX中");

    text.Build(Gbk("ABCDEFGHIJKLMNOPQRSTUVWXY中"), true);  // 27 bytes: 中 straddles the edge
    EXPECT_EQ(Utf8(text.Drawn()), "ABCDEFGHIJKLMNOPQRSTUVWXY ");

    text.Build(Gbk("A中"), false);  // 3 bytes: the scroll splits 中
    text.Rotate();
    const std::string drawn = text.Drawn();
    EXPECT_EQ(drawn.size(), kStatusDrawnBytes);
    EXPECT_EQ(drawn[0], ' ');
    EXPECT_EQ(Utf8(drawn).find("\xEF\xBF\xBD"), std::string::npos);  // nothing undecodable
    for (int tick = 0; tick < 30; ++tick) {
        text.Rotate();
        EXPECT_EQ(Utf8(text.Drawn()).find("\xEF\xBF\xBD"), std::string::npos) << tick;
    }
}

TEST(StatusDisplay, TickRebuildsOnLockEdgeAndNameChange) {
    CStatusDisplay display;
    display.Build("", false);
    EXPECT_FALSE(display.Scene().started);

    TickChange change = display.Tick(false, "");
    EXPECT_FALSE(change.rebuilt);
    change = display.Tick(true, "");
    EXPECT_TRUE(change.rebuilt);
    EXPECT_TRUE(change.lockColourChanged);
    EXPECT_EQ(display.LockColour(), kLockedGreen);
    EXPECT_EQ(display.Text().Bytes().substr(0, 4), Gbk("定成"));  // rebuilt, then scrolled once

    change = display.Tick(true, "TP2");  // same lock, new name
    EXPECT_TRUE(change.rebuilt);
    EXPECT_FALSE(change.lockColourChanged);
    EXPECT_EQ(display.Text().Bytes().substr(0, 2), "2 ");
    EXPECT_FALSE(display.Tick(true, "TP2").rebuilt);
}

TEST(StatusDisplay, ArcsCycleOneTwoThree) {
    CStatusDisplay display;
    display.Build("TP", false);
    const std::array<int, 6> expectedShown{2, 3, 1, 2, 3, 1};  // arcs shown after each tick
    for (int tick = 0; tick < 6; ++tick) {
        display.Tick(tick >= 3, "TP");
        const StatusScene scene = display.Scene();
        const Rgb on = tick >= 3 ? kLockedGreen : kUnlockedRed;
        for (int arc = 0; arc < 3; ++arc)
            EXPECT_EQ(scene.arcColours[arc], arc < expectedShown[tick] ? on : kArcBackground)
                << "tick " << tick << " arc " << arc;
        EXPECT_EQ(scene.textColour, on);
    }
}

TEST(Gauge, ColoursTextsAndChanges) {
    EXPECT_EQ(GaugeColumnColour(0), (Rgb{255, 0, 0}));
    EXPECT_EQ(GaugeColumnColour(100), (Rgb{128, 127, 0}));
    EXPECT_EQ(GaugeColumnColour(199), (Rgb{2, 253, 0}));

    struct Case {
        int value;
        const char* text;
        int from, to, barColumns, blackEnd;
    };
    const Case steps[] = {
        {80, "80%", 0, 160, 160, 160},     // first reading: the whole bar
        {30, "30%", 60, 160, 60, 160},     // drop: columns 60..159 go black
        {150, "100%", 60, 200, 200, 200},  // above 100 counts as 100
        {5, "5%  ", 10, 200, 10, 200},    {-7, "0%  ", 0, 10, 0, 200},  // below 0 counts as 0
    };
    CGauge gauge;
    for (const Case& s : steps) {
        const GaugeChange change = gauge.Update(s.value);
        const GaugeScene scene = gauge.Scene();
        EXPECT_EQ(change.from, s.from) << s.value;
        EXPECT_EQ(change.to, s.to) << s.value;
        EXPECT_EQ(scene.barColumns, s.barColumns) << s.value;
        EXPECT_EQ(scene.blackEnd, s.blackEnd) << s.value;
        EXPECT_EQ(scene.text, s.text);
    }
    EXPECT_EQ(gauge.Drawn(), 0);
    EXPECT_FALSE(gauge.Update(0).Any());  // nothing changed: nothing to repaint
}

TEST(TrayState, TipsByState) {
    EXPECT_EQ(Utf8(TrayTipGbk(TrayState::Undetermined)), "信号处于无定状态");
    EXPECT_EQ(Utf8(TrayTipGbk(TrayStateFor(true))), "信号锁定—Orbix多媒体数据接收卡");
    EXPECT_EQ(Utf8(TrayTipGbk(TrayStateFor(false))), "信号未锁定—Orbix多媒体数据接收卡");
    EXPECT_LE(TrayTipGbk(TrayState::NotLocked).size(), 63u);
}

}  // namespace
}  // namespace orbix
