// Loaded modules: real shared libraries, plus modules that exist only as a name (a test's
// stand-in for the plug-in's own module instance).
#pragma once

#include <windows.h>

#include <string>

namespace hostwin {

HMODULE RegisterNamedModule(const std::string& windowsPath);
void SetModuleFileName(HMODULE module, const std::string& windowsPath);

}  // namespace hostwin
