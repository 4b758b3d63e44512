// Files: CreateFileA, for the HID device paths that SetupAPI hands out; attributes and folders,
// for the tests of the settings file.
#pragma once

#include "windef.h"

#ifdef __cplusplus
extern "C" {
#endif

#define GENERIC_READ 0x80000000L
#define GENERIC_WRITE 0x40000000L
#define FILE_SHARE_READ 0x00000001
#define FILE_SHARE_WRITE 0x00000002
#define CREATE_NEW 1
#define CREATE_ALWAYS 2
#define OPEN_EXISTING 3
#define OPEN_ALWAYS 4
#define TRUNCATE_EXISTING 5
#define FILE_ATTRIBUTE_READONLY 0x00000001
#define FILE_ATTRIBUTE_DIRECTORY 0x00000010
#define FILE_ATTRIBUTE_NORMAL 0x00000080
#define FILE_FLAG_OVERLAPPED 0x40000000
#define INVALID_FILE_ATTRIBUTES ((DWORD)-1)

HANDLE WINAPI CreateFileA(LPCSTR lpFileName, DWORD dwDesiredAccess, DWORD dwShareMode,
                          struct _SECURITY_ATTRIBUTES* lpSecurityAttributes,
                          DWORD dwCreationDisposition, DWORD dwFlagsAndAttributes,
                          HANDLE hTemplateFile);
DWORD WINAPI GetFileAttributesA(LPCSTR lpFileName);
BOOL WINAPI SetFileAttributesA(LPCSTR lpFileName, DWORD dwFileAttributes);
BOOL WINAPI CreateDirectoryA(LPCSTR lpPathName, struct _SECURITY_ATTRIBUTES* lpSecurityAttributes);
BOOL WINAPI RemoveDirectoryA(LPCSTR lpPathName);

#ifdef __cplusplus
}
#endif
