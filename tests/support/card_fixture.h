#pragma once

#include <gtest/gtest.h>

#include <algorithm>
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
