#include "sim/ts_mux.h"

#include <algorithm>
#include <charconv>
#include <cstring>
#include <fstream>
#include <iterator>
#include <map>
#include <optional>

#include "sim/media_mux.h"
#include "sim/mpe_source.h"
#include "sim/si_generator.h"
#include "sim/sim_texts.h"

namespace orbix::sim {
namespace {

constexpr std::uint8_t kSync = 0x47;
constexpr std::int64_t kPcrHz = 27'000'000;
constexpr int kPcrSpacingMs = 30;
constexpr std::uint16_t kCaSystemId = 0x0B00;

void PutPid(std::vector<std::uint8_t>& out, std::uint16_t pid) {
    out.push_back(static_cast<std::uint8_t>(0xE0 | (pid >> 8)));
    out.push_back(static_cast<std::uint8_t>(pid & 0xFF));
}

void PutLength12(std::vector<std::uint8_t>& out, std::size_t length) {
    out.push_back(static_cast<std::uint8_t>(0xF0 | ((length >> 8) & 0x0F)));
    out.push_back(static_cast<std::uint8_t>(length & 0xFF));
}

void PutCaDescriptor(std::vector<std::uint8_t>& out, std::uint16_t caPid) {
    out.insert(out.end(), {0x09, 4, kCaSystemId >> 8, kCaSystemId & 0xFF});
    PutPid(out, caPid);
}

void PacketHeader(TsPacket& packet, std::uint16_t pid, bool start, std::uint8_t& continuity) {
    packet[0] = kSync;
    packet[1] = static_cast<std::uint8_t>((start ? 0x40 : 0x00) | (pid >> 8));
    packet[2] = static_cast<std::uint8_t>(pid & 0xFF);
    packet[3] = static_cast<std::uint8_t>(0x10 | continuity);
    continuity = static_cast<std::uint8_t>((continuity + 1) & 0x0F);
}

std::int64_t ReadPcr(const std::uint8_t* at) {
    const std::int64_t base = (static_cast<std::int64_t>(at[0]) << 25) | (at[1] << 17) |
                              (at[2] << 9) | (at[3] << 1) | (at[4] >> 7);
    return base * 300 + (((at[4] & 1) << 8) | at[5]);
}

// The PCR a packet carries, if it does.
std::optional<std::int64_t> PacketPcr(const TsPacket& packet) {
    if ((packet[3] & 0x20) == 0 || packet[4] < 7 || (packet[5] & 0x10) == 0) return std::nullopt;
    return ReadPcr(&packet[6]);
}

}  // namespace

void WritePcr(std::uint8_t* at, std::int64_t pcr27) {
    const std::uint64_t base = static_cast<std::uint64_t>(pcr27 / 300) & ((1ull << 33) - 1);
    const auto ext = static_cast<std::uint32_t>(pcr27 % 300);
    at[0] = static_cast<std::uint8_t>(base >> 25);
    at[1] = static_cast<std::uint8_t>(base >> 17);
    at[2] = static_cast<std::uint8_t>(base >> 9);
    at[3] = static_cast<std::uint8_t>(base >> 1);
    at[4] = static_cast<std::uint8_t>(((base & 1) << 7) | 0x7E | (ext >> 8));
    at[5] = static_cast<std::uint8_t>(ext & 0xFF);
}

std::uint32_t MpegCrc32(const std::uint8_t* data, std::size_t size) {
    std::uint32_t crc = 0xFFFFFFFFu;
    for (std::size_t i = 0; i < size; ++i) {
        crc ^= static_cast<std::uint32_t>(data[i]) << 24;
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc & 0x80000000u) ? (crc << 1) ^ 0x04C11DB7u : crc << 1;
    }
    return crc;
}

void AppendMpegCrc32(std::vector<std::uint8_t>& section) {
    const std::uint32_t crc = MpegCrc32(section.data(), section.size());
    for (int shift = 24; shift >= 0; shift -= 8)
        section.push_back(static_cast<std::uint8_t>(crc >> shift));
}

std::vector<std::uint8_t> FinishSection(std::vector<std::uint8_t> section, std::uint8_t flags) {
    const std::size_t length = section.size() - 3 + 4;
    section[1] = static_cast<std::uint8_t>(flags | ((length >> 8) & 0x0F));
    section[2] = static_cast<std::uint8_t>(length & 0xFF);
    AppendMpegCrc32(section);
    return section;
}

