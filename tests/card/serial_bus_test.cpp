// Exact port traffic of the bus transactions, and the bus as a device sees it.
#include <gtest/gtest.h>

#include <thread>

#include "support/card_fixture.h"

namespace orbix {
namespace {

using testing::CardFixture;

constexpr std::uint16_t kBus = sim::kDefaultIoBase + 0xFF;

// The expected traffic, written out from the bus's wire protocol.
class Expect {
  public:
    Expect& W(std::initializer_list<int> values) {
        for (int v : values)
            m_log.push_back({PortAccess::Kind::Out8, kBus, static_cast<std::uint32_t>(v)});
        return *this;
    }
    Expect& R(std::uint32_t v) {
        m_log.push_back({PortAccess::Kind::In8, kBus, v});
        return *this;
    }
    Expect& Stop() { return W({0x08, 0x09, 0x0D, 0x0C}); }
    Expect& Start() { return W({0x0C, 0x0D, 0x09, 0x08}); }
    Expect& Byte(std::uint8_t b) {
        for (int bit = 7; bit >= 0; --bit) {
            int v = ((b >> bit) & 1) ? 0x0C : 0x08;
            W({v, v | 1, v});
        }
        return *this;
    }
    Expect& Ack(bool acked) { return W({0x00, 0x01}).R(acked ? 0x00 : 0x02).W({0x00}); }
    Expect& Idle() {
        for (int i = 0; i < 16; ++i) W({0x00, 0x01, 0x00});
        return *this;
    }
    const std::vector<PortAccess>& Log() const { return m_log; }

  private:
    std::vector<PortAccess> m_log;
};

TEST(SerialBus, RegisterWriteIsExactly141WritesAnd3Reads) {
    CardFixture f;
    f.LoadLogic();
    f.ports.SetRecording(true);
    EXPECT_EQ(f.access.WriteRegister(0xC4, 0x40, 0x05), 0);
    Expect e;
    e.Stop().Start().Byte(0xC4).Ack(true).Byte(0x40).Ack(true).Byte(0x05).Ack(true).Stop().Idle();
    EXPECT_EQ(f.ports.Log(), e.Log());
    EXPECT_EQ(f.card.Logic().Control(), 0x05);
}

TEST(SerialBus, RegisterReadIsTwoTransactionsWithoutRepeatedStart) {
    CardFixture f;
    f.LoadLogic();
    f.ports.SetRecording(true);
    EXPECT_EQ(f.access.ReadRegister(0xC4, 0x40), 0x00B3);
    Expect e;
    e.Stop().Start().Byte(0xC4).Ack(true).Byte(0x40).Ack(true).Stop().Idle();
    e.Start().Byte(0xC5).Ack(true).W({0x00});
    for (int bit = 7; bit >= 0; --bit)
        e.W({0x00, 0x01}).R((0xB3 >> bit) & 1 ? 0x02 : 0x00).W({0x00});
    e.W({0x0C, 0x0D, 0x0C}).Stop().Idle();
    EXPECT_EQ(f.ports.Log(), e.Log());
    EXPECT_EQ(f.card.Bus().Count().violations, 0u);
}

TEST(SerialBus, TunerWriteHasNoLeadingStop) {
    CardFixture f;
    f.ports.SetRecording(true);
    EXPECT_EQ(f.access.WriteTunerBytes({0x12, 0x34, 0x85, 0x20}), 0);
    Expect e;
    e.Start().Byte(0xC0).Ack(true);
    for (int b : {0x12, 0x34, 0x85, 0x20}) e.Byte(static_cast<std::uint8_t>(b)).Ack(true);
    e.Stop().Idle();
    EXPECT_EQ(f.ports.Log(), e.Log());
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
