#pragma once

#include <array>
#include <cstdint>

namespace orbix {

// The demodulator's register map and the named bit fields over it. Register
// and field names are the chip's own; indices (not bus addresses) identify
// both, and from ID 39 on index and address differ.

struct RegisterEntry {
    const char* name;
    std::uint8_t address;
    std::uint8_t resetValue;
    std::uint8_t initialSlow;  // written when the symbol rate is below 8000 kS/s
    std::uint8_t initialFast;  // written when it is 8000 kS/s or above
};

struct FieldEntry {
    const char* name;
    int reg;  // index into the register table
    std::uint8_t position;
    std::uint8_t width;
    std::uint8_t isSigned;
    std::uint8_t mask;
};

// clang-format off
namespace reg {
enum : int {
    ID, RCR, MCR, ACR, F22RR, I2CRPT, DACR1, DACR2, DISEQC, DISEQCFIFO, DISEQCSTATUS, RES, IOCFG,
    AGC1C, RTC, AGC1R, AGC2O, TLSR, CFD, ACLC, BCLC, CLDT, AGC1I, TLIR, AGC2I1, AGC2I2, RTF,
    VSTATUS, CLDI, ERRCNT_HIGH, ERRCNT_LOW, SFRH, SFRM, SRFL, CFRM, CFRL, NIRH, NIRL, VERROR, FECM,
    VTH0, VTH1, VTH2, VTH3, VTH4, PR, VSEARCH, RS, ERRCNT, TFEC1, TFEC2, TSTRAM1, TSTRATE, SELOUT,
    FORCEIN, TSRTESCK, TSTOUT, TSTR, TAGC2, TCTL, TCTL2, TAGC1, TSTFIFO, TSTVCO, GHOST,
    kCount
};
}  // namespace reg
// clang-format on

// clang-format off
namespace fld {
enum : int {
    ID, K, DIRCLK, M, STDBY, VCO, SERCLK, P, ACR, F22RR, I2CT, SCLT, SDAT, DACMODE, DACMSB, DACLSB,
    LOCKOUTPUT, LOCKCONFIGURATION, UNMODULATEDBURST, DISEQCMODE, DISEQCFIFO, INPUTPORT,
    SDATINPUTSTATE, FIFOEMPTY, FIFOFULL, RESERVED, OP1CONTROL, OP1VALUE, OP0CONTROL, OP0VALUE,
    NYQUISTFILTER, IQ, DCADJ, BETA_AGC1, ALPHA_TMG, BETA_TMG, IAGC, AGC1_REF, AGC2COEF, AGC2_REF,
    STEP_MINUS, STEP_PLUS, CFD_ALGO, BETA_FC, FDTC, LDL, DEROTATOR, NOISEESTIMATORTIMECONSTANT,
    ALPHA_CAR, PHASE_DETECTOR_ALGO, BETA_CAR, CLDT, AGCINTEGRATORVALUE, TLIR, AGC2INTEGRATORMSB,
    AGC2INTEGRATORLSB, RTF, CF, PRF, LK, CPR, CLDI, ERRCNTMSB, ERRCNTLSB, SYMB_FREQH, SYMB_FREQM,
    SYMB_FREQL, DEROTATORFREQUENCYMSB, DEROTATORFREQUENCYLSB, NOISEINDICATORMSB, NOISEINDICATORLSB,
    ERRORRATE, FECMODE, OUTPUTTYPE, OUTPUTIMPEDANCE, VTH0, VTH1, VTH2, VTH3, VTH4, RATE,
    SEARCHMODE, FREEZE, SN, TO, H, DEINTERLEAVER, SYNCHRO, REEDSOLOMON, DESCRAMBLER, WRITEERRORBIT,
    BLOCKSYNCHRO, OUTPUTCLOCKPOLARITY, OUTPUTCLOCKCONFIG, ERRORMODE, ERRORSOURCE, NOE, TFEC1,
    TFEC2, TSTRAM1, TSTRATE, SELOUT, FORCEIN, TSRTESCK, TSTOUT, TSTR, TAGC2, TCTL, TCTL2, TAGC1,
    TSTFIFO, TSTVCO, GHOST,
    kCount
};
}  // namespace fld
// clang-format on

inline constexpr int kRegisterCount = 65;
inline constexpr int kFieldCount = 113;
static_assert(reg::kCount == kRegisterCount);
static_assert(fld::kCount == kFieldCount);

// clang-format off
inline constexpr std::array<RegisterEntry, kRegisterCount> kRegisterTable{{
    {"ID", 0x00, 0xA1, 0xA1, 0xA1},
    {"RCR", 0x01, 0x38, 0x15, 0x15},
    {"MCR", 0x02, 0x34, 0x00, 0x00},
    {"ACR", 0x03, 0x2A, 0x00, 0x00},
    {"F22RR", 0x04, 0x8E, 0x7D, 0x7D},
    {"I2CRPT", 0x05, 0x0F, 0x85, 0x85},
    {"DACR1", 0x06, 0xA2, 0x02, 0x02},
    {"DACR2", 0x07, 0x00, 0x00, 0x00},
    {"DISEQC", 0x08, 0x60, 0x03, 0x03},
    {"DISEQCFIFO", 0x09, 0x00, 0x00, 0x00},
    {"DISEQCSTATUS", 0x0A, 0x00, 0xC2, 0xC2},
    {"RES", 0x0B, 0x00, 0x00, 0x00},
    {"IOCFG", 0x0C, 0xF0, 0x01, 0x01},
    {"AGC1C", 0x0D, 0x81, 0x81, 0x81},
    {"RTC", 0x0E, 0x44, 0x44, 0x44},
    {"AGC1R", 0x0F, 0x54, 0x14, 0x14},
    {"AGC2O", 0x10, 0x74, 0x3C, 0x3C},
    {"TLSR", 0x11, 0x88, 0x84, 0x84},
    {"CFD", 0x12, 0xF7, 0xDA, 0xDA},
    {"ACLC", 0x13, 0x88, 0x99, 0x97},
    {"BCLC", 0x14, 0x5C, 0x8D, 0x95},
    {"CLDT", 0x15, 0x14, 0xCE, 0xC9},
    {"AGC1I", 0x16, 0x00, 0xE8, 0x19},
    {"TLIR", 0x17, 0x00, 0x43, 0x8C},
    {"AGC2I1", 0x18, 0x00, 0x1C, 0x59},
    {"AGC2I2", 0x19, 0x00, 0x1B, 0xF8},
    {"RTF", 0x1A, 0x00, 0x1D, 0xFE},
    {"VSTATUS", 0x1B, 0x00, 0x9C, 0x99},
    {"CLDI", 0x1C, 0x00, 0x12, 0x7F},
    {"ERRCNT_HIGH", 0x1D, 0x00, 0x00, 0x00},
    {"ERRCNT_LOW", 0x1E, 0x00, 0x00, 0x00},
    {"SFRH", 0x1F, 0x00, 0x0E, 0x50},
    {"SFRM", 0x20, 0x00, 0x8B, 0x00},
    {"SRFL", 0x21, 0x00, 0xA0, 0x00},
    {"CFRM", 0x22, 0x00, 0x00, 0x00},
    {"CFRL", 0x23, 0x00, 0x00, 0x00},
    {"NIRH", 0x24, 0x00, 0x00, 0x00},
    {"NIRL", 0x25, 0x00, 0x00, 0x00},
    {"VERROR", 0x26, 0x00, 0x00, 0x00},
    {"FECM", 0x28, 0x01, 0x00, 0x00},
    {"VTH0", 0x29, 0x1E, 0x28, 0x28},
    {"VTH1", 0x2A, 0x1E, 0x14, 0x14},
    {"VTH2", 0x2B, 0x0F, 0x0F, 0x0F},
    {"VTH3", 0x2C, 0x09, 0x09, 0x09},
    {"VTH4", 0x2D, 0x05, 0x05, 0x09},
    {"PR", 0x31, 0x1F, 0x1F, 0x1F},
    {"VSEARCH", 0x32, 0x19, 0x19, 0x19},
    {"RS", 0x33, 0xF8, 0xFC, 0xFC},
    {"ERRCNT", 0x34, 0x01, 0x13, 0x13},
    {"TFEC1", 0x40, 0x01, 0x00, 0x00},
    {"TFEC2", 0x41, 0x01, 0x00, 0x00},
    {"TSTRAM1", 0x42, 0x01, 0x00, 0x00},
    {"TSTRATE", 0x43, 0x01, 0x00, 0x00},
    {"SELOUT", 0x44, 0x01, 0x00, 0x00},
    {"FORCEIN", 0x45, 0x01, 0x00, 0x00},
    {"TSRTESCK", 0x46, 0x01, 0x00, 0x00},
    {"TSTOUT", 0x47, 0x01, 0x00, 0x00},
    {"TSTR", 0x48, 0x01, 0x00, 0x00},
    {"TAGC2", 0x49, 0x01, 0x00, 0x00},
    {"TCTL", 0x4A, 0x01, 0x00, 0x00},
    {"TCTL2", 0x4B, 0x01, 0x00, 0x00},
    {"TAGC1", 0x4C, 0x01, 0x00, 0x00},
    {"TSTFIFO", 0x4D, 0x01, 0x00, 0x00},
    {"TSTVCO", 0x4E, 0x01, 0x00, 0x00},
    {"GHOST", 0x4F, 0x01, 0x40, 0x40},
}};
// clang-format on

namespace detail {
// A field from its high and low bit; the mask is (2^width - 1) << low, kept
// to 8 bits.
constexpr FieldEntry MakeField(const char* name, int r, int high, int low, bool isSigned) {
    const int width = high - low + 1;
    const int mask = (((1 << width) - 1) << low) & 0xFF;
    return {name,
            r,
            static_cast<std::uint8_t>(low),
            static_cast<std::uint8_t>(width),
            static_cast<std::uint8_t>(isSigned ? 1 : 0),
            static_cast<std::uint8_t>(mask)};
}
}  // namespace detail

// clang-format off
inline constexpr std::array<FieldEntry, kFieldCount> kFieldTable = [] {
    using detail::MakeField;
    using namespace reg;
    return std::array<FieldEntry, kFieldCount>{{
        MakeField("ID", ID, 7, 0, false),
        MakeField("K", RCR, 7, 6, false),
        MakeField("DIRCLK", RCR, 5, 5, false),
        MakeField("M", RCR, 4, 0, false),
        MakeField("STDBY", MCR, 7, 7, false),
        MakeField("VCO", MCR, 6, 6, false),
        MakeField("SERCLK", MCR, 3, 3, false),
        MakeField("P", MCR, 2, 0, false),
        MakeField("ACR", ACR, 7, 0, false),
        MakeField("F22RR", F22RR, 7, 0, false),
        MakeField("I2CT", I2CRPT, 7, 7, false),
        MakeField("SCLT", I2CRPT, 2, 2, false),
        MakeField("SDAT", I2CRPT, 0, 0, false),
        MakeField("DACMODE", DACR1, 7, 5, false),
        MakeField("DACMSB", DACR1, 3, 0, false),
        MakeField("DACLSB", DACR2, 7, 0, false),
        MakeField("LOCKOUTPUT", DISEQC, 7, 6, false),
        MakeField("LOCKCONFIGURATION", DISEQC, 5, 5, false),
        MakeField("UNMODULATEDBURST", DISEQC, 2, 2, false),
        MakeField("DISEQCMODE", DISEQC, 1, 0, false),
        MakeField("DISEQCFIFO", DISEQCFIFO, 7, 0, false),
        MakeField("INPUTPORT", DISEQCSTATUS, 7, 7, false),
        MakeField("SDATINPUTSTATE", DISEQCSTATUS, 6, 6, false),
        MakeField("FIFOEMPTY", DISEQCSTATUS, 1, 1, false),
        MakeField("FIFOFULL", DISEQCSTATUS, 0, 0, false),
        MakeField("RESERVED", RES, 7, 0, false),
        MakeField("OP1CONTROL", IOCFG, 7, 7, false),
        MakeField("OP1VALUE", IOCFG, 6, 6, false),
        MakeField("OP0CONTROL", IOCFG, 5, 5, false),
        MakeField("OP0VALUE", IOCFG, 4, 4, false),
        MakeField("NYQUISTFILTER", IOCFG, 2, 1, false),
        MakeField("IQ", IOCFG, 0, 0, false),
        MakeField("DCADJ", AGC1C, 7, 7, false),
        MakeField("BETA_AGC1", AGC1C, 2, 0, false),
        MakeField("ALPHA_TMG", RTC, 6, 4, false),
        MakeField("BETA_TMG", RTC, 2, 0, false),
        MakeField("IAGC", AGC1R, 7, 7, false),
        MakeField("AGC1_REF", AGC1R, 5, 0, false),
        MakeField("AGC2COEF", AGC2O, 7, 5, false),
        MakeField("AGC2_REF", AGC2O, 4, 0, false),
        MakeField("STEP_MINUS", TLSR, 7, 4, false),
        MakeField("STEP_PLUS", TLSR, 3, 0, false),
        MakeField("CFD_ALGO", CFD, 7, 7, false),
        MakeField("BETA_FC", CFD, 6, 4, false),
        MakeField("FDTC", CFD, 3, 2, false),
        MakeField("LDL", CFD, 1, 0, false),
        MakeField("DEROTATOR", ACLC, 7, 7, false),
        MakeField("NOISEESTIMATORTIMECONSTANT", ACLC, 5, 4, false),
        MakeField("ALPHA_CAR", ACLC, 3, 0, false),
        MakeField("PHASE_DETECTOR_ALGO", BCLC, 7, 6, false),
        MakeField("BETA_CAR", BCLC, 5, 0, false),
        MakeField("CLDT", CLDT, 7, 0, true),
        MakeField("AGCINTEGRATORVALUE", AGC1I, 7, 0, true),
        MakeField("TLIR", TLIR, 7, 0, false),
        MakeField("AGC2INTEGRATORMSB", AGC2I1, 7, 0, false),
        MakeField("AGC2INTEGRATORLSB", AGC2I2, 7, 0, false),
        MakeField("RTF", RTF, 7, 0, true),
        MakeField("CF", VSTATUS, 7, 7, false),
        MakeField("PRF", VSTATUS, 4, 4, false),
        MakeField("LK", VSTATUS, 3, 3, false),
        MakeField("CPR", VSTATUS, 2, 0, false),
        MakeField("CLDI", CLDI, 7, 0, true),
        MakeField("ERRCNTMSB", ERRCNT_HIGH, 7, 0, false),
        MakeField("ERRCNTLSB", ERRCNT_LOW, 7, 0, false),
        MakeField("SYMB_FREQH", SFRH, 7, 0, false),
        MakeField("SYMB_FREQM", SFRM, 7, 0, false),
        MakeField("SYMB_FREQL", SRFL, 7, 4, false),
        MakeField("DEROTATORFREQUENCYMSB", CFRM, 7, 0, false),
        MakeField("DEROTATORFREQUENCYLSB", CFRL, 7, 0, false),
        MakeField("NOISEINDICATORMSB", NIRH, 7, 0, false),
        MakeField("NOISEINDICATORLSB", NIRL, 7, 0, false),
        MakeField("ERRORRATE", VERROR, 7, 0, false),
        MakeField("FECMODE", FECM, 7, 4, false),
        MakeField("OUTPUTTYPE", FECM, 1, 1, false),
        MakeField("OUTPUTIMPEDANCE", FECM, 0, 0, false),
        MakeField("VTH0", VTH0, 7, 0, false),
        MakeField("VTH1", VTH1, 7, 0, false),
        MakeField("VTH2", VTH2, 7, 0, false),
        MakeField("VTH3", VTH3, 7, 0, false),
        MakeField("VTH4", VTH4, 7, 0, false),
        MakeField("RATE", PR, 7, 0, false),
        MakeField("SEARCHMODE", VSEARCH, 7, 7, false),
        MakeField("FREEZE", VSEARCH, 6, 6, false),
        MakeField("SN", VSEARCH, 5, 4, false),
        MakeField("TO", VSEARCH, 3, 2, false),
        MakeField("H", VSEARCH, 1, 0, false),
        MakeField("DEINTERLEAVER", RS, 7, 7, false),
        MakeField("SYNCHRO", RS, 6, 6, false),
        MakeField("REEDSOLOMON", RS, 5, 5, false),
        MakeField("DESCRAMBLER", RS, 4, 4, false),
        MakeField("WRITEERRORBIT", RS, 3, 3, false),
        MakeField("BLOCKSYNCHRO", RS, 2, 2, false),
        MakeField("OUTPUTCLOCKPOLARITY", RS, 1, 1, false),
        MakeField("OUTPUTCLOCKCONFIG", RS, 0, 0, false),
        MakeField("ERRORMODE", ERRCNT, 7, 7, false),
        MakeField("ERRORSOURCE", ERRCNT, 5, 4, false),
        MakeField("NOE", ERRCNT, 1, 0, false),
        MakeField("TFEC1", TFEC1, 7, 0, false),
        MakeField("TFEC2", TFEC2, 7, 0, false),
        MakeField("TSTRAM1", TSTRAM1, 7, 0, false),
        MakeField("TSTRATE", TSTRATE, 7, 0, false),
        MakeField("SELOUT", SELOUT, 7, 0, false),
        MakeField("FORCEIN", FORCEIN, 7, 0, false),
        MakeField("TSRTESCK", TSRTESCK, 7, 0, false),
        MakeField("TSTOUT", TSTOUT, 7, 0, false),
        MakeField("TSTR", TSTR, 7, 0, false),
        MakeField("TAGC2", TAGC2, 7, 0, false),
        MakeField("TCTL", TCTL, 7, 0, false),
        MakeField("TCTL2", TCTL2, 7, 0, false),
        MakeField("TAGC1", TAGC1, 7, 0, false),
        MakeField("TSTFIFO", TSTFIFO, 7, 0, false),
        MakeField("TSTVCO", TSTVCO, 7, 0, false),
        MakeField("GHOST", GHOST, 7, 0, false),
    }};
}();
// clang-format on

}  // namespace orbix