std::vector<std::uint8_t> BuildPatSection(const MuxConfig& config) {
    std::vector<std::uint8_t> s{0x00,
                                0,
                                0,
                                static_cast<std::uint8_t>(config.transportStreamId >> 8),
                                static_cast<std::uint8_t>(config.transportStreamId & 0xFF),
                                0xC1,
                                0,
                                0};
    if (config.networkEntry) s.insert(s.end(), {0, 0, 0xE0, 0x10});
    for (const MuxProgram& p : config.programs) {
        s.push_back(static_cast<std::uint8_t>(p.number >> 8));
        s.push_back(static_cast<std::uint8_t>(p.number & 0xFF));
        PutPid(s, p.pmtPid);
    }
    return FinishSection(std::move(s));
}

std::vector<std::uint8_t> BuildPmtSection(const MuxProgram& program) {
    std::vector<std::uint8_t> s{0x02,
                                0,
                                0,
                                static_cast<std::uint8_t>(program.number >> 8),
                                static_cast<std::uint8_t>(program.number & 0xFF),
                                0xC1,
                                0,
                                0};
    PutPid(s, program.pcrPid);
    std::vector<std::uint8_t> info;
    if (program.scrambled)
        PutCaDescriptor(info, static_cast<std::uint16_t>(0x1F00 + program.number));
    for (int left = program.privateInfoBytes; left > 2; left -= 2 + std::min(left - 2, 255)) {
        const int size = std::min(left - 2, 255);
        info.push_back(0xF0);
        info.push_back(static_cast<std::uint8_t>(size));
        info.insert(info.end(), static_cast<std::size_t>(size),
                    static_cast<std::uint8_t>(program.number));
    }
    PutLength12(s, info.size());
    s.insert(s.end(), info.begin(), info.end());
    for (const MuxStream& es : program.streams) {
        std::vector<std::uint8_t> esInfo;
        if (es.streamType == 3 || es.streamType == 4)
            esInfo.insert(esInfo.end(), {0x0A, 4, 'c', 'h', 'i', 0});
        if (es.descriptorTag != 0) esInfo.insert(esInfo.end(), {es.descriptorTag, 1, 0x00});
        if (es.scrambled)
            PutCaDescriptor(esInfo, static_cast<std::uint16_t>(0x1E00 + (es.pid & 0xFF)));
        s.push_back(es.streamType);
        PutPid(s, es.pid);
        PutLength12(s, esInfo.size());
        s.insert(s.end(), esInfo.begin(), esInfo.end());
    }
    return FinishSection(std::move(s));
}

std::vector<TsPacket> PacketizeSection(std::uint16_t pid, const std::vector<std::uint8_t>& section,
                                       std::uint8_t& continuity) {
    std::vector<TsPacket> packets;
    std::size_t pos = 0;
    while (pos < section.size()) {
        TsPacket packet;
        packet.fill(0xFF);
        const bool first = pos == 0;
        PacketHeader(packet, pid, first, continuity);
        std::size_t at = 4;
        if (first) packet[at++] = 0;  // pointer_field
        const std::size_t n = std::min(section.size() - pos, kPacketSize - at);
        std::memcpy(packet.data() + at, section.data() + pos, n);
        pos += n;
        packets.push_back(packet);
    }
    return packets;
}

std::vector<TsPacket> PacketizeSection(std::uint16_t pid,
                                       const std::vector<std::uint8_t>& section) {
    std::uint8_t continuity = 0;
    return PacketizeSection(pid, section, continuity);
}

std::vector<std::uint8_t> JoinPackets(const std::vector<TsPacket>& packets) {
    std::vector<std::uint8_t> out;
    out.reserve(packets.size() * kPacketSize);
    for (const TsPacket& p : packets) out.insert(out.end(), p.begin(), p.end());
    return out;
}

