#include <cstdio>
#include <memory>

#include "app/ctl/commands.h"
#include "app/ctl/stream_args.h"
#include "app/ctl/with_card.h"
#include "db/ip_data_settings.h"
#include "platform/stream_port.h"
#include "platform/text.h"
#include "platform/tun_device.h"
#include "search/ip_data_receiver.h"

namespace orbix::ctl {
namespace {

constexpr std::int64_t kLockWaitMs = 10'000;
constexpr const char* kUsage =
    "usage: orbixctl ipdata SATELLITE TRANSPONDER --tun NAME [--pids LIST] [--seconds N]\n";

struct IpDataArgs {
    std::string satellite;    // GBK
    std::string transponder;  // GBK
    std::string tun;
    std::string pids;  // empty: the ticked PIDs of the user's IP list
    int seconds = 0;   // 0: until interrupted
};

bool ParseArgs(const std::vector<std::string>& args, IpDataArgs& out) {
    std::vector<std::string> names;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        const bool hasValue = i + 1 < args.size();
        if (a == "--tun" && hasValue) {
            out.tun = args[++i];
        } else if (a == "--pids" && hasValue) {
            out.pids = args[++i];
        } else if (a == "--seconds" && hasValue) {
            const std::string& v = args[++i];
            if (v.empty() || v.size() > 6 || v.find_first_not_of("0123456789") != std::string::npos)
                return false;
            out.seconds = std::stoi(v);
        } else if (!KeepOperand(a, names)) {
            return false;
        }
    }
    return TakeTransponder(names, out.satellite, out.transponder);
}

void PrintCounters(const IpDataCounters& c) {
    std::printf("sections %llu  datagrams %llu  bytes %llu  crc errors %llu  drops %llu\n",
                static_cast<unsigned long long>(c.mpe.sections),
                static_cast<unsigned long long>(c.mpe.datagrams),
                static_cast<unsigned long long>(c.mpe.bytes),
                static_cast<unsigned long long>(c.mpe.crcErrors),
                static_cast<unsigned long long>(c.Drops()));
    std::fflush(stdout);
}

int ReceiveOnCard(const IpDataArgs& args, const std::vector<std::uint16_t>& pids,
                  const MacFilter& filter, CTunDevice& tun, CCardSession& session,
                  INotices& notices) {
    TuneTarget target{args.satellite, args.transponder, {}};
    CChannelDatabase().ReadTransponder(args.satellite, args.transponder, target.tp);
    if (!TuneAndWait(session, target, kLockWaitMs).tune.locked) {
        notices.Tell(Gbk("请检查信号是否锁定!"));
        return 1;
    }
    session.PidFilter().SetUserPids(pids);
    CIpDataReceiver receiver(tun);
    std::string error;
    if (!receiver.Start(pids, filter, StreamPort(), error)) {
        std::fprintf(stderr, "orbixctl ipdata: %s\n", error.c_str());
        return 1;
    }
    CatchInterrupts();
    for (int second = 0; !Interrupted() && (args.seconds == 0 || second < args.seconds); ++second) {
        SleepASecond();
        PrintCounters(receiver.Counters());
    }
    receiver.Stop();
    return 0;
}

}  // namespace

int RunIpData(const std::vector<std::string>& args) {
    IpDataArgs ip;
    if (!ParseArgs(args, ip)) {
        std::fputs(kUsage, stderr);
        return 2;
    }
    const IpDataSettings settings = ReadIpDataSettings();
    if (ip.tun.empty()) ip.tun = settings.tun;
    MacFilter filter;
    if (!MacFilterFromText(settings.mac, filter)) {
        std::fprintf(stderr, "orbixctl ipdata: MAC \"%s\" in section IPDATA is not a MAC address\n",
                     settings.mac.c_str());
        return 2;
    }
    if (!ValidInterfaceName(ip.tun)) {
        std::fprintf(stderr, "orbixctl ipdata: no TUN interface name (--tun NAME)\n%s", kUsage);
        return 2;
    }
    std::vector<std::uint16_t> pids;
    if (ip.pids.empty()) {
        pids = ActiveIpPids(CChannelDatabase());
    } else if (!orbix::ParsePidList(ip.pids, pids)) {
        std::fprintf(stderr,
                     "orbixctl ipdata: \"%s\" is not a list of PIDs (hexadecimal, below 1FFF)\n",
                     ip.pids.c_str());
        return 2;
    }
    if (pids.empty()) {
        std::fprintf(stderr,
                     "orbixctl ipdata: no IP PIDs: give --pids or tick some in the PID settings\n");
        return 2;
    }
    if (!TransponderExists(CChannelDatabase(), ip.satellite, ip.transponder)) return 2;
    // The interface is opened before any thread starts, so that giving up
    // CAP_NET_ADMIN right after covers every thread of the process.
    std::string error;
    const std::unique_ptr<CTunDevice> tun = CTunDevice::Open(ip.tun, error);
    if (!tun) {
        std::fprintf(stderr, "orbixctl ipdata: %s\n", error.c_str());
        return 1;
    }
    return RunWithCard({}, [&](CCardSession& session, INotices& notices) {
        return ReceiveOnCard(ip, pids, filter, *tun, session, notices);
    });
}

}  // namespace orbix::ctl
