#include "sim/si_generator.h"

#include <array>
#include <cmath>
#include <string_view>
#include <utility>

namespace orbix::sim {
namespace {

constexpr std::uint16_t kNitPid = 0x10;
constexpr std::uint16_t kSdtPid = 0x11;
constexpr std::uint8_t kGb2312Selector = 0x13;
// Services or transport streams per section, well inside 1021 bytes.
constexpr std::size_t kPerSection = 20;

struct Name {
    std::string_view utf8;
    std::string_view sent;  // GB2312 (after the selector) or the default table
};

// Chinese names (GB2312 bytes) and Latin ones (0xC2 is the acute accent,
// sent before its letter).
constexpr std::array<Name, 4> kChinese{{{"新闻", "\xd0\xc2\xce\xc5"},
                                        {"体育", "\xcc\xe5\xd3\xfd"},
                                        {"电影", "\xb5\xe7\xd3\xb0"},
                                        {"音乐", "\xd2\xf4\xc0\xd6"}}};
constexpr std::array<Name, 4> kLatin{{{"News ", "News "},
                                      {"Télé ",
                                       "T\xc2"
                                       "el\xc2"
                                       "e "},
                                      {"Sport ", "Sport "},
                                      {"Jazz ", "Jazz "}}};

std::vector<std::uint8_t> Bytes(std::string_view text) { return {text.begin(), text.end()}; }

void Put16(std::vector<std::uint8_t>& out, std::uint32_t v) {
    out.push_back(static_cast<std::uint8_t>(v >> 8));
    out.push_back(static_cast<std::uint8_t>(v & 0xFF));
}

void PutLength12(std::vector<std::uint8_t>& out, std::size_t length, std::uint8_t high = 0xF0) {
    out.push_back(static_cast<std::uint8_t>(high | ((length >> 8) & 0x0F)));
    out.push_back(static_cast<std::uint8_t>(length & 0xFF));
}

// value as digits BCD nibbles, most significant first.
std::uint32_t Bcd(std::uint32_t value, int digits) {
    std::uint32_t out = 0;
    for (int k = 0; k < digits; ++k) {
        out |= (value % 10) << (4 * k);
        value /= 10;
    }
    return out;
}

void PutDescriptor(std::vector<std::uint8_t>& out, std::uint8_t tag,
                   const std::vector<std::uint8_t>& body) {
    out.push_back(tag);
    out.push_back(static_cast<std::uint8_t>(body.size()));
    out.insert(out.end(), body.begin(), body.end());
}

// A long section: header, body, section_length and CRC_32.
std::vector<std::uint8_t> Section(std::uint8_t tableId, std::uint16_t extension, std::size_t number,
                                  std::size_t last, const std::vector<std::uint8_t>& body) {
    std::vector<std::uint8_t> s{tableId, 0, 0};
    Put16(s, extension);
    s.push_back(0xC1);  // version 0, current
    s.push_back(static_cast<std::uint8_t>(number));
    s.push_back(static_cast<std::uint8_t>(last));
    s.insert(s.end(), body.begin(), body.end());
    return FinishSection(std::move(s), 0xF0);
}

std::vector<std::uint8_t> SatelliteDelivery(const SkyTransponder& tp, const SiContext& si) {
    const auto f = Bcd(static_cast<std::uint32_t>(std::lround(tp.frequencyMhz * 100)), 8);
    const auto pos = Bcd(si.orbitalPosition, 4);
    const auto sr = Bcd(static_cast<std::uint32_t>(tp.symbolRateKs) * 10, 7);
    const auto fec = static_cast<std::uint32_t>(tp.fec) + 1;  // 1/2 is 1 ... 7/8 is 5
    const std::uint8_t flags = static_cast<std::uint8_t>(
        (si.east ? 0x80 : 0) | (tp.polarisation == Polarisation::Vertical ? 0x20 : 0) | 0x01);
    return {static_cast<std::uint8_t>(f >> 24),
            static_cast<std::uint8_t>(f >> 16),
            static_cast<std::uint8_t>(f >> 8),
            static_cast<std::uint8_t>(f),
            static_cast<std::uint8_t>(pos >> 8),
            static_cast<std::uint8_t>(pos),
            flags,
            static_cast<std::uint8_t>(sr >> 20),
            static_cast<std::uint8_t>(sr >> 12),
            static_cast<std::uint8_t>(sr >> 4),
            static_cast<std::uint8_t>(((sr & 0x0F) << 4) | fec)};
}

std::vector<std::uint8_t> SdtEntry(const MuxProgram& p, std::size_t i) {
    std::vector<std::uint8_t> d{0x01};  // digital television service
    const auto provider = ServiceProviderBytes(i);
    const auto name = ServiceNameBytes(i);
    d.push_back(static_cast<std::uint8_t>(provider.size()));
    d.insert(d.end(), provider.begin(), provider.end());
    d.push_back(static_cast<std::uint8_t>(name.size()));
    d.insert(d.end(), name.begin(), name.end());
    std::vector<std::uint8_t> descriptors;
    PutDescriptor(descriptors, 0x48, d);
    std::vector<std::uint8_t> out;
    Put16(out, p.number);
    out.push_back(0xFC);
    PutLength12(out, descriptors.size(), 0x80);  // running
    out.insert(out.end(), descriptors.begin(), descriptors.end());
    return out;
}

template <typename Entry>
std::vector<std::vector<std::uint8_t>> Chunks(std::size_t count, Entry entry) {
    std::vector<std::vector<std::uint8_t>> chunks;
    for (std::size_t i = 0; i < count; ++i) {
        if (i % kPerSection == 0) chunks.emplace_back();
        const auto bytes = entry(i);
        chunks.back().insert(chunks.back().end(), bytes.begin(), bytes.end());
    }
    if (chunks.empty()) chunks.emplace_back();
    return chunks;
}

}  // namespace

SiContext SiContextOf(const Sky& sky, std::size_t satelliteIndex, std::size_t index) {
    SiContext si;
    const SkySatellite& satellite = sky.satellites.at(satelliteIndex);
    si.networkId = static_cast<std::uint16_t>(1 + satelliteIndex);
    si.transportStreamId = static_cast<std::uint16_t>(1 + index);
    si.orbitalPosition = static_cast<std::uint16_t>(1005 + 100 * satelliteIndex);
    si.networkName = satellite.name;
    si.transponders = satellite.transponders;
    return si;
}

std::vector<std::uint8_t> ServiceNameBytes(std::size_t i) {
    const std::string number = std::to_string(i + 1);
    if (i % 2 == 0) {
        auto out = std::vector<std::uint8_t>{kGb2312Selector};
        const auto word = Bytes(kChinese[(i / 2) % kChinese.size()].sent);
        out.insert(out.end(), word.begin(), word.end());
        out.insert(out.end(), number.begin(), number.end());
        return out;
    }
    auto out = Bytes(kLatin[(i / 2) % kLatin.size()].sent);
    out.insert(out.end(), number.begin(), number.end());
    return out;
}

std::string ServiceNameUtf8(std::size_t i) {
    const Name& n =
        i % 2 == 0 ? kChinese[(i / 2) % kChinese.size()] : kLatin[(i / 2) % kLatin.size()];
    return std::string(n.utf8) + std::to_string(i + 1);
}

std::vector<std::uint8_t> ServiceProviderBytes(std::size_t i) {
    // "天网传媒" with the GB2312 selector, or a Latin name.
    return i % 2 == 0 ? Bytes("\x13\xcc\xec\xcd\xf8\xb4\xab\xc3\xbd") : Bytes("SkyCast");
}

std::vector<MuxSection> BuildSiSections(const MuxConfig& config, const SiContext& si) {
    std::vector<MuxSection> out;
    const auto sdt = Chunks(config.programs.size(),
                            [&](std::size_t i) { return SdtEntry(config.programs[i], i); });
    for (std::size_t k = 0; k < sdt.size(); ++k) {
        std::vector<std::uint8_t> body;
        Put16(body, si.networkId);  // original_network_id
        body.push_back(0xFF);
        body.insert(body.end(), sdt[k].begin(), sdt[k].end());
        out.push_back({kSdtPid, Section(0x42, si.transportStreamId, k, sdt.size() - 1, body)});
    }
    const auto nit = Chunks(si.transponders.size(), [&](std::size_t i) {
        std::vector<std::uint8_t> descriptors;
        PutDescriptor(descriptors, 0x43, SatelliteDelivery(si.transponders[i], si));
        std::vector<std::uint8_t> entry;
        Put16(entry, static_cast<std::uint32_t>(i + 1));
        Put16(entry, si.networkId);
        PutLength12(entry, descriptors.size());
        entry.insert(entry.end(), descriptors.begin(), descriptors.end());
        return entry;
    });
    std::vector<std::uint8_t> networkName;
    PutDescriptor(networkName, 0x40, Bytes(si.networkName.substr(0, 64)));
    for (std::size_t k = 0; k < nit.size(); ++k) {
        std::vector<std::uint8_t> body;
        PutLength12(body, networkName.size());
        body.insert(body.end(), networkName.begin(), networkName.end());
        PutLength12(body, nit[k].size());
        body.insert(body.end(), nit[k].begin(), nit[k].end());
        out.push_back({kNitPid, Section(0x40, si.networkId, k, nit.size() - 1, body)});
    }
    return out;
}

}  // namespace orbix::sim
