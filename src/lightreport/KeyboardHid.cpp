#include "lightreport/KeyboardHid.h"

#include <setupapi.h>
// The HID header of the Windows SDK has no C++ linkage block of its own.
extern "C" {
#include <hidsdi.h>
}

#include <cstdlib>

// The 32-bit records the search hands to SetupAPI: 28 bytes of interface data, and a detail
// record whose fixed part is 5 bytes.
static_assert(sizeof(void*) != 4 || (sizeof(SP_DEVICE_INTERFACE_DATA) == 28 &&
                                     sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_A) == 5),
              "SetupAPI records as the 32-bit player's Windows lays them out");

std::atomic<int> g_keyboardFound{0};

namespace {

// Set by FindKeyboard before the display thread exists; only read afterwards.
HANDLE g_keyboard = INVALID_HANDLE_VALUE;

std::atomic<unsigned char> g_savedSelector1{0};
std::atomic<unsigned char> g_savedMkeys{0};
std::atomic<unsigned char> g_savedSelector2{0};

std::atomic<unsigned char>* SavedSlot(int selector) {
    switch (selector) {
        case kLightSelector1:
            return &g_savedSelector1;
        case kLightSelector2:
            return &g_savedSelector2;
        case kLightMkeys:
            return &g_savedMkeys;
        default:
            return nullptr;
    }
}

bool IsKeyboard(HANDLE device) {
    HIDD_ATTRIBUTES attributes = {};
    attributes.Size = sizeof attributes;
    return HidD_GetAttributes(device, &attributes) && attributes.VendorID == kKeyboardVendorId &&
           attributes.ProductID == kKeyboardProductId;
}

// The device path of one interface of the set, in a record the caller frees; null if the
// interface has no usable detail.
SP_DEVICE_INTERFACE_DETAIL_DATA_A* GetInterfaceDetail(HDEVINFO set,
                                                      SP_DEVICE_INTERFACE_DATA* interfaceData) {
    DWORD size = 0;
    SetupDiGetDeviceInterfaceDetailA(set, interfaceData, nullptr, 0, &size, nullptr);
    if (size < sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_A))
        return nullptr;
    auto* detail = static_cast<SP_DEVICE_INTERFACE_DETAIL_DATA_A*>(std::calloc(1, size));
    if (!detail)
        return nullptr;
    detail->cbSize = sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_A);
    if (!SetupDiGetDeviceInterfaceDetailA(set, interfaceData, detail, size, nullptr, nullptr)) {
        std::free(detail);
        return nullptr;
    }
    return detail;
}

HANDLE OpenInterface(const char* path) {
    return CreateFileA(path, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                       nullptr, OPEN_EXISTING, FILE_FLAG_OVERLAPPED, nullptr);
}

}  // namespace

int FindKeyboard() {
    // A second search in the same load does not leak the handle of the first.
    if (g_keyboard != INVALID_HANDLE_VALUE)
        CloseHandle(g_keyboard);
    g_keyboard = INVALID_HANDLE_VALUE;

    GUID hidGuid;
    HidD_GetHidGuid(&hidGuid);
    HDEVINFO set =
        SetupDiGetClassDevsA(&hidGuid, nullptr, nullptr, DIGCF_PRESENT | DIGCF_DEVICEINTERFACE);
    if (set == INVALID_HANDLE_VALUE)
        return 0;
    for (DWORD index = 0;; ++index) {
        SP_DEVICE_INTERFACE_DATA interfaceData = {};
        interfaceData.cbSize = sizeof interfaceData;
        if (!SetupDiEnumDeviceInterfaces(set, nullptr, &hidGuid, index, &interfaceData))
            break;
        SP_DEVICE_INTERFACE_DETAIL_DATA_A* detail = GetInterfaceDetail(set, &interfaceData);
        if (!detail)
            continue;
        HANDLE device = OpenInterface(detail->DevicePath);
        std::free(detail);
        if (device == INVALID_HANDLE_VALUE)
            continue;
        if (IsKeyboard(device)) {
            g_keyboard = device;
            break;
        }
        CloseHandle(device);
    }
    SetupDiDestroyDeviceInfoList(set);
    return g_keyboard != INVALID_HANDLE_VALUE ? 1 : 0;
}

void CloseKeyboard() {
    g_keyboardFound.store(0, std::memory_order_relaxed);
    if (g_keyboard != INVALID_HANDLE_VALUE)
        CloseHandle(g_keyboard);
    g_keyboard = INVALID_HANDLE_VALUE;
}

BYTE ReadLight(int selector) {
    if (!g_keyboardFound.load(std::memory_order_relaxed))
        return 0;
    BYTE report[kLightReportSize] = {kLightReportId, static_cast<BYTE>(selector), 0, 0};
    // A failed read leaves the zeros in place.
    HidD_GetFeature(g_keyboard, report, sizeof report);
    switch (selector) {
        case kLightSelector1:
            return report[2];
        case kLightSelector2:
            return static_cast<BYTE>(report[2] << 4);
        case kLightMkeys:
            return report[3];
        default:
            return 0;
    }
}

void WriteLight(int selector, BYTE value) {
    if (!g_keyboardFound.load(std::memory_order_relaxed))
        return;
    BYTE report[kLightReportSize] = {kLightReportId, static_cast<BYTE>(selector), value, 0};
    HidD_SetFeature(g_keyboard, report, sizeof report);
}

void SaveLightState() {
    SetSavedLight(kLightSelector1, ReadLight(kLightSelector1));
    SetSavedLight(kLightMkeys, ReadLight(kLightMkeys));
    SetSavedLight(kLightSelector2, ReadLight(kLightSelector2));
}

void RestoreLight(int selector) {
    if (SavedSlot(selector))
        WriteLight(selector, GetSavedLight(selector));
}

BYTE GetSavedLight(int selector) {
    std::atomic<unsigned char>* slot = SavedSlot(selector);
    return slot ? slot->load(std::memory_order_relaxed) : 0;
}

void SetSavedLight(int selector, BYTE value) {
    if (std::atomic<unsigned char>* slot = SavedSlot(selector))
        slot->store(value, std::memory_order_relaxed);
}