CGeneratedMux::CGeneratedMux(MuxConfig config) : m_config(std::move(config)) {
    for (const MuxProgram& p : m_config.programs) {
        for (const MuxStream& es : p.streams) {
            m_es.push_back(EsSlot{es.pid, es.pid == p.pcrPid, es.scrambled || p.scrambled, -1});
        }
    }
    const std::int64_t packetsPerSecond =
        std::max<std::int64_t>(1, m_config.bitRate / (kPacketSize * 8));
    m_packetsPerInterval =
        std::max<std::int64_t>(1, packetsPerSecond * m_config.psiIntervalMs / 1000);
    m_packetsPerPmtInterval = packetsPerSecond * m_config.pmtIntervalMs / 1000;
    m_pcrSpacing = std::max<std::int64_t>(1, packetsPerSecond * kPcrSpacingMs / 1000);
}

CGeneratedMux::~CGeneratedMux() = default;

void CGeneratedMux::UseMedia(std::shared_ptr<const CMediaLibrary> library) {
    m_media = library ? std::make_unique<CMediaPlayout>(m_config, std::move(library)) : nullptr;
}

void CGeneratedMux::QueuePsi(bool withPmts) {
    m_psi = PacketizeSection(0, BuildPatSection(m_config), m_continuity[0]);
    for (const MuxProgram& p : m_config.programs) {
        if (!withPmts) break;
        auto pmt = PacketizeSection(p.pmtPid, BuildPmtSection(p), m_continuity[p.pmtPid]);
        m_psi.insert(m_psi.end(), pmt.begin(), pmt.end());
    }
    for (const MuxSection& si : m_config.siSections) {
        auto packets = PacketizeSection(si.pid, si.bytes, m_continuity[si.pid & 0x1FFF]);
        m_psi.insert(m_psi.end(), packets.begin(), packets.end());
    }
    m_psiNext = 0;
}

void CGeneratedMux::NextPacket(TsPacket& packet) {
    if (m_packetIndex % m_packetsPerInterval == 0) {
        const bool withPmts = m_packetIndex >= m_nextPmtPacket;
        if (withPmts) m_nextPmtPacket = m_packetIndex + m_packetsPerPmtInterval;
        QueuePsi(withPmts);
    }
    if (m_psiNext < m_psi.size()) {
        packet = m_psi[m_psiNext++];
    } else if (m_es.empty() || m_packetIndex % 100 < m_config.nullPercent) {
        packet.fill(0xFF);
        std::uint8_t continuity = 0;
        PacketHeader(packet, kNullPid, false, continuity);
    } else if (m_media) {
        m_media->NextPacket(m_packetIndex, packet);
    } else {
        PayloadPacket(packet);
    }
    ++m_packetIndex;
}

void CGeneratedMux::PayloadPacket(TsPacket& packet) {
    EsSlot& es = m_es[m_esNext];
    m_esNext = (m_esNext + 1) % m_es.size();
    packet.fill(static_cast<std::uint8_t>(m_packetIndex));
    PacketHeader(packet, es.pid, false, m_continuity[es.pid]);
    if (es.scrambled) packet[3] |= 0x80;
    if (es.carriesPcr &&
        (es.lastPcrPacket < 0 || m_packetIndex - es.lastPcrPacket >= m_pcrSpacing)) {
        es.lastPcrPacket = m_packetIndex;
        packet[3] |= 0x20;
        packet[4] = 7;
        packet[5] = 0x10;
        const double seconds = static_cast<double>(m_packetIndex) * kPacketSize * 8 /
                               static_cast<double>(m_config.bitRate);
        WritePcr(&packet[6], static_cast<std::int64_t>(seconds * kPcrHz));
    }
}

