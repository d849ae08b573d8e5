#pragma once

#include <functional>
#include <memory>
#include <string>

class QWidget;

namespace orbix {

class CCardSession;
class CSkinWindow;
class INotices;

// Play, stop and save (main-window buttons 3, 4 and 5), and the stop that
// every shutdown and transponder change runs first.
class IPlayer {
  public:
    virtual ~IPlayer() = default;
    // True when the player was stopped or none ran.
    virtual bool StopPlayer() = 0;
    virtual void Play() = 0;
    virtual void Stop() = 0;
    virtual void Save() = 0;
};

// The play/save status label of the main window (GBK text).
using PlayerLabelSink = std::function<void(const std::string& textGbk)>;

struct PlayerContext {
    QWidget* owner;  // parent of the player's dialogs
    CCardSession& session;
    INotices& notices;
    PlayerLabelSink label;
    std::function<bool()> locked;
    // The program list window, where the selected program is read.
    std::function<CSkinWindow*()> programList;
};

using PlayerFactory = std::function<std::unique_ptr<IPlayer>(const PlayerContext& context)>;

// Does nothing until the player is built.
class CNullPlayer final : public IPlayer {
  public:
    bool StopPlayer() override { return true; }
    void Play() override {}
    void Stop() override {}
    void Save() override {}
};

std::unique_ptr<IPlayer> MakeNullPlayer(const PlayerContext& context);

}  // namespace orbix
