#include "hostwin/control/census.h"

#include "hostwin_private.h"

namespace control {

size_t KernelHandleCount() {
    std::lock_guard<std::mutex> lk(hostwin::Scheduler::Get().mu);
    return hostwin::HandleCountLocked();
}

size_t WindowCount() {
    std::lock_guard<std::mutex> lk(hostwin::Scheduler::Get().mu);
    return hostwin::WindowCountLocked();
}

}  // namespace control
