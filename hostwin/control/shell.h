// The user's folders as the shell names them.
#pragma once

#include <string>

namespace control {

// The user's application-data folder, in Windows form ("Z:\..."); "" for a machine where it
// cannot be found, which is how the stand-in starts.
void SetAppDataFolder(const std::string& windowsPath);

}  // namespace control