std::unique_ptr<CTsFileSource> CTsFileSource::Open(const std::string& path, std::int64_t bitRate,
                                                   std::string& error) {
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        error = texts::StreamFileUnreadable(path);
        return nullptr;
    }
    const std::vector<std::uint8_t> bytes{std::istreambuf_iterator<char>(file), {}};
    std::size_t first = 0;
    while (first < bytes.size() && bytes[first] != kSync) ++first;
    auto source = std::unique_ptr<CTsFileSource>(new CTsFileSource);
    for (std::size_t at = first; at + kPacketSize <= bytes.size() && bytes[at] == kSync;
         at += kPacketSize) {
        TsPacket packet;
        std::memcpy(packet.data(), bytes.data() + at, kPacketSize);
        source->m_packets.push_back(packet);
    }
    if (source->m_packets.empty()) {
        error = texts::StreamFileEmpty(path);
        return nullptr;
    }
    // The bit rate from the first PCR PID's first and last PCRs.
    std::map<std::uint16_t, std::pair<std::size_t, std::int64_t>> firstPcr;
    std::int64_t measured = 0;
    for (std::size_t i = 0; i < source->m_packets.size(); ++i) {
        const auto pcr = PacketPcr(source->m_packets[i]);
        if (!pcr) continue;
        const auto pid = static_cast<std::uint16_t>(((source->m_packets[i][1] & 0x1F) << 8) |
                                                    source->m_packets[i][2]);
        auto [it, added] = firstPcr.try_emplace(pid, i, *pcr);
        if (!added && *pcr > it->second.second && firstPcr.begin()->first == pid) {
            measured =
                static_cast<std::int64_t>((i - it->second.first) * kPacketSize * 8 * kPcrHz /
                                          static_cast<std::size_t>(*pcr - it->second.second));
        }
    }
    source->m_bitRate = bitRate > 0 ? bitRate : measured;
    if (source->m_bitRate <= 0) {
        error = texts::StreamFileNoBitRate(path);
        return nullptr;
    }
    return source;
}

void CTsFileSource::NextPacket(TsPacket& packet) {
    packet = m_packets[m_next];
    m_next = (m_next + 1) % m_packets.size();
}

namespace {

// Today's coding, taken in turn by the programs of a modern multiplex:
// H.264, HEVC, MPEG-4 visual video; AAC ADTS, AAC LATM, AC-3 audio; and
// a second audio on private data with an AC-3, E-AC-3 or DTS descriptor.
constexpr std::array<std::uint8_t, 3> kModernVideo{0x1B, 0x24, 0x10};
constexpr std::array<std::uint8_t, 3> kModernAudio{0x0F, 0x11, 0x81};
constexpr std::array<std::uint8_t, 3> kModernAudioTags{0x6A, 0x7A, 0x7B};
constexpr std::uint8_t kPrivateData = 0x06;

void Modernise(MuxProgram& p, std::size_t i, bool tv) {
    const std::size_t k = i % kModernVideo.size();
    auto& s = p.streams;
    if (tv) {
        s[0].streamType = kModernVideo[k];
        s[1].streamType = kModernAudio[k];
        s[2].streamType = kPrivateData;
        s[2].descriptorTag = kModernAudioTags[k];
        s[3].descriptorTag = 0x59;  // subtitles: private data that stays data
    } else {
        s[0].streamType = kModernAudio[k];
        s[1].streamType = kPrivateData;
        s[1].descriptorTag = kModernAudioTags[k];
    }
}

}  // namespace

MuxConfig MakeMux(int tv, int radio, int scrambled, bool longPmt, bool modern) {
    MuxConfig config;
    for (int i = 0; i < tv + radio; ++i) {
        const auto number = static_cast<std::uint16_t>(i + 1);
        const auto base = static_cast<std::uint16_t>(0x200 + 0x10 * number);
        MuxProgram p{number, static_cast<std::uint16_t>(0x1000 + number), base, {}, false, 0};
        if (i < tv) {
            p.streams = {{2, base, false},
                         {4, static_cast<std::uint16_t>(base + 1), false},
                         {4, static_cast<std::uint16_t>(base + 2), false},
                         {6, static_cast<std::uint16_t>(base + 3), false}};
        } else {
            p.streams = {{3, base, false}, {4, static_cast<std::uint16_t>(base + 1), false}};
        }
        if (modern) Modernise(p, static_cast<std::size_t>(i), i < tv);
        if (i < scrambled) {
            // Alternate where the CA descriptor sits: program level, then stream level.
            if (i % 2 == 0)
                p.scrambled = true;
            else
                p.streams.back().scrambled = true;
        }
        config.programs.push_back(std::move(p));
    }
    if (longPmt && !config.programs.empty()) {
        MuxProgram& p = config.programs.front();
        for (int k = 0; k < 10; ++k)
            p.streams.push_back({4, static_cast<std::uint16_t>(0x1800 + k), false});
        p.privateInfoBytes = 120;
    }
    return config;
}

namespace {

std::optional<std::int64_t> Number(std::string_view text) {
    std::int64_t value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || end != text.data() + text.size() || value < 0) return std::nullopt;
    return value;
}

