#include "hostwin/control/gdi.h"

#include "hostwin_private.h"

namespace control {

size_t GdiObjectCount() {
    hostwin::gdi::Guard lk(hostwin::gdi::Mutex());
    return hostwin::gdi::LiveObjectCount();
}

void FailCreateCompatibleDC(int count) {
    hostwin::gdi::Guard lk(hostwin::gdi::Mutex());
    hostwin::gdi::PlannedFaults().failCreateDC = count;
}

void FailCreateDIBSection(int count) {
    hostwin::gdi::Guard lk(hostwin::gdi::Mutex());
    hostwin::gdi::PlannedFaults().failCreateDIB = count;
}

}  // namespace control
