// The shell's folders: the user's application-data folder, where per-user files go.
#pragma once

#include "windef.h"

#ifdef __cplusplus
extern "C" {
#endif

#define CSIDL_APPDATA 0x001a

// S_OK with the folder's path (no trailing backslash) in pszPath, a buffer of MAX_PATH.
HRESULT WINAPI SHGetFolderPathA(HWND hwnd, int csidl, HANDLE hToken, DWORD dwFlags, LPSTR pszPath);

#ifdef __cplusplus
}
#endif
