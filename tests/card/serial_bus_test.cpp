// Exact port traffic of the bus transactions, and the bus as a device sees it.
#include <gtest/gtest.h>

#include <functional>
#include <thread>

#include "support/card_fixture.h"

namespace orbix {
namespace {

using testing::CardFixture;

constexpr std::uint16_t kBus = sim::kDefaultIoBase + 0xFF;

// The expected traffic, written out from the bus's wire protocol.
struct Expect {
    Expect& W(std::initializer_list<int> values) {
        for (int v : values) log.push_back({PortAccess::Kind::Out8, kBus, std::uint32_t(v)});
        return *this;
    }
    Expect& R(int v) {
        log.push_back({PortAccess::Kind::In8, kBus, std::uint32_t(v)});
        return *this;
    }
    Expect& Start() { return W({0x0C, 0x0D, 0x09, 0x08}); }
    Expect& Stop() { return W({0x08, 0x09, 0x0D, 0x0C}); }
    // Eight data bits, MSB first, then the device's acknowledge.
    Expect& Byte(int b) {
        for (int bit = 7; bit >= 0; --bit) {
            const int v = (b >> bit) & 1 ? 0x0C : 0x08;
            W({v, v | 1, v});
        }
        return W({0x00, 0x01}).R(0x00).W({0x00});
    }
    Expect& StopIdle() {
        Stop();
        for (int i = 0; i < 16; ++i) W({0x00, 0x01, 0x00});
        return *this;
    }
    std::vector<PortAccess> log;
};

TEST(SerialBus, TransactionsFollowTheWireProtocolExactly) {
    Expect write, read, tuner;
    write.Stop().Start().Byte(0xC4).Byte(0x40).Byte(0x05).StopIdle();
    // Two transactions, no repeated start; the master does not acknowledge.
    read.Stop().Start().Byte(0xC4).Byte(0x40).StopIdle().Start().Byte(0xC5).W({0x00});
    for (int bit = 7; bit >= 0; --bit)
        read.W({0x00, 0x01}).R((0xB3 >> bit) & 1 ? 0x02 : 0x00).W({0x00});
    read.W({0x0C, 0x0D, 0x0C}).StopIdle();
    tuner.Start().Byte(0xC0).Byte(0x12).Byte(0x34).Byte(0x85).Byte(0x20).StopIdle();
    const std::tuple<const char*, std::function<int(CCardAccess&)>, int, const Expect&> cases[] = {
        {"141 writes, 3 reads", [](CCardAccess& a) { return a.WriteRegister(0xC4, 0x40, 5); }, 0,
         write},
        {"register read", [](CCardAccess& a) { return a.ReadRegister(0xC4, 0x40); }, 0xB3, read},
        {"tuner: no leading stop",
         [](CCardAccess& a) {
             return a.WriteTunerBytes({0x12, 0x34, 0x85, 0x20});
         },
         0, tuner},
    };
    for (const auto& [what, run, result, expected] : cases) {
        SCOPED_TRACE(what);
        CardFixture f;
        f.LoadLogic();
        f.ports.SetRecording(true);
        EXPECT_EQ(run(f.access), result);
        EXPECT_EQ(f.ports.Log(), expected.log);
        EXPECT_EQ(f.card.Bus().Count().violations, 0u);
    }
}

TEST(SerialBus, NothingAttachedReadsAllOnes) {
    CardFixture f;  // logic not loaded: absent from the bus
    f.card.AttachBusDevice(0xD0, nullptr);
    EXPECT_EQ(f.access.ReadRegister(0xC4, 0x40), 0x1FF);
    EXPECT_EQ(f.access.ReadDemodRegister(0x00), 0x1FF);
    EXPECT_EQ(f.access.WriteDemodRegister(0x01, 0x02), 1);
    EXPECT_FALSE(f.access.CheckLogicId());
    EXPECT_EQ(f.card.Bus().Count().violations, 0u);
}

TEST(SerialBus, ThreeThreadsHammeringLockedOperationsNeverBreakTheProtocol) {
    CardFixture f;
    f.LoadLogic();
    std::atomic<int> wrong{0};
    auto worker = [&](int id) {
        for (int i = 0; i < 300; ++i) {
            if (id == 0 && !f.access.CheckLogicId()) ++wrong;
            if (id == 1) f.access.SetLnbSelect(static_cast<std::uint8_t>(i & 3));
            if (id == 2 && (f.access.ReadDemodRegister(0x00) & 0xFF) != 0xA1) ++wrong;
        }
    };
    std::vector<std::thread> threads;
    for (int id = 0; id < 3; ++id) threads.emplace_back(worker, id);
    for (auto& t : threads) t.join();
    EXPECT_EQ(wrong.load(), 0);
    EXPECT_EQ(f.card.Bus().Count().violations, 0u);
    EXPECT_EQ(f.card.StrayAccesses(), 0u);
}

}  // namespace
}  // namespace orbix
