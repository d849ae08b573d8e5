#include "app/card_bringup.h"

#include "card/card_texts.h"

namespace orbix {
namespace {

constexpr int kLogicProbes = 3;
constexpr int kPulseMs = 200;

void Report(const BringUpContext& context, BringUpStep step, bool ok) {
    if (context.onStep) context.onStep(step, ok);
}

bool CheckCard(BringUpContext& context, CardObjects& objects) {
    objects.check = std::make_unique<CCardCheck>(context.ports, context.clock, context.notices);
    objects.check->SetIoBase(context.ioBase);
    // The test's own result only decides whether the status check can pass.
    Report(context, BringUpStep::EepromTest, objects.check->TestEeprom());
    const bool statusOk = objects.check->CheckStatus();
    Report(context, BringUpStep::StatusCheck, statusOk);
    if (!statusOk) context.notices.Tell(texts::EepromRegisterError());
    return statusOk;
}

// Only the last of the probes decides: the logic may need a moment after
// its image arrives.
bool ProbeLogic(BringUpContext& context, CCardAccess& access) {
    bool last = false;
    for (int i = 0; i < kLogicProbes; ++i) {
        last = access.CheckLogicId();
        context.clock.SleepMs(1);
    }
    Report(context, BringUpStep::LogicIdentity, last);
    if (!last) context.notices.Tell(texts::HardwareMismatch());
    return last;
}

}  // namespace

bool BringUpCard(BringUpContext& context, CardObjects& objects) {
    if (!CheckCard(context, objects)) return false;
    objects.access = std::make_unique<CCardAccess>(context.ports, context.clock, context.notices);
    objects.access->SetIoBase(context.ioBase);
    objects.access->SetConfigurationPath(context.configurationPath);
    Report(context, BringUpStep::ConfigurationLoad, objects.access->LoadConfiguration());
    if (!ProbeLogic(context, *objects.access)) return false;
    // Only a card whose logic answers has a PID table to write, now and at
    // shutdown; writes to an unloaded one would each fail with a box.
    context.pidFilter.SetCardAccess(objects.access.get());
    objects.access->PulseControlBit3(kPulseMs);
    Report(context, BringUpStep::ControlPulse, true);
    return true;
}

std::string BringUpStepName(BringUpStep step) {
    switch (step) {
        case BringUpStep::EepromTest:
            return "EEPROM write/read-back test";
        case BringUpStep::StatusCheck:
            return "card status check";
        case BringUpStep::ConfigurationLoad:
            return "logic configuration load";
        case BringUpStep::LogicIdentity:
            return "logic identity probes";
        case BringUpStep::ControlPulse:
            return "control pulse";
        case BringUpStep::DemodulatorCheck:
            return "demodulator identity check";
    }
    return "?";
}

}  // namespace orbix
