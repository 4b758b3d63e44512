#include "hostwin/control/census.h"

#include "../src/scheduler.h"

namespace hostwin {
size_t HandleCountLocked();
size_t WindowCountLocked();
}  // namespace hostwin

namespace hwc {

size_t KernelHandleCount() {
    std::lock_guard<std::mutex> lk(hostwin::Scheduler::Get().mu);
    return hostwin::HandleCountLocked();
}

size_t WindowCount() {
    std::lock_guard<std::mutex> lk(hostwin::Scheduler::Get().mu);
    return hostwin::WindowCountLocked();
}

}  // namespace hwc
