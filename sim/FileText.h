// Reading a whole input file (a script or a playlist) so that any fault is known before the
// run: a folder, a file that cannot be opened or a read that fails, each with the system's cause.
#pragma once

#include <string>

namespace sim {

// Reads the file, or standard input for "-". False with the system's cause ("Is a directory",
// "No such file or directory", ...) when it cannot be read.
bool ReadFileText(const std::string& path, std::string& text, std::string& cause);

}  // namespace sim
