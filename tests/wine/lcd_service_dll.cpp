// The stand-in LCD service as a Windows DLL, for the Wine tests: the testbed's service behind
// the "GetInterface" export, and a few extra exports through which the test host plays the
// keyboard and reads back what the service was shown.
#include <windows.h>

#include <cstring>

#include "lcdservice/LcdService.h"
#include "testbed/LcdServiceCore.h"

namespace {

testbed::LcdServiceCore& Service() {
    static testbed::LcdServiceCore service;
    return service;
}

DWORD __stdcall Startup() {
    return Service().Startup();
}
DWORD __stdcall Cleanup() {
    return Service().Cleanup();
}
DWORD __stdcall Reserved() {
    return Service().Reserved();
}
DWORD __stdcall Connect(LscConnectRecord* context) {
    return Service().Connect(context);
}
DWORD __stdcall Disconnect(int connection) {
    return Service().Disconnect(connection);
}
DWORD __stdcall FindDevice(int connection, int index, LscDeviceRecord* description) {
    return Service().FindDevice(connection, index, description);
}
DWORD __stdcall OpenDevice(LscOpenRecord* context) {
    return Service().OpenDevice(context);
}
DWORD __stdcall CloseDevice(int device) {
    return Service().CloseDevice(device);
}
DWORD __stdcall ReadButtons(int device, DWORD* buttons) {
    return Service().ReadButtons(device, buttons);
}
DWORD __stdcall ShowFrame(int device, LscFrame* frame, DWORD priority) {
    return Service().ShowFrame(device, frame, priority);
}

const LscFunctionTable kTable = {Startup,    Cleanup,    Reserved,    Connect,     Disconnect,
                                 FindDevice, OpenDevice, CloseDevice, ReadButtons, ShowFrame};

}  // namespace

extern "C" {

__declspec(dllexport) const LscFunctionTable* __stdcall GetInterface(DWORD version) {
    return version == kLscInterfaceVersion ? &kTable : nullptr;
}

__declspec(dllexport) DWORD StandInFrameCount() {
    return static_cast<DWORD>(Service().FrameCount());
}

// The frame on the LCD now; FALSE when there is none.
__declspec(dllexport) BOOL StandInDisplayed(DWORD* priority, BYTE* pixels) {
    testbed::LcdShownFrame frame;
    if (!Service().Displayed(frame))
        return FALSE;
    *priority = frame.priority;
    std::memcpy(pixels, frame.pixels.data(), kLcdPixelBytes);
    return TRUE;
}

__declspec(dllexport) int StandInCallCount(int entry) {
    return Service().CallCount(entry);
}
__declspec(dllexport) void StandInUnplug() {
    Service().Unplug();
}
__declspec(dllexport) void StandInPlug() {
    Service().Plug();
}
__declspec(dllexport) void StandInHold(DWORD bits) {
    Service().Hold(bits);
}
__declspec(dllexport) void StandInRelease(DWORD bits) {
    Service().Release(bits);
}

}  // extern "C"
