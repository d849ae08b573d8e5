#pragma once

#include <cstdlib>
#include <optional>
#include <string>

#include "app/player/save_dialog.h"

namespace orbix::testing {

// The save dialog answered with one path, every time.
struct COneAnswerDialog final : ISaveFileDialog {
    std::string path;
    std::optional<std::string> AskSavePath() override { return path; }
};

// The recording tests need the real player and ffprobe to read its file.
inline bool PlayerAndProbeInstalled() {
    return std::system("command -v vlc >/dev/null && ffprobe -version >/dev/null 2>&1") == 0;
}

}  // namespace orbix::testing
