#include "sim/sky.h"

#include <array>
#include <charconv>
#include <cmath>
#include <fstream>
#include <sstream>

namespace orbix::sim {
namespace {

constexpr std::array<std::string_view, 5> kFecTexts{"1/2", "2/3", "3/4", "5/6", "7/8"};

constexpr std::string_view kDefaultSky = R"(# The simulated card's built-in sky.
satellite Sat-Ku ku
transponder 11052V 11052 V 27500 3/4 level=-32 cn=12 stream=news10
transponder 11471H 11471 H 22000 2/3 level=-38 cn=10 stream=bouquet40
transponder 12010V 12010 V 22000 5/6 inverted level=-36 cn=11 stream=pay6
transponder 12380H 12380 H 5000 1/2 level=-52 cn=4.5 stream=radio8
transponder 12622V 12622 V 27500 3/4 level=-30 cn=13 stream=news10
satellite Sat-C c
transponder 3840H 3840 H 27500 3/4 level=-40 cn=9 stream=bouquet40
)";

std::string_view Trim(std::string_view s) {
    const auto first = s.find_first_not_of(" \t\r");
    if (first == std::string_view::npos) return {};
    const auto last = s.find_last_not_of(" \t\r");
    return s.substr(first, last - first + 1);
}

// Splits off the next blank-separated token.
std::string_view NextToken(std::string_view& rest) {
    rest = Trim(rest);
    const auto end = rest.find_first_of(" \t");
    const std::string_view token = rest.substr(0, end);
    rest = end == std::string_view::npos ? std::string_view{} : rest.substr(end);
    return token;
}

bool ParseDouble(std::string_view text, double& out) {
    if (text.empty()) return false;
    const auto [ptr, ec] = std::from_chars(text.data(), text.data() + text.size(), out);
    return ec == std::errc{} && ptr == text.data() + text.size() && std::isfinite(out);
}

bool ParseInt(std::string_view text, int& out) {
    if (text.empty()) return false;
    const auto [ptr, ec] = std::from_chars(text.data(), text.data() + text.size(), out);
    return ec == std::errc{} && ptr == text.data() + text.size();
}

class CSkyParser {
  public:
    SkyParseResult Run(std::string_view text) {
        int number = 0;
        while (!text.empty()) {
            const auto end = text.find('\n');
            const std::string_view line = text.substr(0, end);
            text = end == std::string_view::npos ? std::string_view{} : text.substr(end + 1);
            ++number;
            const std::string why = Line(line);
            if (!why.empty()) return {std::nullopt, "line " + std::to_string(number) + ": " + why};
        }
        if (m_sky.satellites.empty()) return {std::nullopt, "no satellite in the sky"};
        return {std::move(m_sky), {}};
    }

  private:
    std::string Line(std::string_view line) {
        line = Trim(line);
        if (line.empty() || line.front() == '#') return {};
        const std::string_view keyword = NextToken(line);
        if (keyword == "satellite") return Satellite(line);
        if (keyword == "transponder") return Transponder(line);
        if (keyword == "fade") return Fade(line);
        if (keyword == "silent-demod") return SilentDemod(line);
        if (keyword == "no-tuner") return NoTuner(line);
        if (keyword == "logic-lost") return LogicLost(line);
        if (keyword == "status-fault") return StatusFaultLine(line);
        if (keyword == "no-data") return NoData(line);
        if (keyword == "cc-errors") return CcErrors(line);
        return "unknown keyword \"" + std::string(keyword) +
               "\" (satellite, transponder, fade, silent-demod, no-tuner, logic-lost, "
               "status-fault, no-data, cc-errors)";
    }

    std::string Satellite(std::string_view rest) {
        SkySatellite s;
        s.name = NextToken(rest);
        const std::string_view lnb = NextToken(rest);
        if (s.name.empty() || lnb.empty()) return "satellite needs a name and an LNB (ku, c, none)";
        if (lnb == "ku") {
            s.lnb = LnbKind::UniversalKu;
        } else if (lnb == "c") {
            s.lnb = LnbKind::CBand;
        } else if (lnb == "none") {
            s.lnb = LnbKind::None;
        } else {
            return "unknown LNB \"" + std::string(lnb) + "\" (ku, c, none)";
        }
        if (!Trim(rest).empty()) return "unexpected text after the LNB";
        m_sky.satellites.push_back(std::move(s));
        return {};
    }

    std::string Transponder(std::string_view rest) {
        if (m_sky.satellites.empty()) return "transponder before any satellite";
        SkyTransponder t;
        t.satellite = m_sky.satellites.back().name;
        t.name = NextToken(rest);
        const std::string_view freq = NextToken(rest);
        const std::string_view pol = NextToken(rest);
        const std::string_view rate = NextToken(rest);
        const std::string_view fec = NextToken(rest);
        if (fec.empty()) return "transponder needs name, frequency, polarisation, symbol rate, FEC";
        if (!ParseDouble(freq, t.frequencyMhz) || t.frequencyMhz <= 0) {
            return "bad frequency \"" + std::string(freq) + "\" (MHz)";
        }
        if (pol != "V" && pol != "H")
            return "bad polarisation \"" + std::string(pol) + "\" (V or H)";
        t.polarisation = pol == "V" ? Polarisation::Vertical : Polarisation::Horizontal;
        if (!ParseInt(rate, t.symbolRateKs) || t.symbolRateKs <= 0) {
            return "bad symbol rate \"" + std::string(rate) + "\" (kS/s)";
        }
        const auto rateCode = ParseFec(fec);
        if (!rateCode) return "bad FEC \"" + std::string(fec) + "\" (1/2 2/3 3/4 5/6 7/8)";
        t.fec = *rateCode;
        const std::string why = Options(rest, t);
        if (!why.empty()) return why;
        m_sky.satellites.back().transponders.push_back(std::move(t));
        return {};
    }

