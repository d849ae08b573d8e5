// orbixctl: the command-line companion of OrbixRx, over the same core as the
// program, without windows.
#include <array>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "app/ctl/commands.h"

namespace {

struct Command {
    std::string_view name;
    std::string_view usage;
    int (*run)(const std::vector<std::string>&);
};

constexpr std::array<Command, 3> kCommands{{
    {"probe", "probe                          check the card and load its logic", orbix::ctl::RunProbe},
    {"tune", "tune SATELLITE TRANSPONDER [--once]  tune and show the lock", orbix::ctl::RunTune},
    {"scan", "scan SATELLITE TRANSPONDER     tune, search the programs and store them",
     orbix::ctl::RunScan},
}};

int Usage() {
    std::fprintf(stderr, "usage: orbixctl COMMAND [ARGS]\ncommands:\n");
    for (const Command& c : kCommands) std::fprintf(stderr, "  %.*s\n", static_cast<int>(c.usage.size()), c.usage.data());
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) return Usage();
    const std::string_view name = argv[1];
    for (const Command& c : kCommands) {
        if (c.name == name) return c.run(std::vector<std::string>(argv + 2, argv + argc));
    }
    std::fprintf(stderr, "orbixctl: unknown command \"%s\"\n", argv[1]);
    return Usage();
}
