#include "db/channel_file.h"

#include <array>
#include <charconv>
#include <cstdio>
#include <fstream>
#include <optional>

#include "db/channel_file_texts.h"
#include "db/gbk_scan.h"
#include "platform/text.h"

namespace orbix {
namespace {

namespace t = channel_file_texts;

constexpr std::uint32_t kMinFrequencyKhz = 1'000;
constexpr std::uint32_t kMaxFrequencyKhz = 30'000'000;
constexpr std::uint32_t kMinSymbolRate = 100'000;
constexpr std::uint32_t kMaxSymbolRate = 100'000'000;

struct PolarisationName {
    std::string_view text;
    Polarisation polarisation;
};
// Circular polarisation goes to the LNB supply that selects it: right as
// vertical, left as horizontal.
constexpr std::array<PolarisationName, 4> kPolarisations = {
    {{"VERTICAL", Polarisation::Vertical},
     {"RIGHT", Polarisation::Vertical},
     {"HORIZONTAL", Polarisation::Horizontal},
     {"LEFT", Polarisation::Horizontal}}};

// A value and the line it stands on.
struct Keyed {
    int line = 0;
    std::string value;
};

// One group as read so far. Values are checked when the group ends, and only
// for DVB-S: other systems give the keys other meanings and ranges.
struct Group {
    int line = 0;  // of its "[name]"
    std::string deliverySystem;
    std::optional<Keyed> frequency, symbolRate, polarisation, fec;
};

struct Failure {
    int line;
    std::string_view text;
    bool outOfRange = false;  // a well-formed value no DVB-S transponder has
};

std::string_view Trim(std::string_view s) {
    const std::size_t b = s.find_first_not_of(" \t");
    if (b == std::string_view::npos) return {};
    return s.substr(b, s.find_last_not_of(" \t") - b + 1);
}

bool HasControlChar(std::string_view line) {
    for (char c : line) {
        const auto b = static_cast<unsigned char>(c);
        if ((b < 0x20 && c != '\t') || b == 0x7F) return true;
    }
    return false;
}

std::optional<std::uint32_t> ParseNumber(std::string_view value) {
    std::uint32_t n = 0;
    if (value.empty() || value.front() < '0' || value.front() > '9') return std::nullopt;
    auto [end, error] = std::from_chars(value.data(), value.data() + value.size(), n);
    if (error != std::errc() || end != value.data() + value.size()) return std::nullopt;
    return n;
}

class CParser {
  public:
    std::optional<Failure> Line(int number, std::string_view line);
    std::optional<Failure> End();
    ChannelFileContent& Content() { return m_content; }

  private:
    std::optional<Failure> Value(int number, std::string_view key, std::string_view value);
    std::optional<Failure> Close();

