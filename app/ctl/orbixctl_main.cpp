// orbixctl: the command-line companion of OrbixRx, over the same core as the
// program, without windows.
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "app/ctl/commands.h"
#include "app/text_templates.h"
#include "ui/console_language.h"

namespace {

struct Command {
    std::string_view name;
    std::string_view usage;
    int (*run)(const std::vector<std::string>&);
};

// One row a command; a new command adds its row here.
constexpr Command kCommands[] = {
    {"probe", "probe                          check the card and load its logic",
     orbix::ctl::RunProbe},
    {"tune", "tune SATELLITE TRANSPONDER [--once]  tune and show the lock", orbix::ctl::RunTune},
    {"scan",
     "scan SATELLITE TRANSPONDER [--names sdt|pat] [--charset iso6937|gbk]  tune, search the "
     "programs and store them",
     orbix::ctl::RunScan},
    {"doctor", "doctor                         check what the card and its stream need",
     orbix::ctl::RunDoctor},
    {"media", "media [DIR]                    encode the simulated card's pictures and sound",
     orbix::ctl::RunMedia},
    {"scan-network",
     "scan-network SATELLITE TRANSPONDER  tune, add the transponders the network announces",
     orbix::ctl::RunScanNetwork},
    {"import",
     "import FILE [--satellite NAME] [--lnb ku|c|MHZ]  add a DVBv5 channel file's\n"
     "                                 DVB-S transponders to ./SATSETUPL.ini",
     orbix::ctl::RunImport},
    {"export", "export SATELLITE FILE          write a satellite as a DVBv5 channel file",
     orbix::ctl::RunExport},
    {"watch", "watch SATELLITE TRANSPONDER [--seconds N] [--bell]  the dish-aiming meter",
     orbix::ctl::RunWatch},
    {"stats", "stats SATELLITE TRANSPONDER [--seconds N] [--pids LIST]  per-PID statistics",
     orbix::ctl::RunStats},
    {"ipdata",
     "ipdata SATELLITE TRANSPONDER --tun NAME [--pids LIST] [--seconds N]\n"
     "                                 receive IP data into a TUN interface",
     orbix::ctl::RunIpData},
};

constexpr std::string_view kExitCodes =
    "exit status:\n"
    "  0  done: the card is ready, the transponder locked (tune --once; tune until\n"
    "     interrupted), the programs stored (scan), locked at the end (watch, stats)\n"
    "  1  the card or the work failed: another instance runs, no card or port I/O,\n"
    "     a failed card check, not locked, no programs found, the TUN interface\n"
    "     cannot be opened\n"
    "  2  bad command line or input: unknown command or arguments, unknown\n"
    "     ORBIXRX_CARD, unreadable sky file, transponder not in ./SATSETUPL.ini,\n"
    "     a malformed channel file, a satellite name the database cannot hold,\n"
    "     no IP PIDs\n"
    "  doctor: 0 when no check fails (warnings allowed), 1 when any fails\n";

// Asked for (--help), the usage goes to standard output and ends well; as
// the answer to a bad command line it goes to standard error with status 2.
int Usage(std::FILE* out = stderr) {
    std::fprintf(out, "usage: orbixctl COMMAND [ARGS]\ncommands:\n");
    for (const Command& c : kCommands)
        std::fprintf(out, "  %.*s\n", static_cast<int>(c.usage.size()), c.usage.data());
    std::fprintf(out, "%.*s", static_cast<int>(kExitCodes.size()), kExitCodes.data());
    return out == stdout ? 0 : 2;
}

}  // namespace

int main(int argc, char** argv) {
    // The core's messages are printed in the interface language, from the
    // same translation the windows use.
    const orbix::CConsoleLanguage language(argc, argv, orbix::kTextTemplates);
    if (argc < 2) return Usage();
    const std::string_view name = argv[1];
    if (name == "--help" || name == "-h" || name == "help") return Usage(stdout);
    for (const Command& c : kCommands) {
        if (c.name == name) return c.run(std::vector<std::string>(argv + 2, argv + argc));
    }
    std::fprintf(stderr, "orbixctl: unknown command \"%s\"\n", argv[1]);
    return Usage();
}
