#include "hostwin_private.h"

#include <dlfcn.h>
#include <unistd.h>

#include <climits>
#include <cstring>
#include <strings.h>
#include <list>
#include <mutex>

namespace hostwin {
namespace {

struct ModuleRec {
    void* dl = nullptr;
    std::string windowsPath;
    int refs = 0;
};

std::mutex g_modulesMu;
// A list keeps each record at a fixed address, which is the module handle.
std::list<ModuleRec>& Modules() {
    static auto* modules = new std::list<ModuleRec>;
    return *modules;
}

ModuleRec* Find(HMODULE module) {
    for (auto& m : Modules())
        if (reinterpret_cast<HMODULE>(&m) == module)
            return &m;
    return nullptr;
}

}  // namespace

HMODULE RegisterNamedModule(const std::string& windowsPath) {
    std::lock_guard<std::mutex> lk(g_modulesMu);
    Modules().push_back(ModuleRec{nullptr, windowsPath, 1});
    return reinterpret_cast<HMODULE>(&Modules().back());
}

void SetModuleFileName(HMODULE module, const std::string& windowsPath) {
    std::lock_guard<std::mutex> lk(g_modulesMu);
    if (ModuleRec* m = Find(module))
        m->windowsPath = windowsPath;
}

}  // namespace hostwin

using hostwin::ModuleRec;

extern "C" {

HMODULE WINAPI LoadLibraryA(LPCSTR fileName) {
    if (!fileName || !*fileName) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return NULL;
    }
    std::string hostPath = hostwin::ToHostPath(fileName);
    void* dl = dlopen(hostPath.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!dl) {
        SetLastError(ERROR_MOD_NOT_FOUND);
        return NULL;
    }
    std::lock_guard<std::mutex> lk(hostwin::g_modulesMu);
    for (auto& m : hostwin::Modules()) {
        if (m.dl == dl) {
            // dlopen counted this load too; one dlclose per FreeLibrary keeps them level.
            ++m.refs;
            return reinterpret_cast<HMODULE>(&m);
        }
    }
    char resolved[PATH_MAX];
    std::string path = realpath(hostPath.c_str(), resolved) ? resolved : hostPath;
    hostwin::Modules().push_back(ModuleRec{dl, hostwin::ToWindowsPath(path), 1});
    return reinterpret_cast<HMODULE>(&hostwin::Modules().back());
}

FARPROC WINAPI GetProcAddress(HMODULE module, LPCSTR name) {
    std::lock_guard<std::mutex> lk(hostwin::g_modulesMu);
    ModuleRec* m = hostwin::Find(module);
    if (!m || !m->dl || !name) {
        SetLastError(m ? ERROR_PROC_NOT_FOUND : ERROR_INVALID_HANDLE);
        return NULL;
    }
    void* symbol = dlsym(m->dl, name);
    if (!symbol)
        SetLastError(ERROR_PROC_NOT_FOUND);
    return reinterpret_cast<FARPROC>(symbol);
}

BOOL WINAPI FreeLibrary(HMODULE module) {
    std::lock_guard<std::mutex> lk(hostwin::g_modulesMu);
    auto& modules = hostwin::Modules();
    for (auto it = modules.begin(); it != modules.end(); ++it) {
        if (reinterpret_cast<HMODULE>(&*it) != module)
            continue;
        if (it->dl)
            dlclose(it->dl);
        if (--it->refs == 0)
            modules.erase(it);
        return TRUE;
    }
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
}

// The executable itself (name null), or a loaded module by its file name.
HMODULE WINAPI GetModuleHandleA(LPCSTR name) {
    std::lock_guard<std::mutex> lk(hostwin::g_modulesMu);
    auto& modules = hostwin::Modules();
    if (!name) {
        static ModuleRec* self = [&] {
            modules.push_back(ModuleRec{nullptr, "", 1});
            return &modules.back();
        }();
        return reinterpret_cast<HMODULE>(self);
    }
    for (auto& m : modules) {
        size_t slash = m.windowsPath.rfind('\\');
        std::string file = m.windowsPath.substr(slash == std::string::npos ? 0 : slash + 1);
        if (strcasecmp(file.c_str(), name) == 0)
            return reinterpret_cast<HMODULE>(&m);
    }
    SetLastError(ERROR_MOD_NOT_FOUND);
    return NULL;
}

// Copies at most size - 1 characters and always terminates; a cut name returns size, as
// Windows does from Vista on.
DWORD WINAPI GetModuleFileNameA(HMODULE module, LPSTR buffer, DWORD size) {
    std::string path;
    if (!module || module == GetModuleHandleA(nullptr)) {
        char exe[PATH_MAX];
        ssize_t n = readlink("/proc/self/exe", exe, sizeof exe - 1);
        if (n < 0) {
            SetLastError(ERROR_GEN_FAILURE);
            return 0;
        }
        path = hostwin::ToWindowsPath(std::string(exe, n));
    } else {
        std::lock_guard<std::mutex> lk(hostwin::g_modulesMu);
        ModuleRec* m = hostwin::Find(module);
        if (!m) {
            SetLastError(ERROR_INVALID_HANDLE);
            return 0;
        }
        path = m->windowsPath;
    }
    if (!buffer || size == 0) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return 0;
    }
    if (path.size() >= size) {
        std::memcpy(buffer, path.data(), size - 1);
        buffer[size - 1] = '\0';
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return size;
    }
    std::memcpy(buffer, path.c_str(), path.size() + 1);
    return static_cast<DWORD>(path.size());
}

}  // extern "C"
