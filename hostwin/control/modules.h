// Loadable modules and the names the product sees for them.
#pragma once

#include <windows.h>

#include <string>

namespace control {

// A module handle that exists only as a name: GetModuleFileNameA reports windowsPath for it.
HMODULE RegisterNamedModule(const std::string& windowsPath);
// Makes GetModuleFileNameA report windowsPath for a loaded module (where its "DLL" lives).
void SetModuleFileName(HMODULE module, const std::string& windowsPath);
// "/tmp/x" as the product sees it: "Z:\tmp\x".
std::string WindowsPath(const std::string& hostPath);
std::string HostPath(const std::string& windowsPath);

}  // namespace control
