// INI files on the stand-in's side, for hostwin/control.
#pragma once

#include <functional>
#include <string>

namespace hostwin {

using ProfileWriteObserver = std::function<void(const std::string& file, const std::string& section,
                                                const std::string& key)>;
void SetProfileWriteObserver(ProfileWriteObserver observer);

}  // namespace hostwin
