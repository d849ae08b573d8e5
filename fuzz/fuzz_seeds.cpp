// Writes seed corpora for the fuzz targets into DIR/<target>/: valid PAT and
// PMT sections cut into packets, and datagram streams of whole searches.
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "sim/ts_mux.h"

namespace {

namespace sim = orbix::sim;

using Bytes = std::vector<std::uint8_t>;
namespace fs = std::filesystem;

void Write(const fs::path& dir, const std::string& name, const Bytes& bytes) {
    fs::create_directories(dir);
    std::ofstream(dir / name, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
}

// Datagram stream of one search of mux: seven PAT packets, then the PMTs.
Bytes SearchInput(const sim::MuxConfig& mux) {
    std::vector<sim::TsPacket> packets;
    const auto pat = sim::PacketizeSection(0, sim::BuildPatSection(mux));
    for (std::size_t i = 0; i < 7; ++i) packets.push_back(pat[i % pat.size()]);
    for (int round = 0; round < 3; ++round) {
        for (const auto& p : mux.programs) {
            for (const auto& packet : sim::PacketizeSection(p.pmtPid, sim::BuildPmtSection(p)))
                packets.push_back(packet);
        }
    }
    Bytes out;
    for (std::size_t i = 0; i < packets.size(); i += 7) {
        const std::size_t n = std::min<std::size_t>(7, packets.size() - i) * 188;
        out.push_back(static_cast<std::uint8_t>(n >> 8));
        out.push_back(static_cast<std::uint8_t>(n & 0xFF));
        for (std::size_t k = i; k < i + n / 188; ++k)
            out.insert(out.end(), packets[k].begin(), packets[k].end());
    }
    return out;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: fuzz_seeds DIR\n");
        return 2;
    }
    const fs::path dir = argv[1];
    const struct {
        const char* name;
        sim::MuxConfig mux;
    } muxes[] = {{"small", sim::MakeMux(2, 1, 1, false)},
                 {"long", sim::MakeMux(3, 0, 2, true)},
                 {"many", sim::MakeMux(36, 4, 0, false)}};
    for (const auto& m : muxes) {
        Write(dir / "fuzz_parse_pat", m.name,
              sim::JoinPackets(sim::PacketizeSection(0, sim::BuildPatSection(m.mux))));
        const auto& program = m.mux.programs.front();
        Bytes pmt{static_cast<std::uint8_t>(program.pmtPid >> 8),
                  static_cast<std::uint8_t>(program.pmtPid),
                  static_cast<std::uint8_t>(program.number >> 8),
                  static_cast<std::uint8_t>(program.number)};
        const Bytes packets =
            sim::JoinPackets(sim::PacketizeSection(program.pmtPid, sim::BuildPmtSection(program)));
        pmt.insert(pmt.end(), packets.begin(), packets.end());
        Write(dir / "fuzz_assemble_pmt", m.name, pmt);
        Write(dir / "fuzz_search_pass", m.name, SearchInput(m.mux));
    }
    for (const char* text : {"1FFF", "ff", "", "g", "0100"}) {
        Write(dir / "fuzz_hex_to_int", std::string("hex_") + (*text ? text : "empty"),
              Bytes(text, text + std::strlen(text)));
    }
    return 0;
}
