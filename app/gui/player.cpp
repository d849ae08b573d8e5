#include "app/gui/player.h"

namespace orbix {

std::unique_ptr<IPlayer> MakeNullPlayer(const PlayerContext&) {
    return std::make_unique<CNullPlayer>();
}

}  // namespace orbix
