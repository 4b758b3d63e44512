#include "lcdservice/LcdService.h"

LONG volatile g_lscConnectionCount = 0;

namespace {

// Set on the display thread, and read again by quit only after that thread has ended.
BOOL g_initialised = FALSE;
HMODULE g_module = nullptr;
const LscFunctionTable* g_table = nullptr;
char g_modulePath[MAX_PATH];

void UnloadService() {
    if (g_module) {
        FreeLibrary(g_module);
        g_module = nullptr;
    }
    g_table = nullptr;
}

// Reads the module's path from the key. A value written without its terminator ends where
// the value ends, never in what an earlier, longer path left in the buffer.
bool ReadModulePath(HKEY key) {
    DWORD size = sizeof g_modulePath;
    if (RegQueryValueExA(key, nullptr, nullptr, nullptr, reinterpret_cast<BYTE*>(g_modulePath),
                         &size) != ERROR_SUCCESS)
        return false;
    if (size < sizeof g_modulePath)
        g_modulePath[size] = '\0';
    else if (g_modulePath[sizeof g_modulePath - 1] != '\0')
        return false;
    return true;
}

bool LoadModuleAndTable() {
    g_module = LoadLibraryA(g_modulePath);
    if (!g_module)
        return false;
    // Through void (*)(), the one function type a cast from FARPROC may go without a warning.
    auto getInterface = reinterpret_cast<LscGetInterfaceFunction>(
        reinterpret_cast<void (*)()>(GetProcAddress(g_module, kLscInterfaceExport)));
    g_table = getInterface ? getInterface(kLscInterfaceVersion) : nullptr;
    if (g_table)
        return true;
    UnloadService();
    return false;
}

bool LoadService() {
    HKEY key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kLscServerBinaryKey, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return false;
    bool loaded = ReadModulePath(key) && LoadModuleAndTable();
    RegCloseKey(key);
    return loaded;
}

}  // namespace

DWORD LscStartup() {
    if (g_initialised)
        return ERROR_ALREADY_INITIALIZED;
    if (!LoadService())
        return RPC_S_SERVER_UNAVAILABLE;
    g_initialised = TRUE;
    return g_table->startup();
}

DWORD LscCleanup() {
    if (!g_initialised)
        return ERROR_SUCCESS;
    DWORD result = g_table->cleanup();
    UnloadService();
    g_initialised = FALSE;
    return result;
}

DWORD LscConnect(LscConnectRecord* context) {
    return g_initialised ? g_table->connect(context) : ERROR_SERVICE_NOT_ACTIVE;
}

DWORD LscDisconnect(int connection) {
    return g_initialised ? g_table->disconnect(connection) : ERROR_SERVICE_NOT_ACTIVE;
}

DWORD LscFindDevice(int connection, int index, LscDeviceRecord* description) {
    return g_initialised ? g_table->findDevice(connection, index, description)
                         : ERROR_SERVICE_NOT_ACTIVE;
}

DWORD LscOpenDevice(LscOpenRecord* context) {
    return g_initialised ? g_table->openDevice(context) : ERROR_SERVICE_NOT_ACTIVE;
}

DWORD LscCloseDevice(int device) {
    return g_initialised ? g_table->closeDevice(device) : ERROR_SERVICE_NOT_ACTIVE;
}

DWORD LscReadButtons(int device, DWORD* buttons) {
    return g_initialised ? g_table->readButtons(device, buttons) : ERROR_SERVICE_NOT_ACTIVE;
}

DWORD LscShowFrame(int device, LscFrame* frame, DWORD priority) {
    return g_initialised ? g_table->showFrame(device, frame, priority) : ERROR_SERVICE_NOT_ACTIVE;
}
