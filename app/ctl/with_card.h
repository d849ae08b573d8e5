#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "app/card_session.h"
#include "db/channel_database.h"
#include "platform/notices.h"

namespace orbix::ctl {

// What a command does once the card session is up; returns the exit code.
using CardWork = std::function<int(CCardSession&, INotices&)>;

struct CardRunOptions {
    // Told the back end's name, how the card was found ("sysfs" or
    // "configuration ports") and its I/O base once it is found.
    std::function<void(const std::string&, const std::string&, std::uint16_t)> onFound;
    std::function<void(BringUpStep, bool)> onStep;
};

// Chooses the back end, starts up as the program does, brings the card
// session up, runs work on it and shuts the session down. Exit code: work's,
// 2 when no back end could be made, 1 when start-up or bring-up failed (the
// user has been told why).
int RunWithCard(const CardRunOptions& options, const CardWork& work);

// Keeps a command-line word that is not an option among the operands;
// false, after saying so on standard error, on an unknown option.
bool KeepOperand(const std::string& word, std::vector<std::string>& operands);
// The satellite and transponder, as GBK, from exactly two operands.
bool TakeTransponder(const std::vector<std::string>& operands, std::string& satellite,
                     std::string& transponder);

// False, after saying so on standard error, when the channel database has
// no such transponder.
bool TransponderExists(const CChannelDatabase& database, const std::string& satellite,
                       const std::string& transponder);

// Asks the session to tune the transponder and waits, up to timeoutMs of
// real time, for that tune to end; the status it ended with.
CardStatus TuneAndWait(CCardSession& session, const TuneTarget& target, std::int64_t timeoutMs);

}  // namespace orbix::ctl
