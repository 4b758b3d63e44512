#include "hostwin_private.h"

#include <map>
#include <string>

namespace hostwin {
namespace {

std::map<uintptr_t, std::shared_ptr<KernelObject>>& Table() {
    static auto* table = new std::map<uintptr_t, std::shared_ptr<KernelObject>>;
    return *table;
}

// Windows hands out multiples of 4; starting high keeps them clear of small integers that
// a caller might pass by mistake.
uintptr_t g_nextHandle = 0x1000;

}  // namespace

HANDLE AddHandle(std::shared_ptr<KernelObject> object) {
    uintptr_t value = g_nextHandle;
    g_nextHandle += 4;
    Table()[value] = std::move(object);
    return reinterpret_cast<HANDLE>(value);
}

std::shared_ptr<KernelObject> LookupHandle(HANDLE handle) {
    auto it = Table().find(reinterpret_cast<uintptr_t>(handle));
    return it == Table().end() ? nullptr : it->second;
}

bool RemoveHandle(HANDLE handle) {
    return Table().erase(reinterpret_cast<uintptr_t>(handle)) > 0;
}

size_t HandleCountLocked() {
    return Table().size();
}

std::string ToHostPath(const char* windowsPath) {
    std::string path = windowsPath ? windowsPath : "";
    if (path.size() >= 3 && (path[0] == 'Z' || path[0] == 'z') && path[1] == ':' &&
        (path[2] == '\\' || path[2] == '/'))
        path.erase(0, 2);
    for (char& c : path)
        if (c == '\\')
            c = '/';
    return path;
}

std::string ToWindowsPath(const std::string& hostPath) {
    std::string path = hostPath;
    for (char& c : path)
        if (c == '/')
            c = '\\';
    if (!path.empty() && path[0] == '\\')
        path.insert(0, "Z:");
    return path;
}

}  // namespace hostwin
