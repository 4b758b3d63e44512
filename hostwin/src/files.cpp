// File attributes and folders. The read-only attribute is the absence of every write
// permission bit, as Wine maps it; as under Wine, the superuser may still write such a file.
// A folder the control side protects takes nothing new, whoever the user.
#include <windows.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <mutex>
#include <set>
#include <string>

#include "hostwin_private.h"

namespace hostwin {
namespace {

std::mutex g_protectedMu;
std::set<std::string> g_protectedFolders;  // host paths

}  // namespace

void SetFolderProtected(const std::string& hostFolder, bool isProtected) {
    std::string folder = hostFolder;
    while (folder.size() > 1 && folder.back() == '/')
        folder.pop_back();
    std::lock_guard<std::mutex> lk(g_protectedMu);
    if (isProtected)
        g_protectedFolders.insert(folder);
    else
        g_protectedFolders.erase(folder);
}

bool IsInProtectedFolder(const std::string& hostPath) {
    size_t slash = hostPath.rfind('/');
    std::string folder = slash == std::string::npos ? "." : hostPath.substr(0, slash);
    std::lock_guard<std::mutex> lk(g_protectedMu);
    return g_protectedFolders.count(folder) > 0;
}

}  // namespace hostwin

namespace {

DWORD ErrorOf(int error) {
    switch (error) {
        case ENOENT:
            return ERROR_FILE_NOT_FOUND;
        case ENOTDIR:
            return ERROR_PATH_NOT_FOUND;
        case EEXIST:
            return ERROR_ALREADY_EXISTS;
        default:
            return ERROR_ACCESS_DENIED;
    }
}

}  // namespace

extern "C" {

DWORD WINAPI GetFileAttributesA(LPCSTR name) {
    struct stat info;
    if (!name || stat(hostwin::ToHostPath(name).c_str(), &info) != 0) {
        SetLastError(name ? ErrorOf(errno) : ERROR_INVALID_PARAMETER);
        return INVALID_FILE_ATTRIBUTES;
    }
    if (S_ISDIR(info.st_mode))
        return FILE_ATTRIBUTE_DIRECTORY;
    return (info.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) ? FILE_ATTRIBUTE_NORMAL
                                                          : FILE_ATTRIBUTE_READONLY;
}

// Only the read-only attribute has a meaning here; it takes away (or gives back) the owner's
// write permission along with everyone else's.
BOOL WINAPI SetFileAttributesA(LPCSTR name, DWORD attributes) {
    struct stat info;
    std::string path = name ? hostwin::ToHostPath(name) : "";
    if (!name || stat(path.c_str(), &info) != 0) {
        SetLastError(name ? ErrorOf(errno) : ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    mode_t mode = info.st_mode & 07777;
    mode = (attributes & FILE_ATTRIBUTE_READONLY) ? mode & ~(S_IWUSR | S_IWGRP | S_IWOTH)
                                                  : mode | S_IWUSR;
    if (chmod(path.c_str(), mode) != 0) {
        SetLastError(ErrorOf(errno));
        return FALSE;
    }
    return TRUE;
}

BOOL WINAPI CreateDirectoryA(LPCSTR name, LPSECURITY_ATTRIBUTES) {
    std::string path = name ? hostwin::ToHostPath(name) : "";
    if (name && hostwin::IsInProtectedFolder(path)) {
        struct stat info;
        SetLastError(stat(path.c_str(), &info) == 0 ? ERROR_ALREADY_EXISTS : ERROR_ACCESS_DENIED);
        return FALSE;
    }
    if (!name || mkdir(path.c_str(), 0777) != 0) {
        SetLastError(name ? ErrorOf(errno) : ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    return TRUE;
}

BOOL WINAPI RemoveDirectoryA(LPCSTR name) {
    if (!name || rmdir(hostwin::ToHostPath(name).c_str()) != 0) {
        SetLastError(name ? ErrorOf(errno) : ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    return TRUE;
}

}  // extern "C"
