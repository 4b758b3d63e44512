#include "hostwin/control/gdi.h"

#include "hostwin_private.h"

namespace control {

size_t GdiObjectCount() {
    std::lock_guard<std::mutex> lk(hostwin::gdi::Mutex());
    return hostwin::gdi::LiveObjectCount();
}

void FailCreateCompatibleDC(int count) {
    std::lock_guard<std::mutex> lk(hostwin::gdi::Mutex());
    hostwin::gdi::PlannedFaults().failCreateDC = count;
}

void FailCreateDIBSection(int count) {
    std::lock_guard<std::mutex> lk(hostwin::gdi::Mutex());
    hostwin::gdi::PlannedFaults().failCreateDIB = count;
}

}  // namespace control
