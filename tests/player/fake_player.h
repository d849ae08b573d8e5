#pragma once

#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace orbix::testing {

// A stand-in player: a script that logs its user id, process id and arguments
// beside it, then waits to be ended (or ends at once when "exit-now" is
// there, or after the seconds that "exit-after" holds). With
// "ignore-term" there it ignores the polite request to end and only a kill
// ends it. The folder is open to every user, as the player may run as nobody.
class CFakePlayer {
  public:
    explicit CFakePlayer(const std::filesystem::path& dir) : m_dir(dir) {
        ::chmod(dir.c_str(), 0777);
        std::ofstream(Script()) << "#!/bin/sh\nd=$(dirname \"$0\")\n"
                                   "{ echo \"$(id -u)\"; echo \"$$\"; for a in \"$@\"; do printf "
                                   "'+%s\\n' \"$a\"; done; "
                                   "echo end; } >> \"$d/calls\"\n"
                                   "[ -e \"$d/ignore-term\" ] && trap '' TERM\n"
                                   "[ -e \"$d/exit-after\" ] && sleep \"$(cat \"$d/exit-after\")\" "
                                   "&& exit 3\n"
                                   "[ -e \"$d/exit-now\" ] && exit 3\nexec sleep 120\n";
        ::chmod(Script().c_str(), 0755);
    }
    std::string Script() const { return (m_dir / "fake-vlc").string(); }
    void ExitAtOnce() const { std::ofstream(m_dir / "exit-now") << ""; }
    void ExitAfter(const char* seconds) const { std::ofstream(m_dir / "exit-after") << seconds; }
    void IgnoreTerm() const { std::ofstream(m_dir / "ignore-term") << ""; }
    // Ends by itself late in a start's grace of two seconds.
    void EndsLate() const { ExitAfter("0.8"); }

    struct Call {
        unsigned uid = 0;
        int pid = 0;
        std::vector<std::string> args;
    };
    std::vector<Call> Calls() const {
        std::vector<Call> calls;
        std::ifstream in(m_dir / "calls");
        std::string line;
        for (Call call; in >> call.uid >> call.pid && in.ignore(); call = {}) {
            while (std::getline(in, line) && line.starts_with('+'))
                call.args.push_back(line.substr(1));
            if (line == "end") calls.push_back(call);  // not one still being written
        }
        return calls;
    }

  private:
    std::filesystem::path m_dir;
};

}  // namespace orbix::testing
