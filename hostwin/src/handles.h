// Kernel handle table. Objects that can be waited for say when they are signalled; all of it
// is guarded by the scheduler's lock.
#pragma once

#include <windows.h>

#include <memory>
#include <string>

namespace hostwin {

struct KernelObject {
    virtual ~KernelObject() = default;
    virtual bool Signaled() const { return false; }
    // Called once a wait has been satisfied by this object (auto-reset events reset here).
    virtual void Acquire() {}
};

// Lock held for all three.
HANDLE AddHandle(std::shared_ptr<KernelObject> object);
std::shared_ptr<KernelObject> LookupHandle(HANDLE handle);
bool RemoveHandle(HANDLE handle);
size_t HandleCountLocked();

template <typename T>
std::shared_ptr<T> LookupHandleAs(HANDLE handle) {
    return std::dynamic_pointer_cast<T>(LookupHandle(handle));
}

// Paths as the product sees them ("Z:\dir\file", as Wine maps the host's root) and as the host
// file system wants them.
std::string ToHostPath(const char* windowsPath);
std::string ToWindowsPath(const std::string& hostPath);

}  // namespace hostwin
