// Card faults a sky file schedules: parsed from their lines, and taking
// effect on the simulated card at their time.
#include <gtest/gtest.h>

#include "card/card_check.h"
#include "sim/front_end.h"
#include "sim/sky.h"
#include "tests/support/card_fixture.h"

namespace orbix {
namespace {

constexpr const char* kSatellite = "satellite S ku\ntransponder T 11052 V 27500 3/4\n";

TEST(SkyCardFaults, ParsedFromTheirLines) {
    const auto sky =
        sim::ParseSky(std::string(kSatellite) + "logic-lost 2.5\nstatus-fault 4 persistent\n");
    ASSERT_TRUE(sky.sky) << sky.error;
    const sim::CardFaultSchedule& card = sky.sky->faults.card;
    EXPECT_EQ(std::tuple(card.logicLostAtMs, card.statusFaultAtMs, card.statusFault),
              std::tuple(2500, 4000, sim::StatusFault::Persistent));
    EXPECT_TRUE(sim::ParseSky(kSatellite).sky->faults.card.Empty());
    for (const char* bad : {"logic-lost -1", "status-fault 3", "status-fault 3 sometimes",
                            "status-fault 3 transient more"}) {
        const auto parsed = sim::ParseSky(std::string(kSatellite) + bad + "\n");
        EXPECT_FALSE(parsed.sky) << bad;
        EXPECT_EQ(parsed.error.rfind("line 3: ", 0), 0u) << bad << ": " << parsed.error;
    }
}

// The card with the sky's faults, on the fixture's virtual clock.
struct FaultyCard {
    explicit FaultyCard(const std::string& faults)
        : frontEnd(
              sim::CSimFrontEnd::Create(*sim::ParseSky(kSatellite + faults).sky, fixture.clock)),
          check(fixture.ports, fixture.clock, fixture.notices) {
        frontEnd->AttachTo(fixture.card);
        check.SetIoBase(fixture.card.IoBase());
    }
    bool LogicAnswers() { return fixture.access.ReadRegister(0xC4, 0x40) == 0x00B3; }

    testing::CardFixture fixture;
    std::shared_ptr<sim::CSimFrontEnd> frontEnd;
    CCardCheck check;
};

TEST(SkyCardFaults, LogicForgetsItsConfigurationOnceAtItsTime) {
    FaultyCard c("logic-lost 5\n");
    c.fixture.LoadLogic();
    c.fixture.clock.Advance(4999);
    EXPECT_TRUE(c.LogicAnswers());
    c.fixture.clock.Advance(1);
    EXPECT_FALSE(c.LogicAnswers());
    EXPECT_FALSE(c.fixture.card.Logic().Loaded());
    // Reloaded, it stays: the fault strikes once.
    c.fixture.LoadLogic();
    c.fixture.clock.Advance(60'000);
    EXPECT_TRUE(c.LogicAnswers());
}

TEST(SkyCardFaults, StatusFaultFromItsTimeRepairedOnlyWhenTransient) {
    for (const bool transient : {true, false}) {
        SCOPED_TRACE(transient ? "transient" : "persistent");
        FaultyCard c(std::string("status-fault 3 ") + (transient ? "transient" : "persistent"));
        ASSERT_TRUE(c.check.TestEeprom());
        c.fixture.clock.Advance(2999);
        EXPECT_TRUE(c.check.CheckStatus());
        EXPECT_TRUE(c.fixture.notices.Shown().empty());
        c.fixture.clock.Advance(1);
        // The repair sequence runs (and says so) either way.
        EXPECT_EQ(c.check.CheckStatus(), transient);
        EXPECT_EQ(c.fixture.notices.Shown().size(), 1u);
    }
}

}  // namespace
}  // namespace orbix
