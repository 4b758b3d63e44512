#include "hostwin/control/registry.h"

#include <cstring>

#include "hostwin_private.h"

namespace control {

void SetRegistryString(HKEY root, const char* path, const char* name, const char* value) {
    HKEY key;
    if (RegCreateKeyExA(root, path, 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr) !=
        ERROR_SUCCESS)
        return;
    RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value),
                   static_cast<DWORD>(std::strlen(value) + 1));
    RegCloseKey(key);
}

void ClearRegistry() {
    hostwin::ClearRegistry();
}

}  // namespace control
