#pragma once

namespace orbix {

// The UDP port the card's filtered transport stream reaches: 8511, unless
// ORBIXRX_STREAM_PORT names another (1 to 65535), so that test runs and a
// user's running program never share a port. Read once per process; the
// simulated card, the program search and the player all take it from here.
int StreamPort();

}  // namespace orbix
