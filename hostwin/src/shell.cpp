// The shell's folders. The stand-in has one, the user's application-data folder, which the
// control side names; a machine without one named cannot find it.
#include <windows.h>
#include <shlobj.h>

#include <cstring>
#include <mutex>
#include <string>

#include "hostwin_private.h"

namespace hostwin {
namespace {

std::mutex g_shellMu;
std::string g_appData;  // Windows form, without a trailing backslash; "" for none

}  // namespace

void SetAppDataFolder(const std::string& windowsPath) {
    std::string folder = windowsPath;
    // The shell hands out folders without a trailing backslash; a drive's root keeps its own.
    while (folder.size() > 3 && (folder.back() == '\\' || folder.back() == '/'))
        folder.pop_back();
    std::lock_guard<std::mutex> lk(g_shellMu);
    g_appData = folder;
}

}  // namespace hostwin

extern "C" {

HRESULT WINAPI SHGetFolderPathA(HWND, int csidl, HANDLE, DWORD, LPSTR path) {
    if (!path || csidl != CSIDL_APPDATA) {
        if (path)
            path[0] = '\0';
        return E_INVALIDARG;
    }
    path[0] = '\0';
    std::string folder;
    {
        std::lock_guard<std::mutex> lk(hostwin::g_shellMu);
        folder = hostwin::g_appData;
    }
    if (folder.empty() || folder.size() >= MAX_PATH)
        return E_FAIL;
    // What the ANSI variant answers for a folder that is known but not there.
    DWORD attributes = GetFileAttributesA(folder.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY))
        return S_FALSE;
    std::memcpy(path, folder.c_str(), folder.size() + 1);
    return S_OK;
}

}  // extern "C"
