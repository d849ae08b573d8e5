#include "card/pid_filter.h"

#include <gtest/gtest.h>

#include <chrono>
#include <future>
#include <numeric>
#include <thread>

#include "card/card_texts.h"
#include "support/card_fixture.h"

namespace orbix {
namespace {

using Table = std::array<std::uint16_t, CPidFilter::kSlots>;

Table Slots(std::initializer_list<std::uint16_t> values) {
    Table t{};
    std::ranges::copy(values, t.begin());
    return t;
}

struct FilterFixture : testing::CardFixture {
    FilterFixture() {
        LoadLogic();
        filter.SetCardAccess(&access);
    }
    ~FilterFixture() { filter.SetCardAccess(nullptr); }
    // What the card holds must always be what the filter holds.
    void ExpectTable(const Table& expected, const char* what) {
        EXPECT_EQ(filter.Table(), expected) << what;
        EXPECT_EQ(card.Logic().PidTable(), expected) << what;
    }
    CPidFilter filter;
};

TEST(PidFilter, ClassesKeepEachOthersSlots) {
    FilterFixture f;
    const std::uint16_t user[] = {0x100, 0, 0x200, 0x300};
    f.filter.SetProgramPids({0x20, 0x21, 0x22, 0x23, 0});
    f.ExpectTable(Slots({0x6000, 0x6020, 0x6021, 0x6022, 0x6023, 0x6011}),
                  "program; a 0 field takes no slot");
    f.filter.SetUserPids(user);
    f.ExpectTable(Slots({0x6000, 0x6020, 0x6021, 0x6022, 0x6023, 0x6011, 0x2100, 0x2200, 0x2300}),
                  "user PIDs after the program, zeros skipped");
    f.filter.ClearPids(PidClass::Program);
    f.ExpectTable(Slots({0, 0, 0, 0, 0, 0, 0x2100, 0x2200, 0x2300}), "program cleared, user kept");
    f.filter.SetPatPid();
    f.ExpectTable(Slots({0x6000, 0, 0, 0, 0, 0, 0x2100, 0x2200, 0x2300}),
                  "PAT in the lowest free slot");
}

// Every slot counts alone, the first, a middle and the last: a user PID
// there is kept by a program change, counted against the program's room and
// skipped when the program fills the table; a full table drops what is left.
TEST(PidFilter, EachSlotAloneKeepsItsClass) {
    std::vector<PatEntry> pat;
    for (std::uint16_t n = 1; n <= 40; ++n)
        pat.push_back({n, static_cast<std::uint16_t>(0x100 + n)});
    const std::uint16_t user[] = {0x1234, 0x1235};
    for (const int slot : {0, 15, 31}) {
        SCOPED_TRACE(slot);
        FilterFixture f;
        f.filter.SetPmtPids(std::span(pat).first(static_cast<std::size_t>(slot)));
        f.filter.SetUserPids(std::span(user).first(1));
        f.filter.ClearPids(PidClass::Program);
        Table expected{};
        expected[slot] = 0x3234;
        f.ExpectTable(expected, "program cleared");
        EXPECT_EQ(f.filter.ProgramRoom(), 31);
        f.filter.SetPmtPids(pat);
        for (int i = 0, next = 0x101; i < 32; ++i)
            expected[i] = i == slot ? 0x3234 : static_cast<std::uint16_t>(0x6000 | next++);
        f.ExpectTable(expected, "full: the 32nd PMT on is dropped");
        f.filter.SetUserPids(user);
        f.ExpectTable(expected, "full: the second user PID is dropped");
        EXPECT_EQ(f.filter.ProgramRoom(), 31);
        f.filter.ClearPids(PidClass::User);
        expected[slot] = 0;
        f.ExpectTable(expected, "user cleared, program kept");
    }
}

TEST(PidFilter, PmtPidsSkipTheNetworkEntryAndPagesTakeTheirRange) {
    FilterFixture f;
    std::vector<PatEntry> pat{{0, 0x10}};
    for (std::uint16_t n = 1; n <= 40; ++n)
        pat.push_back({n, static_cast<std::uint16_t>(0x100 + n)});
    f.filter.SetPmtPids(std::span(pat).first(4));
    f.ExpectTable(Slots({0x6101, 0x6102, 0x6103}), "network PID skipped");
    f.filter.SetPmtPidsPage(std::span(pat).subspan(1), 40, 2);
    f.ExpectTable(Slots({0x6121, 0x6122, 0x6123, 0x6124, 0x6125, 0x6126, 0x6127, 0x6128}),
                  "page 2 of 40");
    pat[2].pid = 0x1FFF;
    f.filter.SetPmtPidsPage(pat, 4, 1);
    f.ExpectTable(Slots({0x6010, 0x6101, 0x6103}), "null PID skipped on a page");
}

TEST(PidFilter, UnverifiableWriteKeepsTheRequestedTableForTheNextRewrite) {
    FilterFixture f;
    f.card.Logic().LoseConfiguration();
    EXPECT_FALSE(f.filter.SetPatPid());
    EXPECT_EQ(f.notices.TextsUtf8(), std::vector<std::string>{"请重新发送一遍PID!"});
    EXPECT_EQ(f.filter.Table(), Slots({0x6000}));
    f.LoadLogic();
    EXPECT_TRUE(f.filter.RewritePids());
    f.ExpectTable(Slots({0x6000}), "rewritten after the reload");
    EXPECT_EQ(f.notices.Shown().size(), 1u);
}

// While the user reads the message, another thread changing PIDs must get
// through: the message comes after the filter's lock is released.
TEST(PidFilter, FailedWriteIsToldWithoutHoldingTheFilter) {
    struct CProbeNotices final : INotices {
        NoticeAnswer Show(const Notice& notice) override {
            texts.push_back(notice.text);
            other = std::async(std::launch::async, [this] { return filter.Table()[0]; });
            gotIn = other.wait_for(std::chrono::seconds(60)) == std::future_status::ready;
            return NoticeAnswer::Ok;
        }
        CPidFilter filter;
        std::vector<std::string> texts;
        std::future<std::uint16_t> other;
        bool gotIn = false;
    } probe;
    testing::CardFixture f;  // the logic is never loaded: no write verifies
    CCardAccess access(f.ports, f.clock, probe);
    access.SetIoBase(f.card.IoBase());
    probe.filter.SetCardAccess(&access);
    const std::uint16_t pids[] = {0x100};
    EXPECT_FALSE(probe.filter.SetUserPids(pids));
    probe.filter.SetCardAccess(nullptr);
    EXPECT_EQ(probe.texts, std::vector<std::string>{texts::ResendPids()});
    EXPECT_TRUE(probe.gotIn);
    EXPECT_EQ(probe.other.get(), 0x2100);
}

TEST(PidFilter, ConcurrentOwnersNeverLeaveAnOlderTableOnTheCard) {
    FilterFixture f;
    std::thread user([&] {
        for (std::uint16_t i = 1; i <= 40; ++i) {
            const std::uint16_t pids[] = {static_cast<std::uint16_t>(0x200 + i)};
            f.filter.SetUserPids(pids);
        }
    });
    for (std::uint16_t i = 1; i <= 40; ++i)
        f.filter.SetProgramPids({static_cast<std::uint16_t>(0x100 + i)});
    user.join();
    const auto table = f.filter.Table();
    EXPECT_EQ(f.card.Logic().PidTable(), table);
    EXPECT_NE(std::ranges::find(table, 0x2228), table.end());
    EXPECT_NE(std::ranges::find(table, 0x6128), table.end());
}

}  // namespace
}  // namespace orbix
