#pragma once

#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace orbix::testing {

// A stand-in player: a script that writes its user id, its process id and
// its arguments to a file beside it, then waits to be ended (or, when the
// file "exit-now" is there, ends at once). The folder is open to every user,
// as the player may run as nobody.
class CFakePlayer {
  public:
    explicit CFakePlayer(const std::filesystem::path& dir) : m_dir(dir) {
        ::chmod(dir.c_str(), 0777);
        std::ofstream(Script()) << "#!/bin/sh\n"
                                   "d=$(dirname \"$0\")\n"
                                   "{ echo \"uid=$(id -u)\"; echo \"pid=$$\";\n"
                                   "  for a in \"$@\"; do printf 'arg=%s\\n' \"$a\"; done; echo "
                                   "end; } >> \"$d/calls\"\n"
                                   "[ -e \"$d/exit-now\" ] && exit 3\n"
                                   "exec sleep 120\n";
        ::chmod(Script().c_str(), 0755);
    }
    std::string Script() const { return (m_dir / "fake-vlc").string(); }
    void ExitAtOnce() const { std::ofstream(m_dir / "exit-now") << ""; }

    struct Call {
        unsigned uid = 0;
        int pid = 0;
        std::vector<std::string> args;
    };
    std::vector<Call> Calls() const {
        std::vector<Call> calls;
        std::ifstream in(m_dir / "calls");
        Call call;
        for (std::string line; std::getline(in, line);) {
            if (line.starts_with("uid="))
                call.uid = static_cast<unsigned>(std::stoul(line.substr(4)));
            if (line.starts_with("pid=")) call.pid = std::stoi(line.substr(4));
            if (line.starts_with("arg=")) call.args.push_back(line.substr(4));
            if (line == "end") calls.push_back(std::exchange(call, {}));
        }
        return calls;
    }

  private:
    std::filesystem::path m_dir;
};

}  // namespace orbix::testing
