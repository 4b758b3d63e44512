// The product's LCD output under Wine: the service client finds the stand-in service DLL
// through the real registry, connects, opens the device and pushes frames drawn by the real
// GDI, which must equal the reference frame that hostwin draws too.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "lcd/LCDOutput.h"
#include "support/FrameArt.h"
#include "support/GdiScene.h"

namespace {

constexpr char kStandIn[] = "velm_lcd_standin.dll";
constexpr int kShowFrameEntry = 9;

class Scene : public CLCDBase {
    void OnDraw(CLCDGfx& gfx) override { DrawGdiScene(gfx.GetDrawingDC()); }
};

class Screen : public CLCDManager {
public:
    void OnSoftButtonDown(int button) override {
        events.push_back("down " + std::to_string(button));
    }
    void OnSoftButtonUp(int button) override { events.push_back("up " + std::to_string(button)); }
    std::vector<std::string> events;
};

// Where this function's caller has its stack: the same after any number of balanced calls.
__attribute__((noinline)) const void* CallerStack() {
    return __builtin_frame_address(0);
}

template <typename T>
T Export(HMODULE module, const char* name) {
    return reinterpret_cast<T>(reinterpret_cast<void (*)()>(GetProcAddress(module, name)));
}

class WineLcd : public ::testing::Test {
protected:
    void SetUp() override {
        char exe[MAX_PATH];
        DWORD n = GetModuleFileNameA(nullptr, exe, sizeof exe);
        std::string path(exe, n);
        path = path.substr(0, path.find_last_of("\\/") + 1) + kStandIn;
        HKEY key;
        ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, kLscServerBinaryKey, 0, nullptr, 0, KEY_WRITE,
                                  nullptr, &key, nullptr),
                  ERROR_SUCCESS);
        ASSERT_EQ(
            RegSetValueExA(key, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(path.c_str()),
                           static_cast<DWORD>(path.size() + 1)),
            ERROR_SUCCESS);
        RegCloseKey(key);
        // Held here too, so that the service's state outlives the client's unloading.
        standIn = LoadLibraryA(path.c_str());
        ASSERT_NE(standIn, nullptr) << path;
        frameCount = Export<DWORD (*)()>(standIn, "StandInFrameCount");
        displayed = Export<BOOL (*)(DWORD*, BYTE*)>(standIn, "StandInDisplayed");
        callCount = Export<int (*)(int)>(standIn, "StandInCallCount");
        unplug = Export<void (*)()>(standIn, "StandInUnplug");
        plug = Export<void (*)()>(standIn, "StandInPlug");
        hold = Export<void (*)(DWORD)>(standIn, "StandInHold");
        release = Export<void (*)(DWORD)>(standIn, "StandInRelease");
        ASSERT_TRUE(frameCount && displayed && callCount && unplug && plug && hold && release);

        scene.SetSize(160, 43);
        screen.AppendChild(&scene);
        screen.SetStartTime(GetTickCount() | 1);
        screen.SetExpiration(kNeverExpires);
        output.RegisterScreen(&screen);
        output.PinScreen(&screen);
    }
    void TearDown() override {
        output.Shutdown();
        EXPECT_EQ(g_lscConnectionCount, 0);
        FreeLibrary(standIn);
        RegDeleteKeyA(HKEY_LOCAL_MACHINE, kLscServerBinaryKey);
    }
    void Frame() {
        output.Update(GetTickCount());
        output.Draw();
    }
    frameart::Art OnLcd(DWORD* priority) {
        std::vector<BYTE> pixels(kLcdPixelBytes);
        if (!displayed(priority, pixels.data()))
            return {};
        return frameart::FromPixels(pixels.data(), kLcdWidth, kLcdHeight, kLcdWidth);
    }

    HMODULE standIn = nullptr;
    DWORD (*frameCount)() = nullptr;
    BOOL (*displayed)(DWORD*, BYTE*) = nullptr;
    int (*callCount)(int) = nullptr;
    void (*unplug)() = nullptr;
    void (*plug)() = nullptr;
    void (*hold)(DWORD) = nullptr;
    void (*release)(DWORD) = nullptr;
    Scene scene;
    Screen screen;
    CLCDOutput output;
};

TEST_F(WineLcd, FramesDrawnByRealGdiReachTheServiceAsTheReferenceFrame) {
    ASSERT_EQ(output.Open(nullptr), S_OK) << "the client found no service through the registry";
    DWORD before = frameCount();
    for (int i = 0; i < 3; ++i)
        Frame();
    EXPECT_NE(output.GetConnection(), kNoHandle);
    EXPECT_NE(output.GetDevice(), kNoHandle);
    EXPECT_EQ(frameCount() - before, 3u) << "the service takes only frames of format 1";
    DWORD priority = 0;
    frameart::Art shown = OnLcd(&priority);
    EXPECT_EQ(priority, 128u);
    EXPECT_TRUE(
        frameart::Same(frameart::Read(std::string(VELM_TEST_DATA) + "/gdi_scene.txt"), shown));
}

TEST_F(WineLcd, UnplugAndReplugAreRecoveredAndButtonsReported) {
    ASSERT_EQ(output.Open(nullptr), S_OK);
    Frame();
    int connection = output.GetConnection();
    hold(kSoftButton3);
    Frame();
    unplug();
    Frame();
    EXPECT_EQ(output.GetDevice(), kNoHandle);
    EXPECT_EQ(output.GetConnection(), connection);
    release(kSoftButton3);
    Frame();
    plug();
    DWORD before = frameCount();
    Frame();
    Frame();
    EXPECT_EQ(frameCount() - before, 2u);
    EXPECT_EQ(output.GetConnection(), connection);
    EXPECT_EQ(screen.events, (std::vector<std::string>{"down 4", "up 4"}));
    EXPECT_GT(callCount(kShowFrameEntry), 0);
}

// The service's entries are __stdcall on the 32-bit build: a caller that took them for the C
// convention would move its stack by the arguments on every call, and soon crash.
TEST_F(WineLcd, ThousandsOfFramesThroughTheServiceLeaveTheStackWhereItWas) {
    ASSERT_EQ(output.Open(nullptr), S_OK);
    const DWORD frames = 2000;
    DWORD before = frameCount();
    int callsBefore = callCount(kShowFrameEntry);
    const void* stack = CallerStack();
    for (DWORD i = 0; i < frames; ++i)
        Frame();
    EXPECT_EQ(CallerStack(), stack);
    EXPECT_EQ(frameCount() - before, frames);
    EXPECT_EQ(callCount(kShowFrameEntry) - callsBefore, static_cast<int>(frames));
}

}  // namespace
