#include "app/player/player_core.h"

#include <sys/stat.h>

#include <algorithm>
#include <charconv>
#include <filesystem>

namespace orbix::player {

namespace {

constexpr const char* kPlayerName = "vlc";

std::optional<std::string> OnPath(const std::string& name, const PlayerSearch& search) {
    std::string_view rest = search.pathEnv;
    while (true) {
        const std::size_t colon = rest.find(':');
        const std::string_view part = rest.substr(0, colon);
        const std::string candidate = std::string(part.empty() ? "." : part) + "/" + name;
        if (search.isExecutable(candidate)) return candidate;
        if (colon == std::string_view::npos) return std::nullopt;
        rest.remove_prefix(colon + 1);
    }
}

std::optional<unsigned> ParseId(const std::optional<std::string>& text) {
    if (!text || text->empty()) return std::nullopt;
    unsigned value = 0;
    const char* end = text->data() + text->size();
    const auto [ptr, ec] = std::from_chars(text->data(), end, value);
    if (ec != std::errc() || ptr != end) return std::nullopt;
    return value;
}

UserInfo Nobody(const RunAsSources& s) {
    if (auto user = s.userByName("nobody")) return *user;
    return UserInfo{kNobodyId, kNobodyId, "nobody", {}};
}

}  // namespace

std::string StreamUrl(int port) { return "udp://@:" + std::to_string(port); }

std::vector<std::string> PlayArguments(int port) { return {StreamUrl(port)}; }

std::vector<std::string> RecordArguments(int port, std::string_view path) {
    return {"--intf", "dummy", StreamUrl(port), "--sout", RecordChain(path)};
}

std::string QuoteChainValue(std::string_view text) {
    std::string out = "\"";
    for (const char c : text) {
        if (c == '"' || c == '\'' || c == '\\') out += '\\';
        out += c;
    }
    return out + "\"";
}

std::string RecordChain(std::string_view path) {
    const std::string inner = "std{access=file,mux=ts,dst=" + QuoteChainValue(path) + "}";
    return "#duplicate{dst=" + QuoteChainValue(inner) + "}";
}

std::optional<std::string> FindPlayer(const PlayerSearch& search) {
    if (!search.overrideCommand.empty()) {
        if (search.overrideCommand.find('/') != std::string::npos)
            return search.isExecutable(search.overrideCommand)
                       ? std::optional(search.overrideCommand)
                       : std::nullopt;
        return OnPath(search.overrideCommand, search);
    }
    if (!search.exeDir.empty()) {
        const std::string beside = search.exeDir + "/" + kPlayerName;
        if (search.isExecutable(beside)) return beside;
    }
    return OnPath(kPlayerName, search);
}

RunAs ChooseRunAs(const RunAsSources& s) {
    if (s.effectiveUid != 0) return {};
    std::optional<unsigned> uid = ParseId(s.env("SUDO_UID"));
    std::optional<unsigned> gid = uid ? ParseId(s.env("SUDO_GID")) : std::nullopt;
    if (!uid) uid = ParseId(s.env("PKEXEC_UID"));
    if (!uid || *uid == 0) return {true, Nobody(s)};
    UserInfo user = s.userById(*uid).value_or(UserInfo{*uid, *uid, std::to_string(*uid), {}});
    if (gid) user.gid = *gid;
    return {true, user};
}

bool ModeGrants(unsigned uid, const std::vector<unsigned>& groups, unsigned ownerUid,
                unsigned ownerGid, unsigned mode, unsigned want) {
    if (uid == 0) return true;
    unsigned shift = 0;  // others
    if (uid == ownerUid)
        shift = 6;
    else if (std::ranges::find(groups, ownerGid) != groups.end())
        shift = 3;
    return ((mode >> shift) & want) == want;
}

bool CanWrite(const std::string& path, unsigned uid, const std::vector<unsigned>& groups) {
    struct stat st {};
    if (::stat(path.c_str(), &st) == 0)
        return S_ISREG(st.st_mode) && ModeGrants(uid, groups, st.st_uid, st.st_gid, st.st_mode, 2);
    const std::string parent = std::filesystem::path(path).parent_path().string();
    const std::string dir = parent.empty() ? std::string(".") : parent;
    if (::stat(dir.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) return false;
    return ModeGrants(uid, groups, st.st_uid, st.st_gid, st.st_mode, 3);
}

}  // namespace orbix::player
