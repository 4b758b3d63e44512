// Devices plugged into the stand-in's HID bus, as SetupAPI, CreateFileA and HidD_* see them.
#include <windows.h>
#include <setupapi.h>
extern "C" {
#include <hidsdi.h>
}

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "hostwin/control/hid.h"

namespace {

class HidBus : public ::testing::Test {
protected:
    void TearDown() override { control::UnplugAllHidDevices(); }

    static control::HidDevice Device(const std::string& path, USHORT vendor, USHORT product,
                                     bool opens = true) {
        control::HidDevice device;
        device.path = path;
        device.vendorId = vendor;
        device.productId = product;
        device.opens = opens;
        return device;
    }

    static std::vector<std::string> ListedPaths() {
        GUID guid;
        HidD_GetHidGuid(&guid);
        HDEVINFO set =
            SetupDiGetClassDevsA(&guid, nullptr, nullptr, DIGCF_PRESENT | DIGCF_DEVICEINTERFACE);
        std::vector<std::string> paths;
        SP_DEVICE_INTERFACE_DATA data = {};
        data.cbSize = sizeof data;
        for (DWORD i = 0; SetupDiEnumDeviceInterfaces(set, nullptr, &guid, i, &data); ++i) {
            DWORD needed = 0;
            SetupDiGetDeviceInterfaceDetailA(set, &data, nullptr, 0, &needed, nullptr);
            auto* detail = static_cast<SP_DEVICE_INTERFACE_DETAIL_DATA_A*>(std::malloc(needed));
            detail->cbSize = sizeof *detail;
            if (SetupDiGetDeviceInterfaceDetailA(set, &data, detail, needed, nullptr, nullptr))
                paths.push_back(detail->DevicePath);
            std::free(detail);
        }
        SetupDiDestroyDeviceInfoList(set);
        return paths;
    }

    static HANDLE Open(const std::string& path) {
        return CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE,
                           FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                           FILE_FLAG_OVERLAPPED, nullptr);
    }
};

TEST_F(HidBus, DevicesAreListedInTheOrderPluggedAndOpenByPathWhateverTheCase) {
    control::PlugHidDevice(Device("\\\\?\\hid#a", 0x1111, 0x0001));
    int busy = control::PlugHidDevice(Device("\\\\?\\hid#b", 0x046D, 0xC222, false));
    int g15 = control::PlugHidDevice(Device("\\\\?\\hid#c", 0x046D, 0xC222));
    EXPECT_EQ(ListedPaths(),
              (std::vector<std::string>{"\\\\?\\hid#a", "\\\\?\\hid#b", "\\\\?\\hid#c"}));

    EXPECT_EQ(Open("\\\\?\\hid#b"), INVALID_HANDLE_VALUE) << "a device that does not open";
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SHARING_VIOLATION));
    EXPECT_EQ(control::OpenHidHandles(busy), 0);

    HANDLE device = Open("\\\\?\\HID#C");
    ASSERT_NE(device, INVALID_HANDLE_VALUE);
    EXPECT_EQ(control::OpenHidHandles(g15), 1);
    HIDD_ATTRIBUTES attributes = {};
    ASSERT_TRUE(HidD_GetAttributes(device, &attributes));
    EXPECT_EQ(attributes.Size, sizeof attributes);
    EXPECT_EQ(attributes.VendorID, 0x046D);
    EXPECT_EQ(attributes.ProductID, 0xC222);
    EXPECT_TRUE(CloseHandle(device));
    EXPECT_EQ(control::OpenHidHandles(g15), 0) << "closing the handle releases the device";
}

TEST_F(HidBus, FeatureReportsReachTheDeviceAndAFailedGetLeavesTheBufferAlone) {
    std::vector<std::vector<unsigned char>> seen;
    bool answer = true;
    control::HidDevice device = Device("\\\\?\\hid#lights", 0x046D, 0xC222);
    device.onFeature = [&](bool set, unsigned char* report, unsigned long length) {
        seen.emplace_back(report, report + length);
        seen.back().push_back(set ? 'S' : 'G');
        if (!set)
            for (unsigned long i = 1; i < length; ++i)
                report[i] = static_cast<unsigned char>(0xA0 + i);
        return answer;
    };
    control::PlugHidDevice(device);
    HANDLE handle = Open("\\\\?\\hid#lights");
    ASSERT_NE(handle, INVALID_HANDLE_VALUE);

    unsigned char written[4] = {2, 4, 15, 0};
    EXPECT_TRUE(HidD_SetFeature(handle, written, sizeof written));
    unsigned char read[4] = {2, 1, 0, 0};
    EXPECT_TRUE(HidD_GetFeature(handle, read, sizeof read));
    EXPECT_EQ(std::vector<unsigned char>(read, read + 4),
              (std::vector<unsigned char>{2, 0xA1, 0xA2, 0xA3}));
    answer = false;
    unsigned char failed[4] = {2, 1, 0, 0};
    EXPECT_FALSE(HidD_GetFeature(handle, failed, sizeof failed));
    EXPECT_EQ(std::vector<unsigned char>(failed, failed + 4),
              (std::vector<unsigned char>{2, 1, 0, 0}))
        << "what the device wrote before failing must not reach the caller";
    ASSERT_EQ(seen.size(), 3u);
    EXPECT_EQ(seen[0], (std::vector<unsigned char>{2, 4, 15, 0, 'S'}));
    EXPECT_EQ(seen[1], (std::vector<unsigned char>{2, 1, 0, 0, 'G'}));
    CloseHandle(handle);
}

}  // namespace
