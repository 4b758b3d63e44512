#include "hostwin/control/modules.h"

#include "hostwin_private.h"

namespace control {

HMODULE RegisterNamedModule(const std::string& windowsPath) {
    return hostwin::RegisterNamedModule(windowsPath);
}

void SetModuleFileName(HMODULE module, const std::string& windowsPath) {
    hostwin::SetModuleFileName(module, windowsPath);
}

std::string WindowsPath(const std::string& hostPath) {
    return hostwin::ToWindowsPath(hostPath);
}
std::string HostPath(const std::string& windowsPath) {
    return hostwin::ToHostPath(windowsPath.c_str());
}

}  // namespace control