    std::optional<Group> m_group;
    int m_groups = 0;
    ChannelFileContent m_content;
};

std::optional<Failure> CParser::Line(int number, std::string_view line) {
    if (line.size() > kMaxChannelLineBytes) return Failure{number, t::kLineTooLong};
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (HasControlChar(line)) return Failure{number, t::kNotText};
    line = Trim(line);
    if (line.empty() || line.front() == '#') return std::nullopt;
    if (line.front() == '[') {
        if (line.back() != ']') return Failure{number, t::kBadGroup};
        if (auto failure = Close()) return failure;
        m_group.emplace();
        m_group->line = number;
        ++m_groups;
        return std::nullopt;
    }
    const std::size_t eq = line.find('=');
    if (eq == std::string_view::npos) return Failure{number, t::kNoEquals};
    if (!m_group) return Failure{number, t::kOutsideGroup};
    return Value(number, Trim(line.substr(0, eq)), Trim(line.substr(eq + 1)));
}

std::optional<Failure> CParser::Value(int number, std::string_view key, std::string_view value) {
    Group& g = *m_group;
    const Keyed keyed{number, std::string(value)};
    if (key == "DELIVERY_SYSTEM") {
        g.deliverySystem = keyed.value;
    } else if (key == "FREQUENCY") {
        g.frequency = keyed;
    } else if (key == "SYMBOL_RATE") {
        g.symbolRate = keyed;
    } else if (key == "POLARIZATION") {
        g.polarisation = keyed;
    } else if (key == "INNER_FEC") {
        g.fec = keyed;
    }
    return std::nullopt;
}

std::optional<Failure> CheckNumber(const Keyed& k, std::uint32_t low, std::uint32_t high,
                                   std::string_view rangeText, std::uint32_t& out) {
    auto n = ParseNumber(k.value);
    if (!n) return Failure{k.line, t::kBadNumber};
    if (*n < low || *n > high) return Failure{k.line, rangeText, true};
    out = *n;
    return std::nullopt;
}

std::optional<Failure> ToEntry(const Group& g, TuningEntry& e) {
    if (!g.frequency || !g.symbolRate || !g.polarisation) return Failure{g.line, t::kMissingKey};
    if (auto f = CheckNumber(*g.frequency, kMinFrequencyKhz, kMaxFrequencyKhz, t::kFrequencyRange,
                             e.frequencyKhz)) {
        return f;
    }
    if (auto f = CheckNumber(*g.symbolRate, kMinSymbolRate, kMaxSymbolRate, t::kSymbolRateRange,
                             e.symbolRate)) {
        return f;
    }
    const PolarisationName* found = nullptr;
    for (const PolarisationName& p : kPolarisations) {
        if (p.text == g.polarisation->value) found = &p;
    }
    if (!found) return Failure{g.polarisation->line, t::kBadPolarisation};
    e.polarisation = found->polarisation;
    e.fec = g.fec ? FecFromText(g.fec->value) : InnerFec::Auto;
    return std::nullopt;
}

// Files the group that ends here.
std::optional<Failure> CParser::Close() {
    if (!m_group) return std::nullopt;
    const Group g = *m_group;
    m_group.reset();
    if (g.deliverySystem.empty()) return Failure{g.line, t::kNoDeliverySystem};
    if (g.deliverySystem == "DVBS2") {
        ++m_content.skippedDvbs2;
    } else if (g.deliverySystem != "DVBS") {
        ++m_content.skippedOther;
    } else {
        TuningEntry e;
        auto failure = ToEntry(g, e);
        if (!failure) {
            m_content.dvbs.push_back(e);
        } else if (!failure->outOfRange) {
            return failure;
        } else if (m_content.skippedOutOfRange++ == 0) {
            m_content.firstOutOfRangeLine = failure->line;
        }
    }
    return std::nullopt;
}

std::optional<Failure> CParser::End() {
    if (auto failure = Close()) return failure;
    if (m_groups == 0) return Failure{0, t::kNoChannels};
    return std::nullopt;
}

ChannelFileContent Failed(std::string_view fileName, int line, std::string_view text) {
    ChannelFileContent content;
    content.message = FileLinePrefix(fileName, line) + Gbk(text);
    return content;
}

std::string FormatFrequencyName(const TuningEntry& e) {
    const long long mhz = (static_cast<long long>(e.frequencyKhz) + 500) / 1000;
    return std::to_string(mhz) + (e.polarisation == Polarisation::Vertical ? "V" : "H");
}

// A group name that reads back as itself: printable ASCII without brackets.
bool IsPlainName(std::string_view name) {
    if (name.empty() || Trim(name) != name) return false;
    for (char c : name) {
        if (c < 0x20 || c > 0x7E || c == '[' || c == ']') return false;
    }
    return true;
}

std::string_view FecKeyword(InnerFec fec) {
    switch (fec) {
        case InnerFec::Fec1_2:
            return "1/2";
        case InnerFec::Fec2_3:
            return "2/3";
        case InnerFec::Fec3_4:
            return "3/4";
        case InnerFec::Fec5_6:
            return "5/6";
        case InnerFec::Fec7_8:
            return "7/8";
        case InnerFec::Auto:
            break;
    }
    return "AUTO";
}

}  // namespace

std::string FileLinePrefix(std::string_view fileName, int line) {
    const std::string name = Gbk(fileName);
    const std::string format = Gbk(line > 0 ? t::kAtLine : t::kInFile);
    char buf[1200];
    const int n = line > 0 ? std::snprintf(buf, sizeof buf, format.c_str(), name.c_str(), line)
                           : std::snprintf(buf, sizeof buf, format.c_str(), name.c_str());
    return std::string(buf, n > 0 ? std::min<std::size_t>(n, sizeof buf - 1) : 0);
}

ChannelFileContent ParseChannelFile(std::string_view text, std::string_view fileName) {
    if (text.size() > kMaxChannelFileBytes) return Failed(fileName, 0, t::kTooLarge);
    CParser parser;
    int number = 0;
    while (!text.empty()) {
        const std::size_t nl = text.find('\n');
        const std::string_view line = text.substr(0, nl);
        text = nl == std::string_view::npos ? std::string_view() : text.substr(nl + 1);
        if (auto failure = parser.Line(++number, line)) {
            return Failed(fileName, failure->line, failure->text);
        }
    }
    if (auto failure = parser.End()) return Failed(fileName, failure->line, failure->text);
    ChannelFileContent content = std::move(parser.Content());
    content.ok = true;
    return content;
}

ChannelFileContent ReadChannelFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return Failed(path, 0, t::kCannotRead);
    std::string text(kMaxChannelFileBytes + 1, '\0');
    in.read(text.data(), static_cast<std::streamsize>(text.size()));
    if (in.bad()) return Failed(path, 0, t::kCannotRead);
    text.resize(static_cast<std::size_t>(in.gcount()));
    return ParseChannelFile(text, path);
}

std::string WriteChannelText(const std::vector<std::string>& names,
                             const std::vector<TuningEntry>& entries, std::string_view comment) {
    std::string out = "# " + std::string(comment) + "\n";
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const TuningEntry& e = entries[i];
        const std::string name =
            i < names.size() && IsPlainName(names[i]) ? names[i] : FormatFrequencyName(e);
        out += "[" + name + "]\n";
        out += "\tDELIVERY_SYSTEM = DVBS\n";
        out += "\tFREQUENCY = " + std::to_string(e.frequencyKhz) + "\n";
        out += "\tPOLARIZATION = ";
        out += e.polarisation == Polarisation::Vertical ? "VERTICAL\n" : "HORIZONTAL\n";
        out += "\tSYMBOL_RATE = " + std::to_string(e.symbolRate) + "\n";
        out += "\tINNER_FEC = " + std::string(FecKeyword(e.fec)) + "\n";
        out += "\tMODULATION = QPSK\n\tINVERSION = AUTO\n\n";
    }
    return out;
}

}  // namespace orbix
