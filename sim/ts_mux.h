#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace orbix::sim {

class CMediaLibrary;
class CMediaPlayout;

inline constexpr int kPacketSize = 188;
inline constexpr std::uint16_t kNullPid = 0x1FFF;
using TsPacket = std::array<std::uint8_t, kPacketSize>;

// A transport stream played at a fixed bit rate, one packet at a time, for
// ever (sources loop).
class ITsSource {
  public:
    virtual ~ITsSource() = default;
    virtual std::int64_t BitRate() const = 0;
    virtual void NextPacket(TsPacket& packet) = 0;
};

struct MuxStream {
    std::uint8_t streamType = 0;
    std::uint16_t pid = 0;
    bool scrambled = false;  // CA descriptor in the stream's ES_info loop
    // A descriptor tag put in the ES_info loop (0 for none), such as 0x6A
    // (AC-3) on a private-data stream.
    std::uint8_t descriptorTag = 0;
};

struct MuxProgram {
    std::uint16_t number = 0;
    std::uint16_t pmtPid = 0;
    std::uint16_t pcrPid = 0;
    std::vector<MuxStream> streams;
    bool scrambled = false;    // CA descriptor in the program_info loop
    int privateInfoBytes = 0;  // filler descriptors that lengthen the PMT
};

// A section sent on its PID with every PSI interval (the SDT and the NIT).
struct MuxSection {
    std::uint16_t pid = 0;
    std::vector<std::uint8_t> bytes;
};

struct SiContext;

struct MuxConfig {
    std::uint16_t transportStreamId = 1;
    bool networkEntry = true;  // PAT entry 0 -> PID 0x10 first
    std::vector<MuxProgram> programs;
    std::int64_t bitRate = 15'000'000;
    int psiIntervalMs = 100;
    // The PMTs come with every PSI interval that starts this long after
    // their last; 0: with every one, like the PAT.
    int pmtIntervalMs = 0;
    int nullPercent = 10;  // share of the payload time left to null packets
    std::vector<MuxSection> siSections;
    // IP data: MPE sections on this PID (0: none) at this rate.
    std::uint16_t mpePid = 0;
    std::int64_t mpeBitRate = 2'000'000;
};

// The sections with their CRC_32, ready to be cut into packets.
std::vector<std::uint8_t> BuildPatSection(const MuxConfig& config);
std::vector<std::uint8_t> BuildPmtSection(const MuxProgram& program);
// Cuts a section into packets on pid (pointer_field 0, stuffing 0xFF),
// counting continuity on the given counter.
std::vector<TsPacket> PacketizeSection(std::uint16_t pid, const std::vector<std::uint8_t>& section,
                                       std::uint8_t& continuity);
// The same with a fresh continuity counter.
std::vector<TsPacket> PacketizeSection(std::uint16_t pid, const std::vector<std::uint8_t>& section);
// Packets back to back, as a receive buffer holds them.
std::vector<std::uint8_t> JoinPackets(const std::vector<TsPacket>& packets);
std::uint32_t MpegCrc32(const std::uint8_t* data, std::size_t size);
// Appends the CRC_32 of all the section holds so far.
void AppendMpegCrc32(std::vector<std::uint8_t>& section);
// Fills in section_length (under the syntax and reserved bits given) and
// appends the CRC_32 of a section whose header begins with table_id and a
// placeholder length.
std::vector<std::uint8_t> FinishSection(std::vector<std::uint8_t> section,
                                        std::uint8_t flags = 0xB0);

// A multiplex made up on the fly: PAT and PMTs at the start of every PSI
// interval, then payload packets of every elementary stream in turn (the PCR
// in an adaptation field of the PCR PID every 30 ms at least) and null
// packets.
class CGeneratedMux final : public ITsSource {
  public:
    explicit CGeneratedMux(MuxConfig config);
    ~CGeneratedMux() override;
    std::int64_t BitRate() const override { return m_config.bitRate; }
    void NextPacket(TsPacket& packet) override;
    const MuxConfig& Config() const { return m_config; }
    // The elementary streams carry the library's pictures and sound instead
    // of filler bytes (see CMediaPlayout); the PSI stays as it was.
    void UseMedia(std::shared_ptr<const CMediaLibrary> library);

  private:
    void QueuePsi(bool withPmts);
    void PayloadPacket(TsPacket& packet);

    struct EsSlot {
        std::uint16_t pid = 0;
        bool carriesPcr = false;
        bool scrambled = false;
        std::int64_t lastPcrPacket = -1;
    };

    MuxConfig m_config;
    std::vector<EsSlot> m_es;
    std::array<std::uint8_t, 8192> m_continuity{};
    std::int64_t m_pcrSpacing = 1;
    std::vector<TsPacket> m_psi;
    std::size_t m_psiNext = 0;
    std::int64_t m_packetsPerInterval = 1;
    std::int64_t m_packetsPerPmtInterval = 1;
    std::int64_t m_nextPmtPacket = 0;
    std::int64_t m_packetIndex = 0;
    std::size_t m_esNext = 0;
    std::unique_ptr<CMediaPlayout> m_media;
};

// A transport-stream file played in a loop at its own bit rate (from its
// PCRs) or at a given one.
class CTsFileSource final : public ITsSource {
  public:
    // Null with a reason in error when the file cannot be read or holds no
    // packets, or no bit rate can be found or was given.
    static std::unique_ptr<CTsFileSource> Open(const std::string& path, std::int64_t bitRate,
                                               std::string& error);
    std::int64_t BitRate() const override { return m_bitRate; }
    void NextPacket(TsPacket& packet) override;
    std::size_t PacketCount() const { return m_packets.size(); }

  private:
    std::vector<TsPacket> m_packets;
    std::size_t m_next = 0;
    std::int64_t m_bitRate = 0;
};

// A multiplex of tv television programs (video, two audio, one data stream)
// and radio programs (two audio streams); the first `scrambled` programs carry
// CA descriptors; longPmt gives the first program a PMT longer than one
// packet, with 12 audio streams. With modern, the programs use today's
// coding (see the README): H.264, HEVC or MPEG-4 video, AAC, AC-3 and
// private-data streams with AC-3, E-AC-3 or DTS descriptors.
MuxConfig MakeMux(int tv, int radio, int scrambled, bool longPmt, bool modern = false);

// The transport stream described by a transponder's `stream` text:
//   "file:PATH" or "file:PATH@BITRATE"   a TS file played in a loop
//   "mux:tv=N,radio=N,scrambled=N,longpmt=1,modern=1,rate=BITRATE,psi=MS,pmt=MS,null=PERCENT"
//       with ",mpe=PID,mperate=BITRATE": IP data in MPE sections on PID
//   a preset name: "news10", "bouquet40", "pay6", "radio8", "ipdata"
//   "" : a preset chosen by the transponder's position in the sky
// Null with a reason in error when the text cannot be used. A generated
// multiplex carries an SDT and a NIT made from si when it is given, and the
// media library's pictures and sound when there is one.
std::unique_ptr<ITsSource> MakeStreamSource(std::string_view description, int skyIndex,
                                            std::string& error, const SiContext* si = nullptr,
                                            std::shared_ptr<const CMediaLibrary> media = {});

// Writes a program clock reference (27 MHz units) as the six bytes of an
// adaptation field carries it.
void WritePcr(std::uint8_t* at, std::int64_t pcr27);

}  // namespace orbix::sim
