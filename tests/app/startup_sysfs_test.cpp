// With the kernel's list of PCI functions to ask, start-up and the card's
// bring-up reach no port outside the card's own 256-port window.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <mutex>

#include "app/card_session.h"
#include "app/startup.h"
#include "card/card_sysfs.h"
#include "support/card_fixture.h"
#include "support/fake_sysfs.h"

namespace orbix {
namespace {

using testing::CTempDir;
using testing::FakePciFunction;

// Ports with every enable logged, one access at a time: the session's
// workers share the recorder behind it, whose log is not made for threads.
class CEnableLog final : public IPortIo {
  public:
    explicit CEnableLog(IPortIo& inner) : m_inner(inner) {}
    bool Enable(std::uint16_t first, std::uint16_t count) override {
        const std::scoped_lock hold(m_mutex);
        char line[32];
        std::snprintf(line, sizeof line, "%04X+%u ", first, unsigned{count});
        enables += line;
        return m_inner.Enable(first, count);
    }
    std::uint8_t In8(std::uint16_t port) override {
        const std::scoped_lock hold(m_mutex);
        return m_inner.In8(port);
    }
    void Out8(std::uint16_t port, std::uint8_t value) override {
        const std::scoped_lock hold(m_mutex);
        m_inner.Out8(port, value);
    }
    std::uint32_t In32(std::uint16_t port) override {
        const std::scoped_lock hold(m_mutex);
        return m_inner.In32(port);
    }
    void Out32(std::uint16_t port, std::uint32_t value) override {
        const std::scoped_lock hold(m_mutex);
        m_inner.Out32(port, value);
    }

    std::string enables;

  private:
    std::mutex m_mutex;
    IPortIo& m_inner;
};

TEST(StartUpSysfs, TouchesOnlyTheCardWindow) {
    struct Case {
        const char* what;
        bool card;   // the fake tree lists the card at the simulated card's base
        bool sysfs;  // there is a tree at all
        StartUpOutcome outcome;
        const char* enables;
        const char* foundBy;
    };
    const Case cases[] = {
        {"listed", true, true, StartUpOutcome::Ran, "D000+256 ", "sysfs"},
        // No sysfs entry means no card, even though the configuration ports
        // would answer: they are not asked.
        {"not listed", false, true, StartUpOutcome::NoCard, "", "sysfs"},
        {"no sysfs: fall back", true, false, StartUpOutcome::Ran, "0CF8+8 D000+256 ",
         "configuration ports"},
    };
    for (const Case& c : cases) {
        CTempDir dir;
        const std::filesystem::path root = dir.Path() / "sys";
        std::filesystem::create_directories(root / "bus/pci/devices");
        if (c.card) AddFakePciFunction(root, FakePciFunction{});
        if (!c.sysfs) std::filesystem::remove_all(root);
        testing::WriteFile(dir.Path() / "conwh.ocx", sim::CCardLogicModel::MakeValidImage());

        sim::CSimCard card;
        CPortIoRecorder recorder(card);
        CEnableLog ports(recorder);
        CRecordingNotices notices;
        CInstanceLock lock;
        StartUpContext context{ports, notices, lock, "orbixrx", dir.Path().string(), [&] {
                                   return LocateCardInSysfs(root.string());
                               }};
        bool brought = false;
        const StartUpOutcome outcome = StartUp(context, [&](std::uint16_t base) {
            CVirtualClock clock;
            CCardSession session({ports,
                                  clock,
                                  notices,
                                  base,
                                  (dir.Path() / "conwh.ocx").string(),
                                  (dir.Path() / "SATSETUPL.ini").string(),
                                  {}});
            brought = session.BringUp();
            session.Shutdown();
        });
        EXPECT_EQ(outcome, c.outcome) << c.what;
        EXPECT_EQ(ports.enables, c.enables) << c.what;
        EXPECT_EQ(context.cardFoundBy, c.foundBy) << c.what;
        EXPECT_EQ(brought, c.outcome == StartUpOutcome::Ran) << c.what;
        if (!c.sysfs) continue;
        std::size_t outside = 0;
        for (const PortAccess& a : recorder.Log())
            outside += a.port < sim::kDefaultIoBase || a.port > sim::kDefaultIoBase + 0xFF;
        EXPECT_EQ(outside, 0u) << c.what;
        EXPECT_EQ(recorder.Log().empty(), c.outcome != StartUpOutcome::Ran) << c.what;
    }
}

}  // namespace
}  // namespace orbix
