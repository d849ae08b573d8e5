#include <cstdio>

#include "app/ctl/commands.h"
#include "sim/media_clip.h"
#include "sim/media_encode.h"

namespace orbix::ctl {

// Encodes the simulated card's pictures and sound into the user's cache (or
// DIR), where a program not run from its build tree finds them.
int RunMedia(const std::vector<std::string>& args) {
    if (args.size() > 1 || (args.size() == 1 && args[0].starts_with("-"))) {
        std::fprintf(stderr, "orbixctl media takes at most a folder\n");
        return 2;
    }
    const std::string dir = args.empty() ? sim::UserMediaCache() : args[0];
    std::printf("encoding the simulated card's pictures and sound into %s\n", dir.c_str());
    std::string error;
    if (!sim::BuildMediaCache(dir, 2, error)) {
        std::fprintf(stderr, "orbixctl media: %s\n", error.c_str());
        return 1;
    }
    std::printf("media cache ready: %d clips in %s\n", sim::kMediaClipCount, dir.c_str());
    return 0;
}

}  // namespace orbix::ctl
