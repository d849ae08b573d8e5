// The player's and the PID list's decisions, without processes or windows.
#include "app/player/player_core.h"

#include <gtest/gtest.h>

#include <map>
#include <set>

#include "platform/text.h"
#include "ui/pid/pid_list.h"

namespace orbix {
namespace {

using namespace player;

TEST(PlayerCore, DisplayNameCutsAtThreeBytesWithoutSplittingACharacter) {
    const struct {
        const char* nameUtf8;
        const char* shownUtf8;
    } cases[] = {
        {"节目12", "节目12"},   // 6 bytes: whole
        {"节目123", "节..."},   // 7 bytes: the 3rd byte starts a character, so 2 bytes
        {"ABCDEFG", "ABC..."},  // single bytes cut at 3
        {"A节目12", "A节..."},  // a character ending at byte 3 stays whole
        {"", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.nameUtf8);
        EXPECT_EQ(Utf8(DisplayName(Gbk(c.nameUtf8))), c.shownUtf8);
    }
}

TEST(PlayerCore, ArgumentsReadTheStreamPortAndQuoteThePathAtBothChainLevels) {
    EXPECT_EQ(PlayArguments(8511), std::vector<std::string>{"udp://@:8511"});
    const auto record = RecordArguments(20001, "/tmp/a b/x.mpg");
    ASSERT_EQ(record.size(), 5u);
    EXPECT_EQ(record[2], "udp://@:20001");
    EXPECT_EQ(record[3], "--sout");
    EXPECT_EQ(record[4], R"(#duplicate{dst="std{access=file,mux=ts,dst=\"/tmp/a b/x.mpg\"}"})");
    // Quotes, apostrophes and backslashes are escaped once per level;
    // braces and commas need no escape inside quotes.
    EXPECT_EQ(QuoteChainValue(R"(a"b'c\d{},)"), R"("a\"b\'c\\d{},")");
    EXPECT_EQ(RecordChain(R"(/x/"}.mpg)"),
              R"(#duplicate{dst="std{access=file,mux=ts,dst=\"/x/\\\"}.mpg\"}"})");
}

TEST(PlayerCore, PlayerIsLookedForBesideTheProgramThenOnPath) {
    const std::set<std::string> files = {"/opt/rx/vlc", "/usr/bin/vlc", "/usr/bin/fake",
                                         "/t/fake-vlc"};
    const auto exists = [&](const std::string& f) { return files.contains(f); };
    const struct {
        const char* override;
        const char* exeDir;
        const char* path;
        std::optional<std::string> found;
    } cases[] = {
        {"", "/opt/rx", "/usr/bin", "/opt/rx/vlc"},
        {"", "/home/u", "/usr/local/bin:/usr/bin", "/usr/bin/vlc"},
        {"", "/home/u", "/usr/local/bin", std::nullopt},
        {"/t/fake-vlc", "/opt/rx", "/usr/bin", "/t/fake-vlc"},
        {"fake", "/opt/rx", "/usr/local/bin:/usr/bin", "/usr/bin/fake"},
        {"/t/none", "/opt/rx", "/usr/bin", std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.override) + "|" + c.exeDir + "|" + c.path);
        EXPECT_EQ(FindPlayer({c.override, c.exeDir, c.path, exists}), c.found);
    }
}

TEST(PlayerCore, RootRunsThePlayerAsTheInvokingUserOrNobody) {
    const std::map<unsigned, UserInfo> users = {{1000, {1000, 1000, "ann", "/home/ann"}},
                                                {65534, {65534, 65534, "nobody", "/nonexistent"}}};
    const struct {
        unsigned euid;
        std::map<std::string, std::string> env;
        bool switches;
        unsigned uid, gid;
    } cases[] = {
        {1000, {{"SUDO_UID", "1000"}}, false, 0, 0},
        {0, {{"SUDO_UID", "1000"}, {"SUDO_GID", "1001"}}, true, 1000, 1001},
        {0, {{"PKEXEC_UID", "1000"}}, true, 1000, 1000},
        {0, {}, true, 65534, 65534},
        {0, {{"SUDO_UID", "0"}}, true, 65534, 65534},    // sudo from root
        {0, {{"SUDO_UID", "12x"}}, true, 65534, 65534},  // garbage
        {0, {{"SUDO_UID", "4242"}}, true, 4242, 4242},   // not in the database
    };
    for (const auto& c : cases) {
        const RunAs r = ChooseRunAs({
            c.euid,
            [&](const char* n) -> std::optional<std::string> {
                const auto it = c.env.find(n);
                return it == c.env.end() ? std::nullopt : std::optional(it->second);
            },
            [&](unsigned id) -> std::optional<UserInfo> {
                const auto it = users.find(id);
                return it == users.end() ? std::nullopt : std::optional(it->second);
            },
            [&](const std::string& n) -> std::optional<UserInfo> {
                return n == "nobody" ? std::optional(users.at(65534)) : std::nullopt;
            },
        });
        EXPECT_EQ(r.switchUser, c.switches);
        if (c.switches) {
            EXPECT_EQ(r.user.uid, c.uid);
            EXPECT_EQ(r.user.gid, c.gid);
        }
    }
}

TEST(PlayerCore, ModeBitsAreReadForOwnerGroupOrOthers) {
    // uid 1000 in groups {1000, 27}
    const std::vector<unsigned> groups = {1000, 27};
    EXPECT_TRUE(ModeGrants(1000, groups, 1000, 0, 0200, 2));
    EXPECT_FALSE(ModeGrants(1000, groups, 1000, 1000, 0577, 2));  // owner bits rule
    EXPECT_TRUE(ModeGrants(1000, groups, 0, 27, 0730, 3));
    EXPECT_FALSE(ModeGrants(1000, groups, 0, 27, 0720, 3));  // no search
    EXPECT_TRUE(ModeGrants(1000, groups, 0, 0, 0703, 3));
    EXPECT_FALSE(ModeGrants(1000, groups, 0, 0, 0775, 2));
}

using pidlist::AddCheck;
using pidlist::PidItem;

std::vector<PidItem> Numbered(int n) {
    std::vector<PidItem> items;
    for (int i = 0; i < n; ++i) items.push_back({std::to_string(100 + i), i % 2 == 0});
    return items;
}

TEST(PidList, NewPidChecksRunInOrder) {
    const std::vector<PidItem> some = {{"01F0", true}, {"1FF", false}};
    const struct {
        std::vector<PidItem> items;
        const char* text;
        AddCheck expected;
    } cases[] = {
        {some, "", AddCheck::Empty},
        {Numbered(32), "", AddCheck::Empty},
        {Numbered(32), "G", AddCheck::Full},  // full wins over a bad character
        {some, "1G", AddCheck::BadCharacter},
        {some, "1FFF", AddCheck::OutOfRange},
        {some, "FFFF", AddCheck::OutOfRange},
        {some, "1FFE", AddCheck::Ok},
        {some, "1FF", AddCheck::Duplicate},
        {some, "1F0", AddCheck::Ok},  // text, not value, is compared
        {Numbered(31), "ABC", AddCheck::Ok},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(pidlist::CheckNewPid(c.items, c.text), c.expected);
    }
}

TEST(PidList, ListsRoundTripWholeAndKeepTheirOrder) {
    const std::vector<PidItem> items = {{"A", true}, {"1FF", false}, {"0012", true}};
    const PidLists lists = pidlist::ListsFromItems(items);
    EXPECT_EQ(lists.activeCount, 2);
    EXPECT_EQ(lists.active, "A|0012|");
    EXPECT_EQ(lists.inactiveCount, 1);
    EXPECT_EQ(lists.inactive, "1FF|");
    EXPECT_EQ(pidlist::TickedValues(items), (std::vector<std::uint16_t>{0xA, 0x12}));
    // Ticked first on reading back.
    const auto back = pidlist::ItemsFromLists(lists);
    ASSERT_EQ(back.size(), 3u);
    EXPECT_EQ(back[1].text, "0012");
    EXPECT_FALSE(back[2].ticked);
    // Counts beyond the entries, absent lists and more than 32 entries.
    EXPECT_EQ(pidlist::ItemsFromLists({5, "1|2|", 3, "NOT FIND"}).size(), 2u);
    PidLists many;
    for (int i = 0; i < 40; ++i) many.active += std::to_string(i) + "|";
    many.activeCount = 40;
    EXPECT_EQ(pidlist::ItemsFromLists(many).size(), 32u);
}

}  // namespace
}  // namespace orbix
