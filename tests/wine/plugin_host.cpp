// The win64 plug-in DLL loaded as the player loads it, with a real player window answering
// on this (the player's) thread, under Wine's real Win32.
#include <windows.h>
#include <setupapi.h>
#include <tlhelp32.h>
extern "C" {
#include <hidsdi.h>
}

#include <gtest/gtest.h>

#include <cstdio>
#include <set>
#include <string>

#include "plugin/PluginRecord.h"

namespace {

int g_captionReads = 0;

LRESULT CALLBACK PlayerProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_GETTEXT) ++g_captionReads;
    if (msg == WM_USER) return 0;
    return DefWindowProcA(hwnd, msg, wp, lp);
}

HWND MakePlayerWindow() {
    WNDCLASSA wc = {};
    wc.lpfnWndProc = PlayerProc;
    wc.lpszClassName = "wine test player";
    RegisterClassA(&wc);
    return CreateWindowExA(0, "wine test player", "1. Artist - Song - Winamp", 0, 0, 0, 0, 0,
                           HWND_MESSAGE, nullptr, nullptr, nullptr);
}

// The player's loop: handles everything for ms milliseconds.
void Pump(DWORD ms) {
    DWORD start = GetTickCount();
    while (GetTickCount() - start < ms) {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
    }
}

std::set<DWORD> ThreadsOfThisProcess() {
    std::set<DWORD> ids;
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
    THREADENTRY32 entry = {};
    entry.dwSize = sizeof entry;
    for (BOOL more = Thread32First(snapshot, &entry); more; more = Thread32Next(snapshot, &entry))
        if (entry.th32OwnerProcessID == GetCurrentProcessId()) ids.insert(entry.th32ThreadID);
    CloseHandle(snapshot);
    return ids;
}

bool Ended(DWORD threadId) {
    HANDLE thread = OpenThread(SYNCHRONIZE, FALSE, threadId);
    if (!thread) return true;
    bool ended = WaitForSingleObject(thread, 0) == WAIT_OBJECT_0;
    CloseHandle(thread);
    return ended;
}

using GetPlugin = PluginRecord* (*)();

class PluginDll : public ::testing::Test {
protected:
    void SetUp() override {
        module = LoadLibraryA("gen_g15_velm.dll");
        ASSERT_NE(module, nullptr) << "error " << GetLastError();
        get = reinterpret_cast<GetPlugin>(
            reinterpret_cast<void (*)()>(GetProcAddress(module, "winampGetGeneralPurposePlugin")));
        ASSERT_NE(get, nullptr);
    }
    HMODULE module = nullptr;
    GetPlugin get = nullptr;
};

TEST_F(PluginDll, ExportHandsOutOneRecordWithVersionAndDescription) {
    PluginRecord* record = get();
    EXPECT_EQ(record, get());
    EXPECT_EQ(record->version, 16);
    EXPECT_STREQ(record->description, "Velm's G15 Plugin v0.1 (gen_g15_velm.dll)");
    EXPECT_EQ(record->playerWindow, nullptr);
    EXPECT_EQ(record->moduleInstance, nullptr);
}

TEST_F(PluginDll, QuitReturnsOnlyAfterTheDisplayThreadHasEnded) {
    PluginRecord* record = get();
    record->playerWindow = MakePlayerWindow();
    record->moduleInstance = module;
    ASSERT_NE(record->playerWindow, nullptr);

    std::set<DWORD> before = ThreadsOfThisProcess();
    EXPECT_EQ(record->init(), 0);
    Pump(300);
    std::set<DWORD> during = ThreadsOfThisProcess();
    std::set<DWORD> started;
    for (DWORD id : during)
        if (!before.count(id)) started.insert(id);
    EXPECT_GE(started.size(), 1u) << "init starts the display thread";
    EXPECT_GE(g_captionReads, 3) << "the display thread reads the caption every 50 ms";

    // Quit right away, without pumping first: the display thread's next caption read can only
    // be answered by quit's own wait.
    record->quit();
    for (DWORD id : started) EXPECT_TRUE(Ended(id)) << "thread " << id << " outlived quit";
    int readsAtQuit = g_captionReads;
    Pump(200);
    EXPECT_EQ(g_captionReads, readsAtQuit) << "no caption read after quit";
    DestroyWindow(record->playerWindow);
}

std::string ReadWholeFile(const std::string& path) {
    FILE* file = std::fopen(path.c_str(), "rb");
    if (!file)
        return "<no file>";
    std::string text;
    for (int c; (c = std::fgetc(file)) != EOF;)
        text += static_cast<char>(c);
    std::fclose(file);
    return text;
}

TEST_F(PluginDll, InitWritesTheSettingsFileBesideTheDllWithTheElevenDefaults) {
    char dll[MAX_PATH];
    DWORD length = GetModuleFileNameA(module, dll, MAX_PATH);
    ASSERT_GT(length, 0u);
    std::string ini = std::string(dll, length);
    ini = ini.substr(0, ini.rfind('\\') + 1) + "VelmG15.ini";
    DeleteFileA(ini.c_str());

    PluginRecord* record = get();
    record->playerWindow = MakePlayerWindow();
    record->moduleInstance = module;
    EXPECT_EQ(record->init(), 0);
    Pump(200);
    record->quit();
    DestroyWindow(record->playerWindow);

    EXPECT_EQ(ReadWholeFile(ini),
              "[General]\r\nVU=1\r\nKeyboardLight=0\r\nKeyboardLightOffLevel=0\r\n"
              "LeavePlaylist=1\r\nLeaveVolume=1\r\nLeaveSettings=0\r\nSaveLcd=0\r\nSaveMkeys=0\r\n"
              "SaveKeyboard=0\r\nAlertVolume=1\r\nAlertSongChange=1\r\n")
        << "in " << ini;
    DeleteFileA(ini.c_str());
}

// Wine offers a few virtual HID devices but no G15, so the plug-in's search above (run on the
// real SetupAPI) opens and closes them and then leaves every light alone.
TEST(WineDesk, NoHidInterfaceIsAG15) {
    GUID guid;
    HidD_GetHidGuid(&guid);
    HDEVINFO set =
        SetupDiGetClassDevsA(&guid, nullptr, nullptr, DIGCF_PRESENT | DIGCF_DEVICEINTERFACE);
    ASSERT_NE(set, INVALID_HANDLE_VALUE);
    SP_DEVICE_INTERFACE_DATA data = {};
    data.cbSize = sizeof data;
    for (DWORD i = 0; SetupDiEnumDeviceInterfaces(set, nullptr, &guid, i, &data); ++i) {
        char buffer[1024];
        auto* detail = reinterpret_cast<SP_DEVICE_INTERFACE_DETAIL_DATA_A*>(buffer);
        detail->cbSize = sizeof *detail;
        ASSERT_TRUE(
            SetupDiGetDeviceInterfaceDetailA(set, &data, detail, sizeof buffer, nullptr, nullptr));
        HANDLE device = CreateFileA(detail->DevicePath, GENERIC_READ | GENERIC_WRITE,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                    FILE_FLAG_OVERLAPPED, nullptr);
        if (device == INVALID_HANDLE_VALUE)
            continue;
        HIDD_ATTRIBUTES attributes = {};
        attributes.Size = sizeof attributes;
        EXPECT_TRUE(HidD_GetAttributes(device, &attributes));
        EXPECT_FALSE(attributes.VendorID == 0x046D && attributes.ProductID == 0xC222)
            << detail->DevicePath;
        CloseHandle(device);
    }
    SetupDiDestroyDeviceInfoList(set);
}

}  // namespace
