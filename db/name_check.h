#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace orbix {

// The longest names the channel database can hold: a satellite name is read
// back through a 20-byte buffer, a transponder name is limited by its dialog.
inline constexpr std::size_t kMaxSatelliteNameBytes = 19;
inline constexpr std::size_t kMaxTransponderNameChars = 12;

// Each check gives an empty text when the name can be stored and read back
// unchanged, otherwise the message (GBK, one sentence) that tells the user why
// not. A satellite name is also a section name and the left side of the
// "Last" and "Lock" lines; a transponder name is the first field of a record.
std::string CheckSatelliteName(std::string_view satellite);
std::string CheckTransponderName(std::string_view transponder);
// The satellite check, then the transponder check.
std::string CheckNames(std::string_view satellite, std::string_view transponder);

// The message for a satellite name that differs from a stored one only in
// letter case (both would share one section of the file).
std::string CaseClashMessage();

// Characters of GBK text: a double-byte character counts once.
std::size_t CountGbkChars(std::string_view text);

}  // namespace orbix
