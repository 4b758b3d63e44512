// The service client: finding and loading the service, the start-up rules and the wrappers.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "hostwin/control/modules.h"
#include "lcdservice/LcdService.h"
#include "support/LcdWorld.h"

namespace {

using testbed::LcdRegistration;
using Client = LcdWorld;

// Every wrapper, called with harmless arguments; returns their results in table order.
std::vector<DWORD> CallEveryWrapper() {
    LscConnectRecord connect = {"probe", 0, 0, 0, 0, -1};
    LscDeviceRecord description = {};
    LscOpenRecord open = {};
    LscFrame frame = {};
    DWORD buttons = 0;
    return {LscConnect(&connect),        LscDisconnect(1),  LscFindDevice(1, 0, &description),
            LscOpenDevice(&open),        LscCloseDevice(1), LscReadButtons(1, &buttons),
            LscShowFrame(1, &frame, 128)};
}

void ExpectEveryWrapperRefuses() {
    for (DWORD result : CallEveryWrapper())
        EXPECT_EQ(result, static_cast<DWORD>(ERROR_SERVICE_NOT_ACTIVE))
            << "a wrapper reached the service before start-up";
}

TEST_F(Client, StartsAndEndsTheServiceThroughTheRegisteredModule) {
    EXPECT_EQ(LscStartup(), 0u);
    EXPECT_TRUE(ModuleLoaded());
    EXPECT_EQ(service->InterfaceRequests(), 1);
    EXPECT_EQ(service->CallCount(testbed::kLcdStartup), 1);
    EXPECT_TRUE(service->Initialised());
    EXPECT_EQ(LscCleanup(), 0u);
    EXPECT_EQ(service->CallCount(testbed::kLcdCleanup), 1);
    EXPECT_FALSE(ModuleLoaded()) << "cleanup unloads the module";
    ExpectEveryWrapperRefuses();
}

TEST_F(Client, AServiceThatCannotBeHadGives1722AndLeavesNothingLoaded) {
    for (LcdRegistration registration :
         {LcdRegistration::Missing, LcdRegistration::Unloadable,
          LcdRegistration::WithoutGetInterface, LcdRegistration::NullTable}) {
        service->SetRegistration(registration);
        EXPECT_EQ(LscStartup(), static_cast<DWORD>(RPC_S_SERVER_UNAVAILABLE))
            << "registration " << static_cast<int>(registration);
        EXPECT_FALSE(ModuleLoaded()) << "registration " << static_cast<int>(registration);
        EXPECT_EQ(GetModuleHandleA("testbed_lcdservice_noexport.so"), nullptr)
            << "a module without GetInterface is unloaded again";
        ExpectEveryWrapperRefuses();
        EXPECT_EQ(LscCleanup(), 0u) << "nothing to end";
    }
    EXPECT_EQ(service->CallCount(testbed::kLcdStartup), 0);
    EXPECT_EQ(service->InterfaceRequests(), 1) << "only the null-table module was asked";
}

TEST_F(Client, SecondStartupGives1247WithoutStartingTheServiceAgain) {
    ASSERT_EQ(LscStartup(), 0u);
    EXPECT_EQ(LscStartup(), static_cast<DWORD>(ERROR_ALREADY_INITIALIZED));
    EXPECT_EQ(service->CallCount(testbed::kLcdStartup), 1);
    EXPECT_EQ(service->InterfaceRequests(), 1);
}

TEST_F(Client, CleanupBeforeStartupDoesNothing) {
    EXPECT_EQ(LscCleanup(), 0u);
    EXPECT_EQ(service->CallCount(testbed::kLcdCleanup), 0);
    EXPECT_FALSE(ModuleLoaded());
}

// A failing start-up entry still leaves the client started and the module loaded: the
// result is the service's, and only cleanup undoes it.
TEST_F(Client, FailedServiceStartupKeepsTheClientStartedUntilCleanup) {
    service->FailNext(testbed::kLcdStartup, 31);
    EXPECT_EQ(LscStartup(), 31u);
    EXPECT_TRUE(ModuleLoaded());
    EXPECT_EQ(LscStartup(), static_cast<DWORD>(ERROR_ALREADY_INITIALIZED));
    service->FailNext(testbed::kLcdCleanup, 1234);
    EXPECT_EQ(LscCleanup(), 1234u) << "cleanup hands back the service's result";
    EXPECT_FALSE(ModuleLoaded());
    ExpectEveryWrapperRefuses();
}

TEST_F(Client, WrappersPassArgumentsAndResultsThrough) {
    ASSERT_EQ(LscStartup(), 0u);
    LscConnectRecord connect = {"Velm's G15 Winamp Plugin", 0, 0, 0, 0, -1};
    ASSERT_EQ(LscConnect(&connect), 0u);
    EXPECT_NE(connect.connection, -1) << "the service writes the handle into the record";
    LscDeviceRecord description = {};
    EXPECT_EQ(LscFindDevice(connect.connection, 0, &description), 0u);
    EXPECT_EQ(LscFindDevice(connect.connection, 1, &description),
              static_cast<DWORD>(ERROR_NO_MORE_ITEMS));
    LscOpenRecord open = {connect.connection, 0, 0, 0, 0};
    ASSERT_EQ(LscOpenDevice(&open), 0u);
    LscFrame frame = {};
    frame.format = 1;
    frame.pixels[161] = 200;
    EXPECT_EQ(LscShowFrame(open.device, &frame, 255), 0u);
    testbed::LcdShownFrame shown;
    ASSERT_TRUE(service->Displayed(shown));
    EXPECT_EQ(shown.application, "Velm's G15 Winamp Plugin");
    EXPECT_EQ(shown.priority, 255u);
    EXPECT_EQ(shown.pixels[161], 200);
    service->Hold(kSoftButton2 | kSoftButton4);
    DWORD buttons = 0;
    EXPECT_EQ(LscReadButtons(open.device, &buttons), 0u);
    EXPECT_EQ(buttons, 10u);
    service->FailNext(testbed::kLcdShowFrame, 4242);
    EXPECT_EQ(LscShowFrame(open.device, &frame, 128), 4242u);
    EXPECT_EQ(LscCloseDevice(open.device), 0u);
    EXPECT_EQ(LscDisconnect(connect.connection), 0u);
    EXPECT_EQ(LscDisconnect(connect.connection), static_cast<DWORD>(ERROR_INVALID_HANDLE));
}

// The path is read into a fixed buffer. A value written without its terminator must end
// where the value ends, not run on into what a longer earlier path left behind.
TEST_F(Client, APathWithoutTerminatorIsNotLengthenedByAnEarlierOne) {
    std::string real =
        control::WindowsPath(std::string(VELM_BUILD_DIR) + "/testbed/testbed_lcdservice.so");
    HKEY key;
    ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, kLscServerBinaryKey, 0, nullptr, 0, KEY_WRITE,
                              nullptr, &key, nullptr),
              ERROR_SUCCESS);
    std::string longer = real + ".spare";
    RegSetValueExA(key, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(longer.c_str()),
                   static_cast<DWORD>(longer.size() + 1));
    EXPECT_EQ(LscStartup(), static_cast<DWORD>(RPC_S_SERVER_UNAVAILABLE)) << "no such file";
    RegSetValueExA(key, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(real.data()),
                   static_cast<DWORD>(real.size()));
    RegCloseKey(key);
    EXPECT_EQ(LscStartup(), 0u) << "the unterminated path " << real << " was not read as itself";
}

}  // namespace
