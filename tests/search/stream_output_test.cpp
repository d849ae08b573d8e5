// The receiver and the simulated card's stream output over the loopback.
#include "sim/stream_output.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <mutex>
#include <set>
#include <thread>

#include "search/psi.h"
#include "search/udp_receiver.h"

namespace orbix {
namespace {

using namespace std::chrono_literals;

void SendTo8511(const std::vector<std::uint8_t>& bytes) {
    const int s = ::socket(AF_INET, SOCK_DGRAM, 0);
    const int on = 1;
    ::setsockopt(s, SOL_SOCKET, SO_BROADCAST, &on, sizeof on);
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(kStreamPort);
    ::inet_pton(AF_INET, "127.255.255.255", &to.sin_addr);
    ::sendto(s, bytes.data(), bytes.size(), 0, reinterpret_cast<sockaddr*>(&to), sizeof to);
    ::close(s);
}

TEST(UdpReceiver, ReceivesCutsAndTimesOut) {
    CRecordingNotices notices;
    CUdpReceiver receiver(notices, 300);
    ASSERT_TRUE(receiver.Create());
    ASSERT_TRUE(receiver.Bind(kStreamPort));
    std::vector<std::uint8_t> buffer(100, 0xAB);
    EXPECT_EQ(receiver.Receive(nullptr, 100), -1);
    // Nothing comes: -1 after the time-out, the buffer untouched.
    EXPECT_EQ(receiver.Receive(buffer.data(), 100), -1);
    EXPECT_EQ(receiver.LastError(), "Receive data failure!Error NO. is 11");
    EXPECT_EQ(buffer, std::vector<std::uint8_t>(100, 0xAB));
    // A longer datagram is cut to the buffer.
    SendTo8511(std::vector<std::uint8_t>(300, 0x47));
    EXPECT_EQ(receiver.Receive(buffer.data(), 100), 100);
    EXPECT_EQ(buffer[99], 0x47);
    EXPECT_TRUE(receiver.Close());
    EXPECT_FALSE(receiver.IsOpen());
    EXPECT_TRUE(notices.Shown().empty());
}

TEST(UdpReceiver, FailuresAreToldWithTheSystemErrorNumber) {
    CRecordingNotices notices;
    CUdpReceiver receiver(notices, 300);
    ASSERT_TRUE(receiver.Create());
    ASSERT_TRUE(receiver.Bind(kStreamPort));
    // A socket bound once cannot be bound again: the bind fails and closes it.
    EXPECT_FALSE(receiver.Bind(kStreamPort));
    EXPECT_FALSE(receiver.IsOpen());
    // Closing what is closed fails and says so.
    EXPECT_FALSE(receiver.Close());
    const auto shown = notices.Shown();
    ASSERT_EQ(shown.size(), 2u);
    EXPECT_EQ(shown[0].text, "Binding failure!Error NO. is 22");
    EXPECT_EQ(shown[0].caption, "Warning");
    EXPECT_EQ(shown[1].text, "close socket failure!Error NO. is 9");
    // The next run starts again with Create.
    EXPECT_TRUE(receiver.Create());
    EXPECT_TRUE(receiver.Bind(kStreamPort));
    EXPECT_TRUE(receiver.Close());
}

// A stream output with a PID table and a control byte the test sets.
class StreamOutputTest : public ::testing::Test {
  protected:
    void SetTable(std::vector<std::uint16_t> slots) {
        std::lock_guard lock(mutex);
        table.fill(0);
        std::copy(slots.begin(), slots.end(), table.begin());
    }
    void SetLocked(std::optional<sim::LockedStream> value) {
        std::lock_guard lock(mutex);
        locked = std::move(value);
    }
    // Datagrams that reach a socket on the port within the time.
    std::vector<std::vector<std::uint8_t>> Receive(CUdpReceiver& receiver,
                                                   std::chrono::milliseconds time) {
        std::vector<std::vector<std::uint8_t>> out;
        const auto end = std::chrono::steady_clock::now() + time;
        while (std::chrono::steady_clock::now() < end) {
            std::vector<std::uint8_t> d(2000);
            const int n = receiver.Receive(d.data(), static_cast<int>(d.size()));
            if (n < 0) continue;
            d.resize(static_cast<std::size_t>(n));
            out.push_back(std::move(d));
        }
        return out;
    }

    std::mutex mutex;
    std::array<std::uint16_t, 32> table{};
    std::uint8_t control = 2;
    std::optional<sim::LockedStream> locked;
    sim::CStreamOutput output{{[this] {
                                   std::lock_guard lock(mutex);
                                   return table;
                               },
                               [this] {
                                   std::lock_guard lock(mutex);
                                   return control;
                               }},
                              [this] {
                                  std::lock_guard lock(mutex);
                                  return locked;
                              }};
    CRecordingNotices notices;
};

TEST_F(StreamOutputTest, EverySocketOnThePortGetsOnlyThePidsInUse) {
    CUdpReceiver first(notices, 100), second(notices, 100);
    ASSERT_TRUE(first.Create() && first.Bind(kStreamPort));
    ASSERT_TRUE(second.Create() && second.Bind(kStreamPort));
    std::string error;
    ASSERT_TRUE(output.Start(error)) << error;
    // PAT in use, PMT 0x1001 in a slot marked free: only the PAT passes.
    SetTable({0x6000, 0x1001});
    SetLocked(sim::LockedStream{"a", "mux:tv=2,rate=2000000,psi=10", 0});
    const auto got = Receive(first, 600ms);
    const auto also = Receive(second, 100ms);
    ASSERT_FALSE(got.empty());
    EXPECT_FALSE(also.empty());
    std::set<int> pids;
    for (const auto& d : got) {
        ASSERT_EQ(d.size(), static_cast<std::size_t>(kDatagramSize));
        for (int slot = 0; slot < 7; ++slot) {
            EXPECT_EQ(d[slot * 188], 0x47);
            pids.insert(PacketPid(d.data() + slot * 188));
        }
    }
    EXPECT_EQ(pids, std::set<int>{0});
    first.Close();
    second.Close();
}

TEST_F(StreamOutputTest, NothingFlowsUnlockedOrWithoutLnbSupply) {
    CUdpReceiver receiver(notices, 100);
    ASSERT_TRUE(receiver.Create() && receiver.Bind(kStreamPort));
    std::string error;
    ASSERT_TRUE(output.Start(error)) << error;
    SetTable({0x6000});
    EXPECT_TRUE(Receive(receiver, 400ms).empty()) << "not locked";
    SetLocked(sim::LockedStream{"a", "mux:tv=1,rate=2000000,psi=10", 0});
    {
        std::lock_guard lock(mutex);
        control = 0x04;  // tone on, supply off
    }
    EXPECT_TRUE(Receive(receiver, 400ms).empty()) << "LNB supply off";
    {
        std::lock_guard lock(mutex);
        control = 3;
    }
    EXPECT_FALSE(Receive(receiver, 400ms).empty()) << "locked and supplied";
    // A stream text that cannot be played sends nothing and says why.
    SetLocked(sim::LockedStream{"b", "mux:channels=3", 0});
    Receive(receiver, 100ms);
    EXPECT_TRUE(Receive(receiver, 300ms).empty());
    EXPECT_NE(output.SourceError().find("channels=3"), std::string::npos);
    receiver.Close();
}

}  // namespace
}  // namespace orbix
