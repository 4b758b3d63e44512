// Registry contents for tests and the simulator.
#pragma once

#include <windows.h>

namespace control {

// Creates the key path if needed and sets a string value ("" or nullptr names the default).
void SetRegistryString(HKEY root, const char* path, const char* name, const char* value);
// Removes every key and value, leaving what the machine's registry holds from the start: the
// font links under HKLM\SOFTWARE\Microsoft\Windows NT\CurrentVersion\FontLink\SystemLink.
void ClearRegistry();

}  // namespace control
