// What velm-sim writes on standard error: each fault as one line, "velm-sim: <message>".
// Messages quote what the user gave (a command, a path, an argument), so every byte that a
// terminal would act on (a control character, a C1 control) or that is not UTF-8 is written as
// \xNN: no input can move the cursor or retitle the terminal, and a fault stays one line.
#pragma once

#include <string>

namespace sim {

// The text with every control character and every byte outside well-formed UTF-8 as \xNN.
std::string Printable(const std::string& text);

// One line on standard error, "velm-sim: " and the message made printable.
void PrintFault(const std::string& message);

}  // namespace sim
