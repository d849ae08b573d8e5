#pragma once

#include <string>
#include <string_view>

namespace orbix {

// Reads the fields of a stored record one after the other. Each field is the
// text up to the next "|" (never the second byte of a double-byte character),
// and reading goes on after that "|". Once no "|" is left, every further field
// is empty, so text after the last "|" is ignored.
class CRecordReader {
  public:
    explicit CRecordReader(std::string_view record) : m_rest(record) {}
    std::string_view NextField();

  private:
    std::string_view m_rest;
};

// The text before the first "|"; empty when the record has none.
std::string_view FirstField(std::string_view record);

// The leading decimal number (blanks, sign, digits, a fraction), as a 32-bit
// float; 0 when there is none or it does not fit.
float LeadingNumber(std::string_view text);

// The leading decimal integer (blanks, sign, digits); 0 when there is none,
// clamped to the 32-bit range.
int LeadingInteger(std::string_view text);

// Decimal text with one digit after the point, as "%.1f" writes it.
std::string FormatOneDecimal(float value);

}  // namespace orbix
