// The program words every layer shares: group texts, the scrambled mark and
// the status label's short name, all on GBK bytes.
#include "db/program_vocabulary.h"

#include <gtest/gtest.h>

#include "platform/text.h"

namespace orbix {
namespace {

TEST(ProgramVocabulary, GroupTextsRoundTripAndNothingElseIsAGroup) {
    for (const ProgramGroup g : {ProgramGroup::Tv, ProgramGroup::Radio, ProgramGroup::Ip})
        EXPECT_EQ(GroupFromText(GroupText(g)), g);
    for (const char* other : {"", "电视", "电视节目 ", "节目1"})
        EXPECT_EQ(GroupFromText(Gbk(other)), std::nullopt) << other;
    EXPECT_EQ(ProgramGroupOfType(Gbk("电视节目")), ProgramGroup::Tv);
    EXPECT_EQ(ProgramGroupOfType(Gbk("IP节目")), ProgramGroup::Radio);
}

// The mark is found on character boundaries only, never across the halves
// of two characters.
TEST(ProgramVocabulary, ScrambledMarkOnCharacterBoundaries) {
    EXPECT_TRUE(IsScrambledName(Gbk("节目3") + ScrambledMark()));
    EXPECT_TRUE(IsScrambledName(Gbk("加扰")));
    EXPECT_FALSE(IsScrambledName(Gbk("节目3")));
    const std::string mark = Gbk("加扰");
    // A lead byte before the mark pairs with its first byte: the mark's
    // bytes are there, one byte off the characters.
    EXPECT_FALSE(IsScrambledName("\x81" + mark));
}

TEST(ProgramVocabulary, DisplayNameCutsAtThreeBytesWithoutSplittingACharacter) {
    const std::pair<const char*, const char*> cases[] = {
        {"节目12", "节目12"},     // 6 bytes: whole
        {"节目123", "节..."},     // the 3rd byte starts a character
        {"A节目12", "A节..."},    // a character ending at byte 3 stays whole
        {"AB节目1234", "AB..."},  // the 3rd byte would be half a character
    };
    for (const auto& [name, shown] : cases) EXPECT_EQ(Utf8(DisplayName(Gbk(name))), shown) << name;
}

}  // namespace
}  // namespace orbix
