// The client of the keyboard vendor's LCD service: finds the service's module through the
// registry, loads it, asks it for its table of entry points, and wraps each entry so that
// nothing reaches the service before the client is started. Results are Win32 error codes.
#pragma once

#include <windows.h>

#include "lcdservice/LcdServiceRecords.h"

// The service's entry points, in table order.
struct LscFunctionTable {
    DWORD(__stdcall* startup)();
    DWORD(__stdcall* cleanup)();
    DWORD(__stdcall* reserved)();
    DWORD(__stdcall* connect)(LscConnectRecord* context);
    DWORD(__stdcall* disconnect)(int connection);
    DWORD(__stdcall* findDevice)(int connection, int index, LscDeviceRecord* description);
    DWORD(__stdcall* openDevice)(LscOpenRecord* context);
    DWORD(__stdcall* closeDevice)(int device);
    DWORD(__stdcall* readButtons)(int device, DWORD* buttons);
    DWORD(__stdcall* showFrame)(int device, LscFrame* frame, DWORD priority);
};
static_assert(sizeof(void*) != 4 || sizeof(LscFunctionTable) == 40, "ten 32-bit entries");

// The service module's one export, asked for version 1 of the table.
typedef const LscFunctionTable*(__stdcall* LscGetInterfaceFunction)(DWORD version);
constexpr char kLscInterfaceExport[] = "GetInterface";
constexpr DWORD kLscInterfaceVersion = 1;

// Under HKEY_LOCAL_MACHINE; the default value is the module's path.
constexpr char kLscServerBinaryKey[] =
    "SOFTWARE\\Classes\\CLSID\\{FE750200-B72E-11d9-829B-0050DA1A72D3}\\ServerBinary";

// 1247 when already started; 1722 when the service cannot be found, loaded or asked for its
// table; otherwise the result of the service's own start-up (the client stays started even
// when that fails, until LscCleanup).
DWORD LscStartup();
// 0 when not started; otherwise ends the service's use, unloads it and returns its result.
DWORD LscCleanup();

// Each returns 1062 without calling the service while the client is not started.
DWORD LscConnect(LscConnectRecord* context);
DWORD LscDisconnect(int connection);
DWORD LscFindDevice(int connection, int index, LscDeviceRecord* description);
DWORD LscOpenDevice(LscOpenRecord* context);
DWORD LscCloseDevice(int device);
DWORD LscReadButtons(int device, DWORD* buttons);
DWORD LscShowFrame(int device, LscFrame* frame, DWORD priority);

// How many LCD outputs are open in this process; changed only with InterlockedIncrement and
// InterlockedDecrement. The first open starts the client, the last shut-down ends it.
extern LONG volatile g_lscConnectionCount;
