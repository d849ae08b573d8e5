// Fills a media cache folder with the simulated card's clips; run by the
// build so that the build tree's programs and tests find them.
#include <cstdio>
#include <cstdlib>

#include "sim/media_encode.h"
#include "sim/sim_texts.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: orbix_media_cache DIR\n");
        return 2;
    }
    std::string error;
    // Without ffmpeg the build goes on: the programs then carry filler and
    // say so, and the tests that need pictures skip.
    if (std::system("ffmpeg -version >/dev/null 2>&1") != 0) {
        std::fprintf(stderr, "orbix_media_cache: %s\n", orbix::sim::texts::MediaNoFfmpeg().c_str());
        return 0;
    }
    if (!orbix::sim::BuildMediaCache(argv[1], 2, error)) {
        std::fprintf(stderr, "orbix_media_cache: %s\n", error.c_str());
        return 1;
    }
    return 0;
}
