#include "hostwin/control/profile.h"

#include "../src/profile.h"

namespace hwc {

void SetProfileWriteObserver(
    std::function<void(const std::string&, const std::string&, const std::string&)> observer) {
    hostwin::SetProfileWriteObserver(std::move(observer));
}

}  // namespace hwc
