// Writes a configuration image that the simulated card's logic accepts.
#include <cstdio>
#include <vector>

#include "sim/card_logic_model.h"

int main(int argc, char** argv) {
    using orbix::sim::CCardLogicModel;
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_conwh OUTPUT\n");
        return 2;
    }
    std::vector<std::uint8_t> image(CCardLogicModel::kImageSize);
    std::copy(CCardLogicModel::kImageSyncWord.begin(), CCardLogicModel::kImageSyncWord.end(), image.begin());
    std::uint32_t x = 0x2545F491u;
    for (std::size_t i = 4; i + 4 < image.size(); ++i) {
        x = x * 1664525u + 1013904223u;
        image[i] = static_cast<std::uint8_t>(x >> 24);
    }
    const std::uint32_t crc = CCardLogicModel::Crc32(image.data(), image.size() - 4);
    for (int i = 0; i < 4; ++i) image[image.size() - 4 + i] = static_cast<std::uint8_t>(crc >> (8 * i));
    std::FILE* f = std::fopen(argv[1], "wb");
    if (f == nullptr || std::fwrite(image.data(), 1, image.size(), f) != image.size() || std::fclose(f) != 0) {
        std::perror(argv[1]);
        return 1;
    }
    return 0;
}
