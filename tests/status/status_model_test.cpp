#include <gtest/gtest.h>

#include <tuple>

#include "platform/text.h"
#include "view/gauge.h"
#include "view/status_display.h"

namespace orbix {
namespace {

bool Decodable(const std::string& gbk) {
    return Utf8(gbk).find("\xEF\xBF\xBD") == std::string::npos;
}

TEST(StatusText, LockWordFollowsNameParityAndTextIsPadded) {
    const struct {
        const char* nameUtf8;
        bool locked;
        const char* startUtf8;  // then spaces up to 30 bytes
    } cases[] = {
        {"3840H", true, "3840H 锁定成功！"},  // odd name: leading space
        {"TP12", true, "TP12锁定成功！"},
        {"A亚太", false, "A亚太 锁定中！"},
    };
    for (const auto& c : cases) {
        CStatusText text;
        text.Build(Gbk(c.nameUtf8), c.locked);
        const std::string start = Gbk(c.startUtf8);
        EXPECT_EQ(text.Bytes(), start + std::string(kStatusTextBytes - start.size(), ' '))
            << c.nameUtf8;
    }
}

TEST(StatusText, RotationMovesTwoBytesToPosition28EvenWhenLonger) {
    CStatusText text;
    text.Build("ABCD", false);
    text.Rotate();
    EXPECT_EQ(text.Bytes().substr(0, 4), "CD" + Gbk("锁"));
    EXPECT_EQ(text.Bytes().substr(28), "AB");
    // Longer than 30 bytes: no padding, length kept, scrolled bytes still at 28.
    text.Build("AB" + std::string(31, 'x'), true);
    const std::size_t size = text.Bytes().size();
    text.Rotate();
    EXPECT_EQ(text.Bytes().size(), size);
    EXPECT_EQ(text.Bytes().substr(28, 2), "AB");
}

TEST(StatusText, DrawnBytesNeverHoldHalfACharacter) {
    CStatusText text;
    text.Build(Gbk("ABCDEFGHIJKLMNOPQRSTUVWX中"), true);  // 中 ends at the edge
    EXPECT_EQ(Utf8(text.Drawn()), "ABCDEFGHIJKLMNOPQRSTUVWX中");
    text.Build(Gbk("ABCDEFGHIJKLMNOPQRSTUVWXY中"), true);  // 中 straddles the edge
    EXPECT_EQ(Utf8(text.Drawn()), "ABCDEFGHIJKLMNOPQRSTUVWXY ");
    text.Build(Gbk("A中"), false);  // the scroll splits 中
    for (int tick = 0; tick < 31; ++tick) {
        text.Rotate();
        EXPECT_EQ(text.Drawn().size(), kStatusDrawnBytes);
        EXPECT_TRUE(Decodable(text.Drawn())) << tick;
    }
}

TEST(StatusDisplay, RebuildsOnLockEdgeAndNameChange) {
    CStatusDisplay display;
    display.Build("", false);
    EXPECT_FALSE(display.Tick(false, "").rebuilt);
    TickChange change = display.Tick(true, "");
    EXPECT_TRUE(change.rebuilt && change.lockColourChanged);
    EXPECT_EQ(display.Text().Bytes().substr(0, 4), Gbk("定成"));  // rebuilt, then scrolled once
    change = display.Tick(true, "TP2");
    EXPECT_TRUE(change.rebuilt && !change.lockColourChanged);
    EXPECT_FALSE(display.Tick(true, "TP2").rebuilt);
}

TEST(Gauge, BarTextAndRepaintSpanFollowEachReading) {
    const struct {
        int value;
        const char* text;
        int from, to, barColumns, blackEnd;
    } steps[] = {
        {80, "80%", 0, 160, 160, 160},     // first reading: the whole bar
        {30, "30%", 60, 160, 60, 160},     // drop: columns 60..159 go black
        {150, "100%", 60, 200, 200, 200},  // above 100 counts as 100
        {-7, "0%  ", 0, 200, 0, 200},      // below 0 counts as 0
    };
    CGauge gauge;
    for (const auto& s : steps) {
        const GaugeChange change = gauge.Update(s.value);
        const GaugeScene scene = gauge.Scene();
        EXPECT_EQ(std::tie(change.from, change.to, scene.barColumns, scene.blackEnd, scene.text),
                  std::tie(s.from, s.to, s.barColumns, s.blackEnd, s.text))
            << s.value;
    }
    EXPECT_FALSE(gauge.Update(0).Any());  // nothing changed: nothing to repaint
}

}  // namespace
}  // namespace orbix
