#include <cstdio>

#include "app/ctl/commands.h"

namespace orbix::ctl {

int RunScan(const std::vector<std::string>&) {
    std::fprintf(stderr, "orbixctl scan: not available in this build yet\n");
    return 2;
}

}  // namespace orbix::ctl
