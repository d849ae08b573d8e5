#include <cstdio>

#include "app/ctl/commands.h"

namespace orbix::ctl {

int RunTune(const std::vector<std::string>&) {
    std::fprintf(stderr, "orbixctl tune: not available in this build yet\n");
    return 2;
}

}  // namespace orbix::ctl
