// Start-up gives up the raw I/O privilege right after the last port is
// enabled and before the main window starts anything; on a failure it keeps
// its old messages and drops nothing.
#include <gtest/gtest.h>

#include <cstdio>
#include <optional>

#include "app/card_backend.h"
#include "app/startup.h"
#include "support/card_fixture.h"

namespace orbix {
namespace {

using testing::CTempDir;
using Log = std::vector<std::string>;

class CRecordingCapabilities final : public ICapabilities {
  public:
    explicit CRecordingCapabilities(Log& log) : m_log(log) {}
    bool DropRawIo() override {
        m_log.push_back("drop");
        m_held = false;
        return true;
    }
    bool HoldsRawIo() const override { return m_held; }

  private:
    Log& m_log;
    bool m_held = true;
};

// The simulated card's ports, with the port-enables logged and the one whose
// first port is denyFirst refused, in front of the hardware back end's
// privilege handling.
class CEnableLog final : public IPortIo {
  public:
    CEnableLog(IPortIo& card, Log& log, std::optional<std::uint16_t> denyFirst)
        : m_card(card),
          m_log(log),
          m_hardware(MakeHardwarePortIo(std::make_unique<CRecordingCapabilities>(log))),
          m_denyFirst(denyFirst) {}

    bool Enable(std::uint16_t first, std::uint16_t count) override {
        char line[32];
        std::snprintf(line, sizeof line, "enable %04X+%u", first, unsigned{count});
        m_log.push_back(line);
        return first != m_denyFirst && m_card.Enable(first, count);
    }
    void EnablingDone() override { m_hardware->EnablingDone(); }
    std::uint8_t In8(std::uint16_t port) override { return m_card.In8(port); }
    void Out8(std::uint16_t port, std::uint8_t value) override { m_card.Out8(port, value); }
    std::uint32_t In32(std::uint16_t port) override { return m_card.In32(port); }
    void Out32(std::uint16_t port, std::uint32_t value) override { m_card.Out32(port, value); }

  private:
    IPortIo& m_card;
    Log& m_log;
    std::unique_ptr<IPortIo> m_hardware;  // only its privilege handling is used
    std::optional<std::uint16_t> m_denyFirst;
};

TEST(StartUpPrivilege, DropsAfterTheLastEnableAndOnlyThen) {
    struct Case {
        const char* what;
        std::optional<std::uint16_t> deny;
        bool cardPresent;
        StartUpOutcome outcome;
        const char* log;      // the steps, joined by ", "
        const char* message;  // "" for none
    };
    const char* const denied = "系统启动未完成，请稍后执行本软件!";
    const Case cases[] = {
        {"card found", std::nullopt, true, StartUpOutcome::Ran,
         "enable 0CF8+8, enable D000+256, drop, main window D000, ", ""},
        {"PCI ports refused", 0xCF8, true, StartUpOutcome::PortIoDenied, "enable 0CF8+8, ", denied},
        {"card window refused", sim::kDefaultIoBase, true, StartUpOutcome::PortIoDenied,
         "enable 0CF8+8, enable D000+256, ", denied},
        {"no card", std::nullopt, false, StartUpOutcome::NoCard, "enable 0CF8+8, ",
         "您没有安装卫星接收卡!"},
    };
    for (const Case& c : cases) {
        sim::SimCardConfig config;
        if (!c.cardPresent) config.pciFunctions = {};
        sim::CSimCard card(config);
        Log log;
        CEnableLog ports(card, log, c.deny);
        CPortIoRecorder recorder(ports);
        CRecordingNotices notices;
        CInstanceLock lock;
        CTempDir dir;
        StartUpContext context{recorder, notices, lock, "orbixrx", dir.Path().string()};
        const StartUpOutcome outcome = StartUp(context, [&](std::uint16_t base) {
            char line[32];
            std::snprintf(line, sizeof line, "main window %04X", unsigned{base});
            log.push_back(line);
        });
        EXPECT_EQ(outcome, c.outcome) << c.what;
        std::string steps;
        for (const std::string& step : log) steps += step + ", ";
        EXPECT_EQ(steps, c.log) << c.what;
        EXPECT_EQ(notices.TextsUtf8(), *c.message ? Log{c.message} : Log{}) << c.what;
    }
}

// The default back end, started as the programs start it, leaves the
// process's capabilities alone: only the hardware card has one to give up.
TEST(StartUpPrivilege, SimulatedCardKeepsTheProcessCapabilities) {
    const auto process = MakeProcessCapabilities();
    if (!process->HoldsRawIo()) GTEST_SKIP() << "this process does not hold CAP_SYS_RAWIO";
    CTempDir dir;
    setenv("ORBIXRX_CARD", "simulated", 1);
    CardBackend backend = MakeCardBackend();
    ASSERT_TRUE(backend.ports) << backend.error;
    CRecordingNotices notices;
    CInstanceLock lock;
    StartUpContext context{*backend.ports, notices, lock, "orbixrx", dir.Path().string()};
    bool held = false;
    EXPECT_EQ(StartUp(context, [&](std::uint16_t) { held = process->HoldsRawIo(); }),
              StartUpOutcome::Ran);
    EXPECT_TRUE(held);
    unsetenv("ORBIXRX_CARD");
}

}  // namespace
}  // namespace orbix
