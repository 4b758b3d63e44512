// The testbed's LCD service module: the table of entries that the plug-in loads through the
// registry, each passed on to the testbed's active service.
#include <windows.h>

#include "lcdservice/LcdService.h"
#include "testbed/SimulatedLcdService.h"

namespace {

using testbed::ActiveLcdService;

// A service object that has gone away answers like a service that cannot be reached.
template <typename F>
DWORD Call(F&& f) {
    testbed::SimulatedLcdService* service = ActiveLcdService();
    return service ? f(*service) : RPC_S_SERVER_UNAVAILABLE;
}

DWORD __stdcall Startup() {
    return Call([](auto& s) { return s.Startup(); });
}
DWORD __stdcall Cleanup() {
    return Call([](auto& s) { return s.Cleanup(); });
}
DWORD __stdcall Reserved() {
    return Call([](auto& s) { return s.Reserved(); });
}
DWORD __stdcall Connect(LscConnectRecord* context) {
    return Call([&](auto& s) { return s.Connect(context); });
}
DWORD __stdcall Disconnect(int connection) {
    return Call([&](auto& s) { return s.Disconnect(connection); });
}
DWORD __stdcall FindDevice(int connection, int index, LscDeviceRecord* description) {
    return Call([&](auto& s) { return s.FindDevice(connection, index, description); });
}
DWORD __stdcall OpenDevice(LscOpenRecord* context) {
    return Call([&](auto& s) { return s.OpenDevice(context); });
}
DWORD __stdcall CloseDevice(int device) {
    return Call([&](auto& s) { return s.CloseDevice(device); });
}
DWORD __stdcall ReadButtons(int device, DWORD* buttons) {
    return Call([&](auto& s) { return s.ReadButtons(device, buttons); });
}
DWORD __stdcall ShowFrame(int device, LscFrame* frame, DWORD priority) {
    return Call([&](auto& s) { return s.ShowFrame(device, frame, priority); });
}

const LscFunctionTable kTable = {Startup,    Cleanup,    Reserved,    Connect,     Disconnect,
                                 FindDevice, OpenDevice, CloseDevice, ReadButtons, ShowFrame};

}  // namespace

extern "C" __declspec(dllexport) const LscFunctionTable* __stdcall GetInterface(DWORD version) {
    testbed::SimulatedLcdService* service = ActiveLcdService();
    if (!service)
        return nullptr;
    service->NoteInterfaceRequest();
    if (version != kLscInterfaceVersion ||
        service->Registration() == testbed::LcdRegistration::NullTable)
        return nullptr;
    return &kTable;
}
