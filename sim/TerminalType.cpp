#include "sim/TerminalType.h"

// term.h defines every capability's name as a macro, so it is kept to this file alone.
#include <curses.h>
#include <term.h>
#include <unistd.h>

#include <cstdlib>

namespace sim {

bool TerminalCanShowDesk(std::string& problem) {
    const char* type = std::getenv("TERM");
    if (!type || !*type) {
        problem = "cannot show the desk: TERM is not set";
        return false;
    }
    std::string where = std::string("cannot show the desk on this terminal (TERM=") + type + ")";
    int result = 0;
    if (setupterm(nullptr, STDOUT_FILENO, &result) != OK) {
        problem = where + ": the terminal database does not know it";
        return false;
    }
    const char* cursorAddress = tigetstr(const_cast<char*>("cup"));
    bool moves = cursorAddress && cursorAddress != reinterpret_cast<char*>(-1);
    bool printing = tigetflag(const_cast<char*>("hc")) > 0;
    del_curterm(cur_term);
    if (!moves || printing) {
        problem = where + ": it cannot place the cursor";
        return false;
    }
    return true;
}

}  // namespace sim
