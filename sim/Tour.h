// The built-in tour that `velm-sim --demo` and `make demo` run: a short playlist of its own,
// every screen, a volume alert, a song alert and the settings list.
#pragma once

#include <vector>

#include "testbed/SimulatedPlayer.h"

namespace sim {

// The tour's script, in the simulator's script language.
const char* TourScript();
// The tour's playlist, read from the extended M3U that the tour carries.
std::vector<testbed::Entry> TourPlaylist();

}  // namespace sim
