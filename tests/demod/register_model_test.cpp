#include <gtest/gtest.h>

#include <set>

#include "demod/demod_tables.h"
#include "tests/demod/scripted_demod.h"

namespace orbix::testing {
namespace {

// The tables are data copied by hand; these checks catch the typos that
// would silently corrupt a neighbouring field.
TEST(DemodTables, RegistersAscendAndSkipOnlyTheUnusedAddresses) {
    const std::set<int> unused = {0x27, 0x2E, 0x2F, 0x30, 0x35, 0x36, 0x37, 0x38,
                                  0x39, 0x3A, 0x3B, 0x3C, 0x3D, 0x3E, 0x3F};
    int expected = 0;
    for (const RegisterEntry& r : kRegisterTable) {
        while (unused.count(expected) != 0) ++expected;
        EXPECT_EQ(r.address, expected) << r.name;
        ++expected;
    }
    EXPECT_EQ(expected, 0x50);
}

TEST(DemodTables, FieldsOfARegisterNeverOverlap) {
    std::array<int, kRegisterCount> used{};
    for (const FieldEntry& f : kFieldTable) {
        SCOPED_TRACE(f.name);
        ASSERT_GE(f.reg, 0);
        ASSERT_LT(f.reg, kRegisterCount);
        EXPECT_LE(f.position + f.width, 8);
        EXPECT_EQ(used[f.reg] & f.mask, 0) << "overlaps in " << kRegisterTable[f.reg].name;
        used[f.reg] |= f.mask;
    }
}

TEST(DemodFields, SignedAndPartialFieldsPackIntoTheCache) {
    ScriptedRig rig;
    rig.demod.Init(true);
    rig.demod.SetFieldValue(fld::CLDT, -1);
    EXPECT_EQ(rig.demod.Cached(reg::CLDT), 0xFF);
    rig.demod.SetFieldValue(fld::RTF, 0x80);
    EXPECT_EQ(rig.demod.GetFieldValue(fld::RTF), -128);
    rig.demod.SetFieldValue(fld::AGCINTEGRATORVALUE, 0);
    EXPECT_EQ(rig.demod.GetFieldValue(fld::AGCINTEGRATORVALUE), 0);

    rig.demod.WriteReg(reg::SRFL, 0x05);
    rig.demod.SetFieldValue(fld::SYMB_FREQL, 0x0B);
    EXPECT_EQ(rig.demod.Cached(reg::SRFL), 0xB5);
    EXPECT_EQ(rig.demod.GetFieldValue(fld::SYMB_FREQL), 0x0B);

    EXPECT_EQ(rig.demod.GetFieldValue(fld::M), 21);
    EXPECT_EQ(rig.demod.GetFieldValue(fld::K), 0);
}

TEST(DemodInit, TheSymbolRateChoosesTheColumn) {
    struct Case {
        int setting;
        std::uint8_t aclc, sfrh, sfrm, srfl;
    };
    const Case cases[] = {{4000, 0x99, 0x0E, 0x8B, 0xA0},
                          {7999, 0x99, 0x0E, 0x8B, 0xA0},
                          {8000, 0x97, 0x50, 0x00, 0x00},
                          {27500, 0x97, 0x50, 0x00, 0x00}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.setting);
        ScriptedRig rig;
        // A tune rejected for its symbol rate still records the setting.
        rig.demod.Tune(c.setting, 0);
        rig.chip->writes.clear();
        rig.demod.Init(true);
        ASSERT_EQ(rig.chip->writes.size(), 65u);
        EXPECT_EQ(rig.chip->WritesTo(0x13), std::vector<std::uint8_t>{c.aclc});
        EXPECT_EQ(rig.chip->WritesTo(0x1F), std::vector<std::uint8_t>{c.sfrh});
        EXPECT_EQ(rig.chip->WritesTo(0x20), std::vector<std::uint8_t>{c.sfrm});
        EXPECT_EQ(rig.chip->WritesTo(0x21), std::vector<std::uint8_t>{c.srfl});
        EXPECT_EQ(rig.chip->writes.front().first, 0x00);
        EXPECT_EQ(rig.chip->writes.back(), (std::pair<std::uint8_t, std::uint8_t>{0x4F, 0x40}));
    }
}

TEST(DemodInit, ResetColumnOnRequest) {
    ScriptedRig rig;
    rig.demod.Init(false);
    EXPECT_EQ(rig.chip->WritesTo(0x01), std::vector<std::uint8_t>{0x38});
    EXPECT_EQ(rig.demod.Cached(reg::MCR), 0x34);
}

TEST(DemodRegisters, UnansweredReadsReportFailureAndCacheAllOnes) {
    ScriptedRig rig;
    rig.demod.Init(true);
    EXPECT_TRUE(rig.demod.CheckId());
    EXPECT_EQ(rig.demod.ReadReg(reg::ACLC), 0x99);
    EXPECT_EQ(rig.demod.ReadRegs(reg::ACLC, 3), 0);

    rig.chip->silent = true;
    EXPECT_FALSE(rig.demod.CheckId());
    EXPECT_EQ(rig.demod.ReadReg(reg::ACLC), -1);
    EXPECT_EQ(rig.demod.Cached(reg::ACLC), 0xFF);
    EXPECT_EQ(rig.demod.ReadRegs(reg::ACLC, 3), -1);
    // A write keeps its value in the cache even unanswered.
    EXPECT_NE(rig.demod.WriteReg(reg::ACLC, 0x12), 0);
    EXPECT_EQ(rig.demod.Cached(reg::ACLC), 0x12);
}

TEST(DemodRegisters, WriteFieldKeepsTheOtherBitsOfTheChip) {
    ScriptedRig rig;
    rig.demod.Init(true);
    rig.chip->regs[0x08] = 0xE0;  // the chip holds other DISEQC bits by now
    EXPECT_EQ(rig.demod.WriteField(fld::DISEQCMODE, 2), 0);
    EXPECT_EQ(rig.chip->regs[0x08], 0xE2);
    EXPECT_EQ(rig.demod.ReadField(fld::LOCKOUTPUT), 3);
}

}  // namespace
}  // namespace orbix::testing
