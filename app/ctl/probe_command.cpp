#include <cstdio>

#include "app/ctl/commands.h"
#include "app/ctl/with_card.h"

namespace orbix::ctl {

int RunProbe(const std::vector<std::string>& args) {
    if (!args.empty()) {
        std::fprintf(stderr, "orbixctl probe takes no arguments\n");
        return 2;
    }
    CardRunOptions options;
    options.onFound = [](const std::string& backend, const std::string& foundBy,
                         std::uint16_t ioBase) {
        std::printf("card back end: %s\nsingle-instance lock: ok\nport I/O: ok\n", backend.c_str());
        std::printf("card found through %s, I/O base 0x%04X\n", foundBy.c_str(), ioBase);
    };
    options.onStep = [](BringUpStep step, bool ok) {
        std::printf("%s: %s\n", BringUpStepName(step).c_str(), ok ? "ok" : "FAILED");
    };
    return RunWithCard(options, [](CCardSession&, INotices&) {
        std::printf("card ready\n");
        return 0;
    });
}

}  // namespace orbix::ctl
