#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "db/channel_database.h"

namespace orbix {

// The tuning values a transponder record may hold: a downlink frequency an
// LNB of the C band (3000 to 4200 MHz) or the Ku band (10700 to 12750 MHz)
// receives, a symbol rate of 1000 to 45000 kS/s, and an LO frequency that is
// a number of 0 to 20000 MHz.
enum class TuningField { Frequency, SymbolRate, Lo };

bool IsReceivableFrequency(double mhz);
bool IsValidSymbolRate(long long ks);
// The LO text: a decimal number (digits, at most one ".") within the range.
bool IsValidLoText(std::string_view text);

// The first field of tp outside its range, in dialog order.
std::optional<TuningField> FirstBadTuningField(const TransponderParams& tp);

// The message (GBK) naming the field and its range.
std::string TuningRangeMessage(TuningField field);

}  // namespace orbix
