// Whether the terminal can show the desk at all, asked before the run: the desk places every
// character, so a terminal without cursor addressing (TERM=dumb, a printing terminal) or of a
// type the terminal database does not know would get a line of garbage.
#pragma once

#include <string>

namespace sim {

// False, with what is wrong, when the terminal on standard output cannot show the desk.
bool TerminalCanShowDesk(std::string& problem);

}  // namespace sim
