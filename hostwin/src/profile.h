// INI files on the stand-in's side, for hostwin/control.
#pragma once

#include <functional>
#include <string>

namespace hostwin {

using ProfileWriteObserver = std::function<void(const std::string& file, const std::string& section,
                                                const std::string& key)>;
void SetProfileWriteObserver(ProfileWriteObserver observer);
// hostPath (as the host names it) takes no profile write while protected.
void SetProfileFileProtected(const std::string& hostPath, bool isProtected);

}  // namespace hostwin
