// The player's decisions, without processes or windows.
#include "app/player/player_core.h"

#include <gtest/gtest.h>

#include <map>
#include <set>

#include "platform/text.h"

namespace orbix {
namespace {

using namespace player;

TEST(PlayerCore, ArgumentsQuoteThePathAtBothChainLevels) {
    EXPECT_EQ(PlayArguments(8511), std::vector<std::string>{"udp://@:8511"});
    EXPECT_EQ(RecordArguments(20001, "/tmp/a b/x.mpg"),
              (std::vector<std::string>{
                  "--intf", "dummy", "udp://@:20001", "--sout",
                  R"(#duplicate{dst="std{access=file,mux=ts,dst=\"/tmp/a b/x.mpg\"}"})"}));
    // Quotes, apostrophes and backslashes are escaped once per level.
    EXPECT_EQ(QuoteChainValue(R"(a"b'c\d{},)"), R"("a\"b\'c\\d{},")");
    EXPECT_EQ(RecordChain(R"(/x/"}.mpg)"),
              R"(#duplicate{dst="std{access=file,mux=ts,dst=\"/x/\\\"}.mpg\"}"})");
}

TEST(PlayerCore, PlayerIsLookedForBesideTheProgramThenOnPath) {
    const std::set<std::string> files = {"/opt/rx/vlc", "/usr/bin/vlc", "/usr/bin/fake"};
    const struct {
        const char *override, *exeDir, *path;
        std::optional<std::string> found;
    } cases[] = {
        {"", "/opt/rx", "/usr/bin", "/opt/rx/vlc"},
        {"", "/home/u", "/usr/local/bin:/usr/bin", "/usr/bin/vlc"},
        {"", "/home/u", "/usr/local/bin", std::nullopt},
        {"fake", "/opt/rx", "/usr/local/bin:/usr/bin", "/usr/bin/fake"},
        {"/t/none", "/opt/rx", "/usr/bin", std::nullopt},
    };
    for (const auto& c : cases)
        EXPECT_EQ(FindPlayer({c.override, c.exeDir, c.path,
                              [&](const std::string& f) { return files.contains(f); }}),
                  c.found)
            << c.override << "|" << c.exeDir << "|" << c.path;
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
    const auto find = [](const auto& map, const auto& key) {
        const auto it = map.find(key);
        return it == map.end() ? std::nullopt : std::optional(it->second);
    };
    for (const auto& c : cases) {
        const RunAs r = ChooseRunAs({
            c.euid,
            [&](const char* n) { return find(c.env, std::string(n)); },
            [&](unsigned id) { return find(users, id); },
            [&](const std::string& n) {
                return n == "nobody" ? std::optional(users.at(65534)) : std::nullopt;
            },
        });
        EXPECT_EQ(r.switchUser, c.switches);
        const auto user = r.switchUser ? std::pair(r.user.uid, r.user.gid) : std::pair(0u, 0u);
        EXPECT_EQ(user, std::pair(c.uid, c.gid));
    }
}

TEST(PlayerCore, ModeBitsAreReadForOwnerGroupOrOthers) {
    const std::vector<unsigned> groups = {1000, 27};              // of uid 1000
    EXPECT_FALSE(ModeGrants(1000, groups, 1000, 1000, 0577, 2));  // owner bits rule
    EXPECT_TRUE(ModeGrants(1000, groups, 0, 27, 0730, 3));
    EXPECT_FALSE(ModeGrants(1000, groups, 0, 27, 0720, 3));  // no search
    EXPECT_TRUE(ModeGrants(1000, groups, 0, 0, 0703, 3));
}

}  // namespace
}  // namespace orbix
