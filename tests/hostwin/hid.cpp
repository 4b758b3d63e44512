// HID interface enumeration as SetupAPI hands it out, whatever devices are present (Wine has
// a few virtual ones; the stand-in none unless a test plugs some in).
#include <windows.h>
#include <setupapi.h>
extern "C" {
#include <hidsdi.h>
}

#include <gtest/gtest.h>

#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

TEST(Hid, InterfaceClassIsTheHidGuid) {
    GUID guid = {};
    HidD_GetHidGuid(&guid);
    const GUID expected = {
        0x4D1E55B2, 0xF16F, 0x11CF, {0x88, 0xCB, 0x00, 0x11, 0x11, 0x00, 0x00, 0x30}};
    EXPECT_EQ(std::memcmp(&guid, &expected, sizeof guid), 0)
        << "expected {4D1E55B2-F16F-11CF-88CB-001111000030}, got " << std::hex << guid.Data1;
}

TEST(Hid, EnumerationChecksRecordSizesAndEndsWithNoMoreItems) {
    GUID guid;
    HidD_GetHidGuid(&guid);
    HDEVINFO set =
        SetupDiGetClassDevsA(&guid, nullptr, nullptr, DIGCF_PRESENT | DIGCF_DEVICEINTERFACE);
    ASSERT_NE(set, INVALID_HANDLE_VALUE);

    SP_DEVICE_INTERFACE_DATA data = {};
    data.cbSize = sizeof data - 1;
    EXPECT_FALSE(SetupDiEnumDeviceInterfaces(set, nullptr, &guid, 0, &data));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER))
        << "interface data with a wrong size field";

    DWORD index = 0;
    for (;; ++index) {
        data.cbSize = sizeof data;
        if (!SetupDiEnumDeviceInterfaces(set, nullptr, &guid, index, &data))
            break;
        DWORD needed = 0;
        EXPECT_FALSE(SetupDiGetDeviceInterfaceDetailA(set, &data, nullptr, 0, &needed, nullptr));
        EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
        ASSERT_GT(needed, sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_A));
        auto* detail = static_cast<SP_DEVICE_INTERFACE_DETAIL_DATA_A*>(std::calloc(1, needed));
        detail->cbSize = 1;
        EXPECT_FALSE(
            SetupDiGetDeviceInterfaceDetailA(set, &data, detail, needed, nullptr, nullptr));
        EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_USER_BUFFER))
            << "a detail record whose size field is not this build's";
        detail->cbSize = sizeof *detail;
        EXPECT_FALSE(
            SetupDiGetDeviceInterfaceDetailA(set, &data, detail, needed - 1, nullptr, nullptr));
        EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
        ASSERT_TRUE(SetupDiGetDeviceInterfaceDetailA(set, &data, detail, needed, nullptr, nullptr));
        EXPECT_EQ(needed, offsetof(SP_DEVICE_INTERFACE_DETAIL_DATA_A, DevicePath) +
                              std::strlen(detail->DevicePath) + 1)
            << "the size asked for is the path's and no more: " << detail->DevicePath;
        std::free(detail);
    }
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NO_MORE_ITEMS)) << "after " << index;
    EXPECT_TRUE(SetupDiDestroyDeviceInfoList(set));
}

TEST(Hid, OpeningADevicePathThatIsNotThereFails) {
    HANDLE device =
        CreateFileA("\\\\?\\hid#vid_046d&pid_ffff#0#{4d1e55b2-f16f-11cf-88cb-001111000030}",
                    GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                    OPEN_EXISTING, FILE_FLAG_OVERLAPPED, nullptr);
    EXPECT_EQ(device, INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
}

}  // namespace
