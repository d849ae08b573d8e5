#pragma once

#include <csignal>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "app/card_session.h"
#include "search/stream_health.h"

namespace orbix::ctl {

// The arguments watch and stats share: satellite and transponder (GBK),
// --seconds N, and the flags each command names.
struct StreamArgs {
    std::string satellite;
    std::string transponder;
    std::optional<int> seconds;                      // none: until interrupted
    bool bell = false;                               // watch --bell
    std::optional<std::vector<std::uint16_t>> pids;  // stats --pids
};

// Which optional flags a command accepts.
struct StreamArgsAllowed {
    bool bell = false;
    bool pids = false;
};

// False, after saying why on standard error, on a bad command line.
bool ParseStreamArgs(const std::vector<std::string>& args, StreamArgsAllowed allowed,
                     StreamArgs& out);
// "0,100,1fff" or "0x100,0x101": hexadecimal PIDs as the program writes
// them, 1 to 32 of them, each at most 1fff; nullopt when any is not.
std::optional<std::vector<std::uint16_t>> ParsePidList(const std::string& text);

// Ctrl-C and SIGTERM end the commands' loops; Interrupted tells.
void CatchInterrupts();
bool Interrupted();
// Sleeps one second, less when interrupted; false when interrupted.
bool SleepASecond();

// The no-data warning, once the watchdog sees locked, PIDs in use and no
// datagram for its silence time; empty otherwise. Call it regularly.
std::string NoDataLine(CStreamWatchdog& watchdog, CCardSession& session);

}  // namespace orbix::ctl
