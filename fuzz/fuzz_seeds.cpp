// Writes seed corpora for the fuzz targets into DIR/<target>/: valid PAT and
// PMT sections cut into packets, and datagram streams of whole searches.
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "db/channel_database.h"
#include "platform/text.h"
#include "sim/si_generator.h"
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

Bytes AsBytes(std::string_view text) { return Bytes(text.begin(), text.end()); }

// A channel database as the program leaves it, in GBK.
const std::string kDatabase = orbix::Gbk(
    "[Main]\r\nNUM=2\r\nSAT1=sino\r\nSAT2=亚洲卫星\r\n"
    "[sino]\r\nNUMTP=2\r\nTP1=CETV|12622|32.533|垂直|11300|自动|开|Ku|开|\r\n"
    "TP2=T2|11800.0|27500f|水平|10600|3/4|关|Ku|开|\r\n"
    "[亚洲卫星]\r\nNUMTP=1\r\nTP1=C1|3840.0|27500|水平|5150|自动|关|C|关|\r\n"
    "[Last]\r\nsino=CETV\r\n[Lock]\r\nsino=CETV\r\n"
    "[Default]\r\nsino=CETV|12622|32.533|垂直|11300|自动|开|Ku|开|\r\n"
    "[PID]\r\n节目1=节目1|电视节目|100|1ff|2a0|2a1|1fe|\r\n"
    "节目2=节目2(加扰)|广播节目|101|00|2b0|00|2b0|\r\nNUM=2\r\n"
    "[IP]\r\nACTIVENUMPID=2\r\nACTIVEPID=1ff|2a0|\r\nNOACTIVENUMPID=0\r\nNOACTIVEPID=\r\n");

// Records from the tests' tables, valid and damaged.
const char* const kRecords[] = {"N|12622.5|27500f|水平|9750|3/4|关|Ku|开|",
                                "N|1|2|a|b|c|d|e|f",
                                "CETV",
                                "N|||p|",
                                "N| 3840.25MHz|-7x|",
                                "亅|1|2|",
                                "节目4|广播节目|100|1ff|2a0|2a1|1fe|",
                                "+12.5|-0.5|+-3|"};

const char* const kSkies[] = {
    "# a sky\nsatellite Sat-Ku ku\n"
    "transponder 11052V 11052 V 27500 3/4 level=-32 cn=12 stream=news10\n"
    "transponder 12010V 12010 V 22000 5/6 inverted level=-36 cn=11 stream=pay6\n"
    "satellite Sat-C c\ntransponder 3840H 3840 H 27500 3/4 level=-40 cn=9 stream=bouquet40\n",
    "satellite S none\ntransponder T 12000.5 H 1000 7/8\nfade 1.5 2 6\nsilent-demod 30\n"
    "no-tuner\n",
};

void WriteProfileSeeds(const fs::path& dir) {
    using namespace std::string_literals;
    // operation byte, section, key, value (each ended by NUL), the file
    const std::string edits[] = {
        "\x00Main\0NUM\0"
        "3\0"s,
        "\x00sino\0TP3\0"s + orbix::Gbk("T3|12000.0|27500f|垂直|9750|3/4|关|Ku|关|") + "\0"s,
        "\x01Main\0SAT2\0\0"s,
        "\x02Last\0\0sino=T2\0"s,
        "\x03\0\0\0"s,
        "\x07\0\0\0"s,
        "\x04\0\0\0"s,
    };
    int n = 0;
    for (const std::string& edit : edits) {
        Write(dir, "edit" + std::to_string(n++), AsBytes(edit + kDatabase));
    }
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
        int k = 0;
        for (const auto& si :
             sim::BuildSiSections(m.mux, sim::SiContextOf(sim::DefaultSky(), 0, 0))) {
            const std::string name = m.name + std::to_string(k++);
            Write(dir / "fuzz_si_tables", name, si.bytes);
            Write(dir / "fuzz_si_tables", name + "_packets",
                  sim::JoinPackets(sim::PacketizeSection(si.pid, si.bytes)));
        }
    }
    for (std::size_t i = 0; i < 4; ++i) {
        Write(dir / "fuzz_dvb_text", "name" + std::to_string(i), sim::ServiceNameBytes(i));
        Write(dir / "fuzz_dvb_text", "provider" + std::to_string(i), sim::ServiceProviderBytes(i));
    }
    Write(dir / "fuzz_dvb_text", "ucs2", Bytes{0x11, 0x4e, 0x2d, 0x65, 0x87});
    Write(dir / "fuzz_dvb_text", "utf8", AsBytes("\x15\xe4\xb8\xad\xf0\x9f\x98\x80X"));
    Write(dir / "fuzz_dvb_text", "iso8859_5", Bytes{0x10, 0x00, 0x05, 0xd1, 0x8a, 0x86, 0xd2});
    for (const char* text : {"1FFF", "ff", "", "g", "0100"}) {
        Write(dir / "fuzz_hex_to_int", std::string("hex_") + (*text ? text : "empty"),
              Bytes(text, text + std::strlen(text)));
    }
    WriteProfileSeeds(dir / "fuzz_profile_edit");
    int n = 0;
    for (const char* record : kRecords) {
        for (char use : {'\0', '\1', '\2'}) {
            Write(dir / "fuzz_record_fields", "record" + std::to_string(n++),
                  AsBytes(std::string(1, use) + orbix::Gbk(record)));
        }
    }
    n = 0;
    for (const char* sky : kSkies)
        Write(dir / "fuzz_sky", "sky" + std::to_string(n++), AsBytes(sky));
    Write(dir / "fuzz_text", "database", AsBytes(kDatabase));
    Write(dir / "fuzz_text", "utf8", AsBytes(orbix::Utf8(kDatabase)));
    Write(dir / "fuzz_text", "mixed",
          AsBytes("a\xE4\xB8\xAD"
                  "b\xE4zc\xF0\x9F\x98\x80\x81\x40"));
    Write(dir / "fuzz_channel_file", "dvbs",
          AsBytes("# table\n[12622V]\n\tDELIVERY_SYSTEM = DVBS\n\tFREQUENCY = 12621500\n"
                  "\tPOLARIZATION = VERTICAL\n\tSYMBOL_RATE = 27500000\n\tINNER_FEC = 3/4\n"
                  "[s2]\n\tDELIVERY_SYSTEM = DVBS2\n\tFREQUENCY = 11362000\n"
                  "[c]\r\n\tDELIVERY_SYSTEM = DVBS\r\n\tFREQUENCY = 3840000\r\n"
                  "\tPOLARIZATION = LEFT\r\n\tSYMBOL_RATE = 4420000\r\n"));
    // Six sections of the simulated IP data's sizes, two of them spoilt.
    Write(dir / "fuzz_mpe_decap", "mix",
          Bytes{0, 20, 0, 0, 0, 36, 1, 0, 3, 228, 2, 0, 5, 88, 0, 9, 0, 52, 4, 7, 1, 40, 3, 0});
    return 0;
}
