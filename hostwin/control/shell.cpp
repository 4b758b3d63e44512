#include "hostwin/control/shell.h"

#include "hostwin_private.h"

namespace control {

void SetAppDataFolder(const std::string& windowsPath) {
    hostwin::SetAppDataFolder(windowsPath);
}

}  // namespace control