// "key=value,key=value" into a multiplex; false on an unknown key or a bad number.
bool ParseMux(std::string_view text, MuxConfig& config, std::string& error) {
    std::map<std::string, std::int64_t> values{
        {"tv", 1},     {"radio", 0},         {"scrambled", 0},      {"longpmt", 0},
        {"modern", 0}, {"rate", 15'000'000}, {"psi", 100},          {"pmt", 0},
        {"null", 10},  {"mpe", 0},           {"mperate", 2'000'000}};
    while (!text.empty()) {
        const std::size_t comma = text.find(',');
        const std::string_view item = text.substr(0, comma);
        text = comma == std::string_view::npos ? std::string_view{} : text.substr(comma + 1);
        const std::size_t eq = item.find('=');
        const auto key = std::string(item.substr(0, eq));
        const auto value =
            eq == std::string_view::npos ? std::nullopt : Number(item.substr(eq + 1));
        if (!values.contains(key) || !value) {
            error = texts::BadMuxItem(item);
            return false;
        }
        values[key] = *value;
    }
    if (values["tv"] + values["radio"] > 200 || values["rate"] < 100'000 || values["psi"] < 1 ||
        values["null"] > 100 || values["pmt"] > 60'000 || values["mpe"] >= 0x1FFF ||
        values["mperate"] > values["rate"]) {
        error = texts::MuxOutOfRange();
        return false;
    }
    config = MakeMux(static_cast<int>(values["tv"]), static_cast<int>(values["radio"]),
                     static_cast<int>(values["scrambled"]), values["longpmt"] != 0,
                     values["modern"] != 0);
    config.bitRate = values["rate"];
    config.psiIntervalMs = static_cast<int>(values["psi"]);
    config.pmtIntervalMs = static_cast<int>(values["pmt"]);
    config.nullPercent = static_cast<int>(values["null"]);
    config.mpePid = static_cast<std::uint16_t>(values["mpe"]);
    config.mpeBitRate = values["mperate"];
    return true;
}

struct Preset {
    std::string_view name;
    std::string_view mux;
};

// The default sky's multiplexes, also chosen by position when a transponder
// names none.
constexpr std::array<Preset, 5> kPresets{{
    {"news10", "tv=8,radio=2,rate=20000000"},
    {"bouquet40", "tv=30,radio=10,rate=26000000"},
    {"pay6", "tv=5,radio=1,scrambled=2,longpmt=1,rate=24000000"},
    {"radio8", "tv=0,radio=8,rate=2000000"},
    {"ipdata", "tv=1,radio=0,rate=8000000,mpe=1280,mperate=2000000"},
}};

}  // namespace

std::unique_ptr<ITsSource> MakeStreamSource(std::string_view description, int skyIndex,
                                            std::string& error, const SiContext* si,
                                            std::shared_ptr<const CMediaLibrary> media) {
    if (description.empty()) {
        // Only the television and radio presets are chosen by position.
        const int n = 4;
        description = kPresets[static_cast<std::size_t>(((skyIndex % n) + n) % n)].name;
    }
    for (const Preset& preset : kPresets) {
        if (description == preset.name) description = preset.mux;
    }
    if (description.starts_with("file:")) {
        std::string path(description.substr(5));
        std::int64_t rate = 0;
        if (const std::size_t at = path.rfind('@'); at != std::string::npos) {
            const auto value = Number(std::string_view(path).substr(at + 1));
            if (!value) {
                error = texts::BadStreamBitRate(description);
                return nullptr;
            }
            rate = *value;
            path.resize(at);
        }
        return CTsFileSource::Open(path, rate, error);
    }
    MuxConfig config;
    const std::string_view mux =
        description.starts_with("mux:") ? description.substr(4) : description;
    if (!ParseMux(mux, config, error)) return nullptr;
    if (si != nullptr) config.siSections = BuildSiSections(config, *si);
    const std::uint16_t mpePid = config.mpePid;
    const std::int64_t mpeRate = config.mpeBitRate;
    auto generated = std::make_unique<CGeneratedMux>(std::move(config));
    generated->UseMedia(std::move(media));
    if (mpePid == 0) return generated;
    return MakeMpeSource(std::move(generated), mpePid, mpeRate);
}

}  // namespace orbix::sim
