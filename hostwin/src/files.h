// What the profile functions need to know of a file beyond its bytes.
#pragma once

#include <string>

namespace hostwin {

// The file exists and carries the read-only attribute.
bool IsReadOnlyFile(const std::string& hostPath);

}  // namespace hostwin
