#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "app/card_bringup.h"
#include "db/channel_database.h"
#include "demod/demod.h"
#include "demod/tune_worker.h"
#include "platform/notices.h"

namespace orbix::ctl {

// What a command does once the card is up; returns the exit code.
using CardWork = std::function<int(CCardAccess&, CPidFilter&, INotices&)>;

struct CardSession {
    // Told the back end's name and the card's I/O base once it is found.
    std::function<void(const std::string&, std::uint16_t)> onFound;
    std::function<void(BringUpStep, bool)> onStep;
};

// Chooses the back end, starts up as the program does, brings the card up
// and runs work on it. Exit code: work's, 2 when no back end could be made,
// 1 when start-up or bring-up failed (the user has been told why).
int RunWithCard(const CardSession& session, const CardWork& work);

// Reads the transponder from the channel database and brings the
// demodulator up for it. 0 when ready; otherwise the exit code, after
// telling why.
int PrepareTune(const std::string& satellite, const std::string& transponder,
                const CChannelDatabase& database, CDemod& demod, CCardAccess& access,
                INotices& notices, TuneTarget& target);

}  // namespace orbix::ctl
