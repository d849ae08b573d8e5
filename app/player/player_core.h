#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// What the player integration decides without any process or window: the
// player's argument lists, where the player is and which user runs it.
namespace orbix::player {

// The player's input: the card's UDP stream on the given port.
std::string StreamUrl(int port);

// Arguments to play the stream.
std::vector<std::string> PlayArguments(int port);

// Arguments to record the stream unchanged as a transport-stream file at
// path. The recording runs without a window of its own; it ends when its
// process is stopped.
std::vector<std::string> RecordArguments(int port, std::string_view path);

// text quoted for one level of the player's option-chain parser: in double
// quotes, with a backslash before every quote, apostrophe and backslash.
std::string QuoteChainValue(std::string_view text);

// The recording chain for path. The inner chain is itself passed as a quoted
// value of the outer one, so braces and commas in the path are never taken
// for chain syntax at either level.
std::string RecordChain(std::string_view path);

// Where the player is. overrideCommand (ORBIXRX_PLAYER) wins when set: a
// path when it holds "/", else a name looked up on PATH. Otherwise a file
// named "vlc" in exeDir, then "vlc" on PATH. nullopt when none is found.
struct PlayerSearch {
    std::string overrideCommand;
    std::string exeDir;
    std::string pathEnv;
    std::function<bool(const std::string&)> isExecutable;
};
std::optional<std::string> FindPlayer(const PlayerSearch& search);

// A user of the system, as the password database knows it.
struct UserInfo {
    unsigned uid = 0;
    unsigned gid = 0;
    std::string name;
    std::string home;
};

// Who runs the player. The player never runs as root: a program running as
// root starts it as the user who invoked it (sudo, pkexec), else as nobody.
struct RunAs {
    bool switchUser = false;
    UserInfo user;  // meaningful when switchUser
};
struct RunAsSources {
    unsigned effectiveUid = 0;
    std::function<std::optional<std::string>(const char*)> env;
    std::function<std::optional<UserInfo>(unsigned)> userById;
    std::function<std::optional<UserInfo>(const std::string&)> userByName;
};
RunAs ChooseRunAs(const RunAsSources& sources);

// The uid nobody falls back to when the password database lacks it.
inline constexpr unsigned kNobodyId = 65534;

// Whether permission bits mode of an object owned by ownerUid:ownerGid grant
// want (a mask of 4 read, 2 write, 1 search) to uid with the groups given.
bool ModeGrants(unsigned uid, const std::vector<unsigned>& groups, unsigned ownerUid,
                unsigned ownerGid, unsigned mode, unsigned want);

// Whether uid with groups can create or overwrite the file at path: write on
// an existing file, or write and search on the directory of a new one.
bool CanWrite(const std::string& path, unsigned uid, const std::vector<unsigned>& groups);

}  // namespace orbix::player
