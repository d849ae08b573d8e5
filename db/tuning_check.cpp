#include "db/tuning_check.h"

#include <charconv>
#include <cmath>

#include "db/db_texts.h"
#include "platform/text.h"

namespace orbix {
namespace {

struct Band {
    double low;
    double high;
};
constexpr Band kCBand{3000, 4200};
constexpr Band kKuBand{10700, 12750};
constexpr long long kMinSymbolRate = 1000;
constexpr long long kMaxSymbolRate = 45000;
constexpr double kMaxLo = 20000;

bool Within(double value, Band band) { return value >= band.low && value <= band.high; }

}  // namespace

bool IsReceivableFrequency(double mhz) {
    return std::isfinite(mhz) && (Within(mhz, kCBand) || Within(mhz, kKuBand));
}

bool IsValidSymbolRate(long long ks) { return ks >= kMinSymbolRate && ks <= kMaxSymbolRate; }

bool IsValidLoText(std::string_view text) {
    int dots = 0;
    for (char c : text) {
        if (c == '.')
            ++dots;
        else if (c < '0' || c > '9')
            return false;
    }
    if (text.empty() || dots > 1 || text.front() == '.' || text.back() == '.') return false;
    double value = -1;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    return ec == std::errc() && end == text.data() + text.size() && value >= 0 && value <= kMaxLo;
}

std::optional<TuningField> FirstBadTuningField(const TransponderParams& tp) {
    if (!IsReceivableFrequency(tp.frequency)) return TuningField::Frequency;
    if (!IsValidSymbolRate(tp.symbolRate)) return TuningField::SymbolRate;
    if (!IsValidLoText(tp.lnbFrequency)) return TuningField::Lo;
    return std::nullopt;
}

std::string TuningRangeMessage(TuningField field) {
    switch (field) {
        case TuningField::Frequency:
            return Gbk(db_texts::kFrequencyRange);
        case TuningField::SymbolRate:
            return Gbk(db_texts::kSymbolRateRange);
        case TuningField::Lo:
            return Gbk(db_texts::kLoRange);
    }
    return {};
}

}  // namespace orbix
