// The desk on a terminal, drawn with ncurses: the LCD at full resolution in Unicode half blocks
// (160 columns, 22 rows) inside a bezel, or in Braille dots (80 columns, 11 rows) on a narrower
// terminal, the soft buttons under it, the lights and a status line. The terminal is given
// back as it was on every way out: a normal end, exit(), SIGINT, SIGTERM and SIGHUP (which end
// the run in order, so that the plug-in's quit still runs), and a hang of the simulated world.
#pragma once

#include <string>

#include "sim/Desk.h"

namespace sim {

// The action of a key as ncurses reads it (function keys, arrows and characters).
Action ActionForKey(int key);

class Terminal {
public:
    Terminal() = default;
    ~Terminal();
    Terminal(const Terminal&) = delete;
    Terminal& operator=(const Terminal&) = delete;

    // Takes the terminal over. False when standard input or output is no terminal.
    bool Open(std::string& error);
    // Gives the terminal back; safe to call more than once, and from exit handlers.
    static void Close();

    // The next key, waiting at most timeoutMs; -1 when none came.
    int ReadKey(int timeoutMs);
    void Draw(const DeskView& view);
    // The signal that asked the run to end, or 0.
    static int Signal();
};

}  // namespace sim
