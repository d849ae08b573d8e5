#include "app/ctl/stream_args.h"

#include <charconv>
#include <cstdio>

#include "app/ctl/with_card.h"
#include "platform/clock.h"
#include "platform/stream_port.h"
#include "platform/text.h"
#include "search/search_texts.h"
#include "ui/console_language.h"

namespace orbix::ctl {
namespace {

volatile std::sig_atomic_t g_interrupted = 0;

extern "C" void OnStreamInterrupt(int) { g_interrupted = 1; }

bool ParseSecondsArg(const std::string& text, std::optional<int>& out) {
    int value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc{} || end != text.data() + text.size() || value < 1 || value > 86400)
        return false;
    out = value;
    return true;
}

}  // namespace

std::optional<std::vector<std::uint16_t>> ParsePidList(const std::string& text) {
    std::vector<std::uint16_t> pids;
    std::size_t at = 0;
    while (at <= text.size()) {
        std::size_t comma = text.find(',', at);
        if (comma == std::string::npos) comma = text.size();
        std::string_view item(text.data() + at, comma - at);
        if (item.starts_with("0x") || item.starts_with("0X")) item.remove_prefix(2);
        unsigned value = 0;
        const auto [end, ec] = std::from_chars(item.data(), item.data() + item.size(), value, 16);
        if (item.empty() || ec != std::errc{} || end != item.data() + item.size() || value > 0x1FFF)
            return std::nullopt;
        pids.push_back(static_cast<std::uint16_t>(value));
        at = comma + 1;
    }
    if (pids.empty() || pids.size() > 32) return std::nullopt;
    return pids;
}

bool ParseStreamArgs(const std::vector<std::string>& args, StreamArgsAllowed allowed,
                     StreamArgs& out) {
    std::vector<std::string> names;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        const bool hasValue = i + 1 < args.size();
        if (a == "--seconds" && hasValue) {
            if (!ParseSecondsArg(args[++i], out.seconds)) {
                std::fprintf(stderr, "--seconds takes a whole number from 1 to 86400\n");
                return false;
            }
        } else if (a == "--bell" && allowed.bell) {
            out.bell = true;
        } else if (a == "--pids" && allowed.pids && hasValue) {
            out.pids = ParsePidList(args[++i]);
            if (!out.pids) {
                std::fprintf(stderr,
                             "--pids takes 1 to 32 hexadecimal PIDs up to 1fff, "
                             "separated by commas (0,100,1fff)\n");
                return false;
            }
        } else if (!KeepOperand(a, names)) {
            return false;
        }
    }
    return TakeTransponder(names, out.satellite, out.transponder);
}

void CatchInterrupts() {
    std::signal(SIGINT, OnStreamInterrupt);
    std::signal(SIGTERM, OnStreamInterrupt);
}

bool Interrupted() { return g_interrupted != 0; }

bool SleepASecond() {
    for (int i = 0; i < 10 && !Interrupted(); ++i) RealClock().SleepMs(100);
    return !Interrupted();
}

std::string NoDataLine(CStreamWatchdog& watchdog, CCardSession& session) {
    const bool inUse = !PidsInUse(session.PidFilter().Table()).empty();
    if (!watchdog.NoData(session.Locked(), inUse)) return {};
    return TrPrintable(texts::NoDataWarning(StreamPort()));
}

}  // namespace orbix::ctl