    // "fade AT FOR DROP": seconds from the start, seconds, dB.
    std::string Fade(std::string_view rest) {
        double at = 0;
        double duration = 0;
        double drop = 0;
        const bool ok = ParseSeconds(NextToken(rest), at) &&
                        ParseSeconds(NextToken(rest), duration) &&
                        ParseDouble(NextToken(rest), drop) && drop >= 0 && Trim(rest).empty();
        if (!ok) return "fade needs a start and a length in seconds and a drop in dB";
        m_sky.faults.fades.push_back({Milliseconds(at), Milliseconds(duration), drop});
        return {};
    }

    std::string SilentDemod(std::string_view rest) {
        double at = 0;
        if (!ParseSeconds(NextToken(rest), at) || !Trim(rest).empty()) {
            return "silent-demod needs the seconds after the start";
        }
        m_sky.faults.demodSilentAtMs = Milliseconds(at);
        return {};
    }

    std::string LogicLost(std::string_view rest) {
        double at = 0;
        if (!ParseSeconds(NextToken(rest), at) || !Trim(rest).empty()) {
            return "logic-lost needs the seconds after the start";
        }
        m_sky.faults.card.logicLostAtMs = Milliseconds(at);
        return {};
    }

    // "status-fault AT transient|persistent"
    std::string StatusFaultLine(std::string_view rest) {
        double at = 0;
        const bool timed = ParseSeconds(NextToken(rest), at);
        const std::string_view kind = NextToken(rest);
        const bool known = kind == "transient" || kind == "persistent";
        if (!timed || !known || !Trim(rest).empty()) {
            return "status-fault needs the seconds after the start and transient or persistent";
        }
        m_sky.faults.card.statusFaultAtMs = Milliseconds(at);
        m_sky.faults.card.statusFault =
            kind == "transient" ? StatusFault::Transient : StatusFault::Persistent;
        return {};
    }

    // "no-data AT FOR": seconds from the start, seconds.
    std::string NoData(std::string_view rest) {
        double at = 0;
        double duration = 0;
        if (!ParseSeconds(NextToken(rest), at) || !ParseSeconds(NextToken(rest), duration) ||
            !Trim(rest).empty()) {
            return "no-data needs a start and a length in seconds";
        }
        m_sky.faults.stream.noData.push_back({Milliseconds(at), Milliseconds(duration)});
        return {};
    }

    // "cc-errors AT RATE": seconds from the start, lost packets a second.
    std::string CcErrors(std::string_view rest) {
        double at = 0;
        double rate = 0;
        if (!ParseSeconds(NextToken(rest), at) || !ParseDouble(NextToken(rest), rate) ||
            rate <= 0 || rate > 1e6 || !Trim(rest).empty()) {
            return "cc-errors needs a start in seconds and a rate of lost packets per second";
        }
        m_sky.faults.stream.loss = PacketLoss{Milliseconds(at), rate};
        return {};
    }

    std::string NoTuner(std::string_view rest) {
        if (!Trim(rest).empty()) return "unexpected text after no-tuner";
        m_sky.faults.tunerAbsent = true;
        return {};
    }

    static bool ParseSeconds(std::string_view text, double& out) {
        return ParseDouble(text, out) && out >= 0 && out <= 1e9;
    }
    static std::int64_t Milliseconds(double seconds) {
        return static_cast<std::int64_t>(std::llround(seconds * 1000.0));
    }

    static std::string Options(std::string_view rest, SkyTransponder& t) {
        for (;;) {
            rest = Trim(rest);
            if (rest.empty()) return {};
            if (rest.starts_with("stream=")) {
                t.stream = std::string(rest.substr(7));
                return {};
            }
            const std::string_view option = NextToken(rest);
            if (option == "inverted") {
                t.inverted = true;
            } else if (option.starts_with("level=")) {
                if (!ParseDouble(option.substr(6), t.levelDbm)) return "bad level (dBm)";
            } else if (option.starts_with("cn=")) {
                if (!ParseDouble(option.substr(3), t.cnDb)) return "bad cn (dB)";
            } else {
                return "unknown option \"" + std::string(option) + "\"";
            }
        }
    }

    Sky m_sky;
};

}  // namespace

std::string_view FecText(FecRate fec) { return kFecTexts[static_cast<std::size_t>(fec)]; }

std::optional<FecRate> ParseFec(std::string_view text) {
    for (std::size_t i = 0; i < kFecTexts.size(); ++i) {
        if (kFecTexts[i] == text) return static_cast<FecRate>(i);
    }
    return std::nullopt;
}

Sky DefaultSky() { return *CSkyParser().Run(kDefaultSky).sky; }

SkyParseResult ParseSky(std::string_view text) { return CSkyParser().Run(text); }

SkyParseResult LoadSkyFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return {std::nullopt, "cannot read the sky file " + path};
    std::ostringstream text;
    text << in.rdbuf();
    SkyParseResult result = ParseSky(text.str());
    if (!result.sky) result.error = path + ": " + result.error;
    return result;
}

}  // namespace orbix::sim
