// INI files: what the simulator and tests may watch of them.
#pragma once

#include <functional>
#include <string>

namespace hwc {

// Called after every successful WritePrivateProfileStringA, on the writing thread, with the
// file as the caller named it (Windows form), the section and the key. Null stops it.
void SetProfileWriteObserver(
    std::function<void(const std::string& file, const std::string& section, const std::string& key)>
        observer);

}  // namespace hwc
