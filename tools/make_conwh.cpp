// Writes a configuration image that the simulated card's logic accepts.
#include <cstdio>

#include "sim/card_logic_model.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_conwh OUTPUT\n");
        return 2;
    }
    const std::vector<std::uint8_t> image = orbix::sim::CCardLogicModel::MakeValidImage();
    std::FILE* f = std::fopen(argv[1], "wb");
    const bool written =
        f != nullptr && std::fwrite(image.data(), 1, image.size(), f) == image.size();
    if (f == nullptr || std::fclose(f) != 0 || !written) {
        std::perror(argv[1]);
        return 1;
    }
    return 0;
}
