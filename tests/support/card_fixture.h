#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "card/card_access.h"
#include "platform/clock.h"
#include "platform/notices.h"
#include "platform/port_io_recorder.h"
#include "sim/sim_card.h"
#include "tests/support/temp_dir.h"

namespace orbix::testing {

// The PIDs of one class (the class bits of CPidFilter) in a PID table, in slot order.
inline std::vector<std::uint16_t> ClassPids(const std::array<std::uint16_t, 32>& table,
                                            std::uint16_t pidClass) {
    std::vector<std::uint16_t> pids;
    for (std::uint16_t slot : table)
        if ((slot & 0x6000) == pidClass) pids.push_back(slot & 0x1FFF);
    return pids;
}

inline void WriteFile(const std::filesystem::path& path, const std::vector<std::uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
}

// A simulated card behind a port recorder, with virtual time, recorded
// notices, a valid configuration image on disk and the access object.
struct CardFixture {
    explicit CardFixture(const sim::SimCardConfig& config = {})
        : card(config), ports(card), access(ports, clock, notices) {
        ports.SetRecording(false);
        imagePath = dir.Path() / "conwh.ocx";
        WriteFile(imagePath, sim::CCardLogicModel::MakeValidImage());
        access.SetIoBase(card.IoBase());
        access.SetConfigurationPath(imagePath.string());
    }
    // Loads the logic so that it answers on the bus.
    void LoadLogic() { ASSERT_TRUE(access.LoadConfiguration()); }

    CTempDir dir;
    std::filesystem::path imagePath;
    sim::CSimCard card;
    CPortIoRecorder ports;
    CVirtualClock clock;
    CRecordingNotices notices;
    CCardAccess access;
};

}  // namespace orbix::testing
