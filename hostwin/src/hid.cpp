// HID devices and their SetupAPI enumeration. The device list lives here; a handle from
// CreateFileA names a device by id, so a device unplugged later makes its handles fail.
#include <hidsdi.h>
#include <setupapi.h>
#include <windows.h>

#include <strings.h>

#include <cstddef>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <vector>

#include "hostwin/control/hid.h"
#include "hostwin_private.h"

namespace {

// {4D1E55B2-F16F-11CF-88CB-001111000030}
constexpr GUID kHidGuid = {
    0x4D1E55B2, 0xF16F, 0x11CF, {0x88, 0xCB, 0x00, 0x11, 0x11, 0x00, 0x00, 0x30}};

struct PluggedDevice {
    int id;
    control::HidDevice device;
};

// A snapshot of the device paths, taken when the set was made.
struct DeviceInfoSet {
    std::vector<std::string> paths;
};

std::mutex g_mu;
int g_nextId = 1;
std::map<int, int> g_openHandles;  // by device id

// Made and destroyed with the scheduler's lock held (the handle table's).
struct HidHandle : hostwin::KernelObject {
    int deviceId;
    explicit HidHandle(int id) : deviceId(id) {
        std::lock_guard<std::mutex> lk(g_mu);
        ++g_openHandles[deviceId];
    }
    ~HidHandle() override {
        std::lock_guard<std::mutex> lk(g_mu);
        --g_openHandles[deviceId];
    }
};

std::vector<PluggedDevice>& Devices() {
    static auto* devices = new std::vector<PluggedDevice>;
    return *devices;
}
std::set<DeviceInfoSet*>& Sets() {
    static auto* sets = new std::set<DeviceInfoSet*>;
    return *sets;
}

bool SameGuid(const GUID* a, const GUID& b) {
    return a && std::memcmp(a, &b, sizeof b) == 0;
}

DeviceInfoSet* LiveSet(HDEVINFO set) {
    auto* candidate = static_cast<DeviceInfoSet*>(set);
    return Sets().count(candidate) ? candidate : nullptr;
}

// Hands the device behind a handle to take, under the lock; false with the error that Windows
// gives when there is none.
template <typename Take>
bool WithDeviceOf(HANDLE handle, Take take) {
    std::shared_ptr<HidHandle> object;
    {
        std::lock_guard<std::mutex> lk(hostwin::Scheduler::Get().mu);
        object = hostwin::LookupHandleAs<HidHandle>(handle);
    }
    if (!object) {
        SetLastError(ERROR_INVALID_HANDLE);
        return false;
    }
    std::lock_guard<std::mutex> lk(g_mu);
    for (const auto& plugged : Devices()) {
        if (plugged.id == object->deviceId) {
            take(plugged.device);
            return true;
        }
    }
    SetLastError(ERROR_DEVICE_NOT_CONNECTED);
    return false;
}

// The handler runs without any of the stand-in's locks, on the caller's thread.
BOOLEAN Feature(HANDLE handle, PVOID buffer, ULONG length, bool set) {
    // Only the handler is copied out: a report costs no allocation.
    control::HidFeatureHandler onFeature;
    if (!WithDeviceOf(handle,
                      [&](const control::HidDevice& device) { onFeature = device.onFeature; }))
        return FALSE;
    if (!buffer || length == 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    // The caller's buffer changes only when the call succeeds. Reports are short; a long one
    // gets a buffer of its own.
    unsigned char shortReport[64];
    std::vector<unsigned char> longReport;
    unsigned char* report = shortReport;
    if (length > sizeof shortReport) {
        longReport.resize(length);
        report = longReport.data();
    }
    std::memcpy(report, buffer, length);
    if (!onFeature || !onFeature(set, report, length)) {
        SetLastError(ERROR_GEN_FAILURE);
        return FALSE;
    }
    if (!set)
        std::memcpy(buffer, report, length);
    return TRUE;
}

}  // namespace

namespace control {

int PlugHidDevice(HidDevice device) {
    std::lock_guard<std::mutex> lk(g_mu);
    int id = g_nextId++;
    Devices().push_back(PluggedDevice{id, std::move(device)});
    return id;
}

void UnplugHidDevice(int id) {
    std::lock_guard<std::mutex> lk(g_mu);
    auto& devices = Devices();
    for (auto it = devices.begin(); it != devices.end(); ++it) {
        if (it->id == id) {
            devices.erase(it);
            return;
        }
    }
}

void UnplugAllHidDevices() {
    std::lock_guard<std::mutex> lk(g_mu);
    Devices().clear();
}

int OpenHidHandles(int id) {
    std::lock_guard<std::mutex> lk(g_mu);
    auto it = g_openHandles.find(id);
    return it == g_openHandles.end() ? 0 : it->second;
}

}  // namespace control

extern "C" {

void NTAPI HidD_GetHidGuid(LPGUID guid) {
    if (guid)
        *guid = kHidGuid;
}

BOOLEAN NTAPI HidD_GetAttributes(HANDLE handle, PHIDD_ATTRIBUTES attributes) {
    control::HidDevice device;
    if (!WithDeviceOf(handle, [&](const control::HidDevice& found) { device = found; }))
        return FALSE;
    if (!attributes) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    attributes->Size = sizeof(HIDD_ATTRIBUTES);
    attributes->VendorID = device.vendorId;
    attributes->ProductID = device.productId;
    attributes->VersionNumber = device.versionNumber;
    return TRUE;
}

BOOLEAN NTAPI HidD_GetFeature(HANDLE handle, PVOID buffer, ULONG length) {
    return Feature(handle, buffer, length, false);
}

BOOLEAN NTAPI HidD_SetFeature(HANDLE handle, PVOID buffer, ULONG length) {
    return Feature(handle, buffer, length, true);
}

// Only the HID interface class is known; any other class gives an empty set.
HDEVINFO WINAPI SetupDiGetClassDevsA(const GUID* classGuid, PCSTR, HWND, DWORD flags) {
    auto* set = new DeviceInfoSet;
    std::lock_guard<std::mutex> lk(g_mu);
    if ((flags & DIGCF_DEVICEINTERFACE) && SameGuid(classGuid, kHidGuid))
        for (const auto& plugged : Devices())
            set->paths.push_back(plugged.device.path);
    Sets().insert(set);
    return set;
}

BOOL WINAPI SetupDiEnumDeviceInterfaces(HDEVINFO handle, PSP_DEVINFO_DATA, const GUID* classGuid,
                                        DWORD index, PSP_DEVICE_INTERFACE_DATA data) {
    std::lock_guard<std::mutex> lk(g_mu);
    DeviceInfoSet* set = LiveSet(handle);
    if (!set) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    if (!data || data->cbSize != sizeof(SP_DEVICE_INTERFACE_DATA)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    if (!SameGuid(classGuid, kHidGuid) || index >= set->paths.size()) {
        SetLastError(ERROR_NO_MORE_ITEMS);
        return FALSE;
    }
    data->InterfaceClassGuid = kHidGuid;
    data->Flags = SPINT_ACTIVE;
    data->Reserved = index + 1;
    return TRUE;
}

BOOL WINAPI SetupDiGetDeviceInterfaceDetailA(HDEVINFO handle, PSP_DEVICE_INTERFACE_DATA data,
                                             PSP_DEVICE_INTERFACE_DETAIL_DATA_A detail,
                                             DWORD detailSize, PDWORD requiredSize,
                                             PSP_DEVINFO_DATA) {
    std::lock_guard<std::mutex> lk(g_mu);
    DeviceInfoSet* set = LiveSet(handle);
    if (!set) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    if (!data || data->Reserved == 0 || data->Reserved > set->paths.size()) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    const std::string& path = set->paths[data->Reserved - 1];
    DWORD needed = static_cast<DWORD>(offsetof(SP_DEVICE_INTERFACE_DETAIL_DATA_A, DevicePath) +
                                      path.size() + 1);
    if (requiredSize)
        *requiredSize = needed;
    if (detail && detail->cbSize != sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_A)) {
        SetLastError(ERROR_INVALID_USER_BUFFER);
        return FALSE;
    }
    if (!detail && detailSize != 0) {
        SetLastError(ERROR_INVALID_USER_BUFFER);
        return FALSE;
    }
    if (!detail || detailSize < needed) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return FALSE;
    }
    std::memcpy(detail->DevicePath, path.c_str(), path.size() + 1);
    return TRUE;
}

BOOL WINAPI SetupDiDestroyDeviceInfoList(HDEVINFO handle) {
    std::lock_guard<std::mutex> lk(g_mu);
    DeviceInfoSet* set = LiveSet(handle);
    if (!set) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    Sets().erase(set);
    delete set;
    return TRUE;
}

// Opens the HID devices that are plugged in, by their path (case does not matter, as with
// every Windows path). Other files are not served by the stand-in.
HANDLE WINAPI CreateFileA(LPCSTR name, DWORD, DWORD, LPSECURITY_ATTRIBUTES, DWORD disposition,
                          DWORD, HANDLE) {
    int id = 0;
    bool opens = false;
    {
        std::lock_guard<std::mutex> lk(g_mu);
        for (const auto& plugged : Devices()) {
            if (name && strcasecmp(plugged.device.path.c_str(), name) == 0) {
                id = plugged.id;
                opens = plugged.device.opens;
                break;
            }
        }
    }
    if (id == 0 || disposition != OPEN_EXISTING) {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return INVALID_HANDLE_VALUE;
    }
    if (!opens) {
        SetLastError(ERROR_SHARING_VIOLATION);
        return INVALID_HANDLE_VALUE;
    }
    std::lock_guard<std::mutex> lk(hostwin::Scheduler::Get().mu);
    return hostwin::AddHandle(std::make_shared<HidHandle>(id));
}

}  // extern "C"
