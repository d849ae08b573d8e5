// Inputs the fuzz targets found, kept as regression cases.
#include <gtest/gtest.h>

#include <string>
#include <tuple>

#include "db/record_text.h"
#include "platform/text.h"

namespace orbix {
namespace {

TEST(FuzzFindings, NumbersTakeOneSignOnly) {
    const std::tuple<const char*, int, float> cases[] = {
        {"+-5", 0, 0.0f},  {"+-.21\xFF", 0, 0.0f}, {"-+5", 0, 0.0f},
        {" +7x", 7, 7.0f}, {"-.5", 0, -0.5f},      {"+12.5|", 12, 12.5f},
    };
    for (const auto& [text, integer, number] : cases) {
        EXPECT_EQ(LeadingInteger(text), integer) << text;
        EXPECT_EQ(LeadingNumber(text), number) << text;
    }
}

// A broken UTF-8 sequence becomes one "?" per bad byte and takes none of the
// characters after it; a well-formed character GBK lacks becomes one "?".
// The euro sign (a Greek broadcast name's 0xA4) has no strict GBK form; it
// must not come out as the lone byte 0x80 beside a real double-byte character.
TEST(FuzzFindings, BrokenUtf8KeepsTheCharactersAfterIt) {
    EXPECT_EQ(Gbk("a\xE4\xB8\xAD"
                  "b\xE4zc\xF0\x9F\x98\x80!"),
              "a\xD6\xD0"
              "b?zc?!");
    EXPECT_EQ(Gbk("\xE4\xB8"), "??");
    EXPECT_EQ(Utf8("\x81\x7Fx"), "\xEF\xBF\xBD\x7Fx");
    EXPECT_EQ(Utf8("A\x81"), "A\xEF\xBF\xBD");  // a lone lead byte at the end
    EXPECT_EQ(Gbk("\xE2\x82\xAC\xE4\xB8\xAD\xE2\x82\xAC"), "?\xD6\xD0?");
}

}  // namespace
}  // namespace orbix
