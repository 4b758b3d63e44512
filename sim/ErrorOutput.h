// What velm-sim writes on standard error: each fault as one line, "velm-sim: <message>", and, on
// a terminal, a line of progress that the next fault line or the end of the run takes away.
// Messages quote what the user gave (a command, a path, an argument), so every byte that a
// terminal would act on (a control character, a C1 control) or that is not UTF-8 is written as
// \xNN: no input can move the cursor or retitle the terminal, and a fault stays one line.
#pragma once

#include <string>

namespace sim {

// The text with every control character and every byte outside well-formed UTF-8 as \xNN.
std::string Printable(const std::string& text);

// One line on standard error, "velm-sim: " and the message made printable, in place of the
// progress line if one is shown; after every event written to the log so far.
void PrintFault(const std::string& message);

// Whether standard error is a terminal, where a progress line may be shown.
bool ErrorsOnTerminal();
// Shows text as the progress line, over the one before.
void ShowProgress(const std::string& text);
// Takes the progress line away, if one is shown.
void ClearProgress();

}  // namespace sim
