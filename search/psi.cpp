#include "search/psi.h"

#include <algorithm>
#include <cstring>

namespace orbix {
namespace {

constexpr int kPatHeaderBytes = 8;   // table_id up to last_section_number
constexpr int kPmtHeaderBytes = 12;  // table_id up to program_info_length
constexpr int kCrcBytes = 4;
constexpr int kSectionLengthField = 3;  // table_id and the two length bytes
constexpr int kStreamHeaderBytes = 5;

// One section's bytes laid out contiguously: the longest legal section.
using SectionBytes = std::array<std::uint8_t, kSectionLengthField + kMaxSectionLength>;

bool HasPusi(const std::uint8_t* packet) { return (packet[1] & 0x40) != 0; }

// Offset of the payload, or -1 when the packet has none inside its 188 bytes.
int PayloadStart(const std::uint8_t* packet) {
    const int control = (packet[3] >> 4) & 0x3;
    if ((control & 0x1) == 0) return -1;
    if (control == 0x1) return 4;
    const int start = 5 + packet[4];
    return start < kTsPacketSize ? start : -1;
}

int SectionLength(const std::uint8_t* section) { return ((section[1] & 0x0F) << 8) | section[2]; }

int CountedPackets(std::span<const std::uint8_t> packets, int packetCount) {
    const int held = static_cast<int>(packets.size() / kTsPacketSize);
    return std::clamp(packetCount, 0, held);
}

// Copies the section that starts in packet `first` into out: the rest of
// that packet, then, for the last counted packet, the bytes held after the
// counted packets, then the payloads of later packets on the same PID until
// the next section starts. Stops once section_length is covered (the CRC is
// never read, so it need not be held). Returns the number of bytes copied.
int GatherSection(std::span<const std::uint8_t> packets, int count, int first,
                  std::span<std::uint8_t> out) {
    const std::uint8_t* packet = packets.data() + first * kTsPacketSize;
    const int start = SectionStart(packet);
    int held = 0;
    int wanted = static_cast<int>(out.size());
    auto append = [&](const std::uint8_t* from, int size) {
        const int n = std::min(size, wanted - held);
        if (n <= 0) return;
        std::memcpy(out.data() + held, from, static_cast<std::size_t>(n));
        held += n;
        if (held >= kSectionLengthField) {
            wanted = std::min(wanted, kSectionLengthField + SectionLength(out.data()) - kCrcBytes);
        }
    };
    append(packet + start, kTsPacketSize - start);
    if (first == count - 1) {
        const int tail = static_cast<int>(packets.size()) - count * kTsPacketSize;
        append(packets.data() + count * kTsPacketSize, tail);
    }
    const std::uint16_t pid = PacketPid(packet);
    for (int i = first + 1; i < count && held < wanted; ++i) {
        const std::uint8_t* next = packets.data() + i * kTsPacketSize;
        if (PacketPid(next) != pid) continue;
        if (HasPusi(next)) break;
        const int payload = PayloadStart(next);
        if (payload >= 0) append(next + payload, kTsPacketSize - payload);
    }
    return held;
}

// The bytes of the section that the parsers may read: up to the CRC. Empty
// when the section_length cannot hold minHeader bytes and the CRC or exceeds
// the legal maximum, or when the bytes held end before the CRC.
std::span<const std::uint8_t> UsableSection(std::span<const std::uint8_t> section, int minHeader) {
    if (static_cast<int>(section.size()) < minHeader) return {};
    const int length = SectionLength(section.data());
    if (length < minHeader - kSectionLengthField + kCrcBytes || length > kMaxSectionLength) {
        return {};
    }
    const auto end = static_cast<std::size_t>(kSectionLengthField + length - kCrcBytes);
    // A section cut short by lost packets is not taken: its tail is unknown.
    if (section.size() < end) return {};
    return section.first(end);
}

// True when a descriptor with one of the tags is among the descriptors; a
// descriptor whose length runs past the loop ends the walk.
bool HasDescriptor(std::span<const std::uint8_t> loop, std::span<const std::uint8_t> tags) {
    std::size_t pos = 0;
    while (pos + 2 <= loop.size()) {
        const std::size_t next = pos + 2 + loop[pos + 1];
        if (next > loop.size()) return false;
        if (std::ranges::find(tags, loop[pos]) != tags.end()) return true;
        pos = next;
    }
    return false;
}

bool HasCaDescriptor(std::span<const std::uint8_t> loop) {
    return HasDescriptor(loop, std::span(&kCaDescriptorTag, 1));
}

// Sub-range [from, from + size) of bytes, cut at its end.
std::span<const std::uint8_t> Clip(std::span<const std::uint8_t> bytes, std::size_t from,
                                   std::size_t size) {
    if (from >= bytes.size()) return {};
    return bytes.subspan(from, std::min(size, bytes.size() - from));
}

int ParsePatSection(std::span<const std::uint8_t> raw, PatTable& table) {
    const auto section = UsableSection(raw, kPatHeaderBytes);
    if (section.empty()) return -1;
    table.tableId = section[0];
    table.sectionLength = static_cast<std::uint16_t>(SectionLength(section.data()));
    int count = 0;
    for (std::size_t pos = kPatHeaderBytes; pos + 4 <= section.size() && count < kPatCapacity;
         pos += 4) {
        const std::uint8_t* e = section.data() + pos;
        table.entries[count].programNumber = static_cast<std::uint16_t>((e[0] << 8) | e[1]);
        table.entries[count].pid = static_cast<std::uint16_t>(((e[2] & 0x1F) << 8) | e[3]);
        ++count;
    }
    table.count = count;
    return count;
}

int ParsePmtSection(std::span<const std::uint8_t> raw, PmtTable& table) {
    const auto section = UsableSection(raw, kPmtHeaderBytes);
    if (section.empty()) return -1;
    const std::uint8_t* s = section.data();
    table.tableId = s[0];
    table.sectionLength = static_cast<std::uint16_t>(SectionLength(s));
    table.programNumber = static_cast<std::uint16_t>((s[3] << 8) | s[4]);
    table.pcrPid = static_cast<std::uint16_t>(((s[8] & 0x1F) << 8) | s[9]);
    table.programInfoLength = static_cast<std::uint16_t>(((s[10] & 0x0F) << 8) | s[11]);
    table.programScrambled =
        HasCaDescriptor(Clip(section, kPmtHeaderBytes, table.programInfoLength));
    table.streamScrambled = false;
    int count = 0;
    std::size_t pos = kPmtHeaderBytes + table.programInfoLength;
    while (pos + kStreamHeaderBytes <= section.size()) {
        const std::uint8_t* e = s + pos;
        const auto esInfoLength = static_cast<std::uint16_t>(((e[3] & 0x0F) << 8) | e[4]);
        if (count < kPmtStreamCapacity) {
            PmtStream& stream = table.streams[count++];
            stream.streamType = e[0];
            stream.pid = static_cast<std::uint16_t>(((e[1] & 0x1F) << 8) | e[2]);
            stream.esInfoLength = esInfoLength;
            stream.audioDescriptor = HasDescriptor(
                Clip(section, pos + kStreamHeaderBytes, esInfoLength), kAudioDescriptorTags);
        }
        if (HasCaDescriptor(Clip(section, pos + kStreamHeaderBytes, esInfoLength))) {
            table.streamScrambled = true;
        }
        pos += kStreamHeaderBytes + esInfoLength;
    }
    table.streamCount = count;
    return count;
}

// Runs parse on the section of every packet on pid that starts one, in
// order, until one yields a table.
template <typename Table, typename Parse>
int ParseFirstSection(std::span<const std::uint8_t> packets, int packetCount, Table& table,
                      std::uint16_t pid, Parse parse) {
    const int count = CountedPackets(packets, packetCount);
    for (int i = 0; i < count; ++i) {
        const std::uint8_t* packet = packets.data() + i * kTsPacketSize;
        if (CheckTsPacket(packet, pid) == 0 || SectionStart(packet) < 0) continue;
        SectionBytes bytes;
        const int held = GatherSection(packets, count, i, bytes);
        // Parse into a copy so that a rejected section leaves the table as it was.
        Table parsed = table;
        const int result = parse(std::span<const std::uint8_t>(bytes.data(), held), parsed);
        if (result >= 0) {
            table = parsed;
            return result;
        }
    }
    return -1;
}

// Copies packet `first` to the front of out and appends the payloads of the
// later packets on its PID until out holds `needed` bytes. False when the
// packets run out, or another section starts, before that.
bool CopySection(std::span<const std::uint8_t> packets, int count, int first, int needed,
                 std::span<std::uint8_t> out) {
    const std::uint8_t* packet = packets.data() + first * kTsPacketSize;
    const std::uint16_t pid = PacketPid(packet);
    std::memcpy(out.data(), packet, kTsPacketSize);
    int held = kTsPacketSize;
    for (int k = first + 1; k < count && held < needed; ++k) {
        const std::uint8_t* next = packets.data() + k * kTsPacketSize;
        if (PacketPid(next) != pid) continue;
        if (HasPusi(next)) return false;
        const int payload = PayloadStart(next);
        if (payload < 0) continue;
        const int n = std::min(kTsPacketSize - payload, static_cast<int>(out.size()) - held);
        std::memcpy(out.data() + held, next + payload, static_cast<std::size_t>(n));
        held += n;
    }
    return held >= needed;
}

}  // namespace

int CheckTsPacket(const std::uint8_t* packet, std::uint16_t pid) {
    if (packet[0] != kTsSyncByte) return 0;
    if ((packet[1] & 0x80) != 0) return 0;
    return PacketPid(packet) == pid ? 1 : 0;
}

int SectionStart(const std::uint8_t* packet) {
    if (!HasPusi(packet)) return -1;
    const int payload = PayloadStart(packet);
    if (payload < 0) return -1;
    const int start = payload + 1 + packet[payload];
    return start < kTsPacketSize ? start : -1;
}

int ParsePat(std::span<const std::uint8_t> packets, int packetCount, PatTable& table) {
    return ParseFirstSection(packets, packetCount, table, 0, ParsePatSection);
}

int ParsePmt(std::span<const std::uint8_t> packets, int packetCount, PmtTable& table,
             std::uint16_t pmtPid) {
    return ParseFirstSection(packets, packetCount, table, pmtPid, ParsePmtSection);
}

int AssembleSection(std::uint16_t pmtPid, std::uint16_t programNumber,
                    std::span<const std::uint8_t> packets, int packetCount,
                    std::span<std::uint8_t> out) {
    const int count = CountedPackets(packets, packetCount);
    if (out.size() < static_cast<std::size_t>(kTsPacketSize)) return 0;
    for (int i = 0; i < count; ++i) {
        const std::uint8_t* packet = packets.data() + i * kTsPacketSize;
        if (PacketPid(packet) != pmtPid) continue;
        const int start = SectionStart(packet);
        if (start < 0 || start + 5 > kTsPacketSize) continue;
        if (((packet[start + 3] << 8) | packet[start + 4]) != programNumber) continue;
        const int length = SectionLength(packet + start);
        if (length > kMaxSectionLength) continue;
        const int needed = start + kSectionLengthField + length - kCrcBytes;
        if (needed > static_cast<int>(out.size())) return 0;
        if (CopySection(packets, count, i, needed, out)) return 1;
    }
    return 0;
}

}  // namespace orbix
