// The win64 plug-in DLL loaded as the player loads it, with a real player window answering
// on this (the player's) thread, under Wine's real Win32.
#include <windows.h>
#include <setupapi.h>
#include <shlobj.h>
#include <tlhelp32.h>
extern "C" {
#include <hidsdi.h>
}

#include <gtest/gtest.h>

#include <cstdio>
#include <set>
#include <string>
#include <vector>
#include <string>

#include "plugin/PluginRecord.h"
#include "support/PlayerLoop.h"
#include "support/WholeFile.h"

namespace {

using playerloop::Pump;
using playerloop::PumpUntil;

int g_captionReads = 0;

// A player whose visualisation is broken: its visual-data function faults on every call.
bool g_faultingVisuals = false;
int g_visualFetches = 0;
char* volatile g_badAddress = reinterpret_cast<char*>(8);
char* __cdecl FaultingVisualData() {
    ++g_visualFetches;
    return g_badAddress + *g_badAddress;
}
void __cdecl NoteVisualRequest(int) {}

LRESULT CALLBACK PlayerProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_GETTEXT)
        ++g_captionReads;
    if (msg == WM_USER && lp == 800 && g_faultingVisuals)  // the visual-data functions
        return wp == 0 ? reinterpret_cast<LRESULT>(FaultingVisualData)
                       : reinterpret_cast<LRESULT>(NoteVisualRequest);
    if (msg == WM_USER)
        return 0;
    return DefWindowProcA(hwnd, msg, wp, lp);
}

HWND MakePlayerWindow() {
    return playerloop::MakePlayerWindow(PlayerProc, "wine test player");
}

LRESULT CALLBACK UnicodePlayerProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_GETTEXT)
        ++g_captionReads;
    if (msg == WM_USER)
        return 0;
    return DefWindowProcW(hwnd, msg, wp, lp);
}

std::set<DWORD> ThreadsOfThisProcess() {
    std::set<DWORD> ids;
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
    THREADENTRY32 entry = {};
    entry.dwSize = sizeof entry;
    for (BOOL more = Thread32First(snapshot, &entry); more; more = Thread32Next(snapshot, &entry))
        if (entry.th32OwnerProcessID == GetCurrentProcessId())
            ids.insert(entry.th32ThreadID);
    CloseHandle(snapshot);
    return ids;
}

// Threads of this process whose start address lies in the module's image.
std::set<DWORD> ThreadsStartingIn(HMODULE module) {
    auto base = reinterpret_cast<const BYTE*>(module);
    auto dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
    auto nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
    const BYTE* end = base + nt->OptionalHeader.SizeOfImage;
    using Query = LONG(WINAPI*)(HANDLE, int, PVOID, ULONG, PULONG);
    auto query = reinterpret_cast<Query>(reinterpret_cast<void (*)()>(
        GetProcAddress(GetModuleHandleA("ntdll.dll"), "NtQueryInformationThread")));
    const int kThreadQuerySetWin32StartAddress = 9;
    std::set<DWORD> ids;
    for (DWORD id : ThreadsOfThisProcess()) {
        HANDLE thread = OpenThread(THREAD_QUERY_INFORMATION, FALSE, id);
        if (!thread)
            continue;
        const BYTE* start = nullptr;
        if (query &&
            query(thread, kThreadQuerySetWin32StartAddress, &start, sizeof start, nullptr) == 0 &&
            start >= base && start < end)
            ids.insert(id);
        CloseHandle(thread);
    }
    return ids;
}

bool Ended(DWORD threadId) {
    HANDLE thread = OpenThread(SYNCHRONIZE, FALSE, threadId);
    if (!thread)
        return true;
    bool ended = WaitForSingleObject(thread, 0) == WAIT_OBJECT_0;
    CloseHandle(thread);
    return ended;
}

using GetPlugin = PluginRecord* (*)();

// The user's own settings file and its folder. Once there it wins at every start, so none may
// be left from an earlier run that ended half-way.
void PerUserSettingsPaths(std::string& folder, std::string& file) {
    char appData[MAX_PATH] = "";
    SHGetFolderPathA(nullptr, CSIDL_APPDATA, nullptr, 0, appData);
    folder = std::string(appData) + "\\VelmG15";
    file = folder + "\\VelmG15.ini";
}
void RemovePerUserSettings() {
    std::string folder, file;
    PerUserSettingsPaths(folder, file);
    DeleteFileA(file.c_str());
    RemoveDirectoryA(folder.c_str());
}

class PluginDll : public ::testing::Test {
protected:
    void SetUp() override {
        RemovePerUserSettings();
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

// What Windows shows in the file's properties: the project's version, in numbers and in text.
TEST_F(PluginDll, CarriesTheProjectsVersionInItsVersionResource) {
    char path[MAX_PATH];
    GetModuleFileNameA(module, path, sizeof path);
    DWORD size = GetFileVersionInfoSizeA(path, nullptr);
    ASSERT_GT(size, 0u) << "no version resource in " << path;
    std::vector<BYTE> info(size);
    ASSERT_TRUE(GetFileVersionInfoA(path, 0, size, info.data()));
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueA(info.data(), "\\", reinterpret_cast<void**>(&fixed), &length));
    std::string numbers = std::to_string(HIWORD(fixed->dwFileVersionMS)) + "." +
                          std::to_string(LOWORD(fixed->dwFileVersionMS)) + "." +
                          std::to_string(HIWORD(fixed->dwFileVersionLS));
    EXPECT_EQ(numbers, VELM_VERSION);
    EXPECT_EQ(LOWORD(fixed->dwFileVersionLS), 0);
    auto text = [&](const char* name) {
        char* value = nullptr;
        std::string key = std::string("\\StringFileInfo\\040904B0\\") + name;
        if (!VerQueryValueA(info.data(), key.c_str(), reinterpret_cast<void**>(&value), &length))
            return std::string("<missing>");
        return std::string(value);
    };
    EXPECT_EQ(text("FileVersion"), VELM_VERSION);
    EXPECT_EQ(text("ProductVersion"), VELM_VERSION);
    EXPECT_EQ(text("ProductName"), "Velm's G15 Plugin");
    EXPECT_EQ(text("FileDescription"), "G15 keyboard display and controller for Winamp");
}

TEST_F(PluginDll, QuitReturnsOnlyAfterTheDisplayThreadHasEnded) {
    PluginRecord* record = get();
    record->playerWindow = MakePlayerWindow();
    record->moduleInstance = module;
    ASSERT_NE(record->playerWindow, nullptr);

    EXPECT_EQ(record->init(), 0);
    EXPECT_TRUE(PumpUntil([] { return g_captionReads >= 3; }))
        << "the display thread reads the caption every 50 ms; read " << g_captionReads;
    // Wine starts threads of its own along the way (for the mixer, say); the display thread
    // is the one that starts in the plug-in's code.
    std::set<DWORD> started = ThreadsStartingIn(module);
    EXPECT_EQ(started.size(), 1u) << "init starts the display thread";

    // Quit right away, without pumping first: the display thread's next caption read can only
    // be answered by quit's own wait.
    record->quit();
    for (DWORD id : started)
        EXPECT_TRUE(Ended(id)) << "thread " << id << " outlived quit";
    int readsAtQuit = g_captionReads;
    Pump(200);
    EXPECT_EQ(g_captionReads, readsAtQuit) << "no caption read after quit";
    DestroyWindow(record->playerWindow);
}

// The player may start and stop the plug-in again and again in one process (a user switching
// it off and on): each init starts one display thread and each quit ends it, whether the
// thread has asked the player anything yet or not.
TEST_F(PluginDll, EachOfManyCyclesStartsAndEndsOneDisplayThread) {
    // The 32-bit run is under an emulator; the 64-bit run takes the bulk.
    const int cycles = sizeof(void*) == 4 ? 6 : 40;
    PluginRecord* record = get();
    record->playerWindow = MakePlayerWindow();
    record->moduleInstance = module;
    for (int i = 0; i < cycles; ++i) {
        SCOPED_TRACE("cycle " + std::to_string(i));
        int reads = g_captionReads;
        ASSERT_EQ(record->init(), 0);
        if (i % 2) {
            EXPECT_TRUE(PumpUntil([&] { return g_captionReads > reads; }));
        }
        std::set<DWORD> started = ThreadsStartingIn(module);
        EXPECT_EQ(started.size(), 1u) << "init starts the display thread";
        record->quit();
        for (DWORD id : started)
            EXPECT_TRUE(Ended(id)) << "thread " << id << " outlived quit";
    }
    DestroyWindow(record->playerWindow);
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

// The plug-in on the stand-in LCD service, found through the real registry.
class PluginOnTheLcd : public PluginDll {
protected:
    void SetUp() override {
        PluginDll::SetUp();
        std::string folder = ModuleFolder();
        std::string service = folder + "velm_lcd_standin.dll";
        HKEY key;
        ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE,
                                  "SOFTWARE\\Classes\\CLSID\\{FE750200-B72E-11d9-829B-0050DA1A72D3}"
                                  "\\ServerBinary",
                                  0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr),
                  ERROR_SUCCESS);
        RegSetValueExA(key, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(service.c_str()),
                       static_cast<DWORD>(service.size() + 1));
        RegCloseKey(key);
        // Held here too, so that the service's frames outlive the plug-in's use of it.
        standIn = LoadLibraryA(service.c_str());
        ASSERT_NE(standIn, nullptr) << service;
        displayed = reinterpret_cast<BOOL (*)(DWORD*, BYTE*)>(
            reinterpret_cast<void (*)()>(GetProcAddress(standIn, "StandInDisplayed")));
        hold = reinterpret_cast<void (*)(DWORD)>(
            reinterpret_cast<void (*)()>(GetProcAddress(standIn, "StandInHold")));
        release = reinterpret_cast<void (*)(DWORD)>(
            reinterpret_cast<void (*)()>(GetProcAddress(standIn, "StandInRelease")));
        ASSERT_TRUE(displayed && hold && release);
        record = get();
        record->playerWindow = MakePlayerWindow();
        record->moduleInstance = module;
    }
    void TearDown() override { DestroyWindow(record->playerWindow); }

    std::string ModuleFolder() {
        char path[MAX_PATH];
        DWORD n = GetModuleFileNameA(module, path, sizeof path);
        std::string folder(path, n);
        return folder.substr(0, folder.find_last_of('\\') + 1);
    }
    void RunWithSongAlerts(bool on) {
        std::string ini = ModuleFolder() + "VelmG15.ini";
        WritePrivateProfileStringA("General", "AlertSongChange", on ? "1" : "0", ini.c_str());
        EXPECT_EQ(record->init(), 0);
    }
    // The frame on the LCD now.
    bool Shown(DWORD& priority, std::vector<BYTE>& pixels) {
        pixels.assign(6880, 0);
        return displayed(&priority, pixels.data());
    }
    static bool AnyLit(const std::vector<BYTE>& pixels, int firstRow, int lastRow) {
        for (int y = firstRow; y <= lastRow; ++y)
            for (int x = 0; x < 160; ++x)
                if (pixels[y * 160 + x] > 128)
                    return true;
        return false;
    }

    HMODULE standIn = nullptr;
    PluginRecord* record = nullptr;
    BOOL (*displayed)(DWORD*, BYTE*) = nullptr;
    void (*hold)(DWORD) = nullptr;
    void (*release)(DWORD) = nullptr;
};

TEST_F(PluginOnTheLcd, ShowsTheTitleAtNormalPriorityAndFollowsASoftButton) {
    RunWithSongAlerts(false);
    DWORD priority = 0;
    std::vector<BYTE> nowPlaying, after;
    ASSERT_TRUE(PumpUntil([&] { return Shown(priority, nowPlaying) && AnyLit(nowPlaying, 0, 7); }))
        << "no frame with a title reached the LCD";
    EXPECT_EQ(priority, 128u);
    hold(2);  // soft button 2: the playlist screen
    Pump(200);
    release(2);
    EXPECT_TRUE(PumpUntil([&] { return Shown(priority, after) && after != nowPlaying; }, 2000))
        << "the soft button changed nothing on the LCD";
    record->quit();
}

TEST_F(PluginOnTheLcd, ACaptionChangeRaisesThePriority) {
    SetWindowTextA(record->playerWindow, "");
    RunWithSongAlerts(true);
    DWORD priority = 0;
    std::vector<BYTE> pixels;
    ASSERT_TRUE(PumpUntil([&] { return Shown(priority, pixels); }));
    EXPECT_EQ(priority, 128u) << "no title yet, so no alert";
    SetWindowTextA(record->playerWindow, "2. Another Artist - Another Song - Winamp");
    EXPECT_TRUE(PumpUntil([&] { return Shown(priority, pixels) && priority == 255u; }, 2000))
        << "the new title raised no alert; priority " << priority;
    record->quit();
}

// A Japanese caption reaches the LCD with its own glyphs: each character drawn alone in the
// title's place differs from the others, from a question mark and from the box of a character
// no font has (U+0378, unassigned).
TEST_F(PluginOnTheLcd, AJapaneseCaptionDrawsEachCharacterWithItsOwnGlyph) {
    DestroyWindow(record->playerWindow);
    record->playerWindow =
        playerloop::MakeUnicodePlayerWindow(UnicodePlayerProc, L"wine test unicode player",
                                            L"1. \x65e5\x672c\x8a9e\x306e\x6b4c - Winamp");
    RunWithSongAlerts(false);
    // The title's rows as the display thread draws them two passes after the caption changed.
    auto titleShowing = [&](const wchar_t* caption) {
        if (caption)
            SetWindowTextW(record->playerWindow, caption);
        int reads = g_captionReads;
        EXPECT_TRUE(PumpUntil([&] { return g_captionReads >= reads + 3; }));
        DWORD priority = 0;
        std::vector<BYTE> pixels;
        EXPECT_TRUE(Shown(priority, pixels));
        return std::vector<BYTE>(pixels.begin(), pixels.begin() + 11 * 160);
    };
    std::vector<BYTE> title = titleShowing(nullptr);
    EXPECT_TRUE(AnyLit(title, 0, 10)) << "the Japanese title left its rows blank";
    EXPECT_NE(title, titleShowing(L"1. ????? - Winamp")) << "the title drawn as question marks";
    const wchar_t* alone[] = {L"1. \x65e5 - Winamp", L"1. \x672c - Winamp", L"1. \x8a9e - Winamp",
                              L"1. \x306e - Winamp", L"1. ? - Winamp",      L"1. \x0378 - Winamp"};
    std::vector<std::vector<BYTE>> glyphs;
    for (const wchar_t* caption : alone)
        glyphs.push_back(titleShowing(caption));
    for (size_t i = 0; i < 4; ++i) {
        EXPECT_TRUE(AnyLit(glyphs[i], 0, 10)) << "character " << i << " drew nothing";
        for (size_t j = i + 1; j < glyphs.size(); ++j)
            EXPECT_NE(glyphs[i], glyphs[j]) << "character " << i << " looks like caption " << j;
    }
    record->quit();
}

// The now-playing screen's spectrum fetches the visual data on every frame.
TEST_F(PluginOnTheLcd, AFaultingVisualDataFunctionEndsOnlyItsOwnCalls) {
    g_faultingVisuals = true;
    RunWithSongAlerts(false);
    EXPECT_TRUE(PumpUntil([] { return g_visualFetches >= 3; }))
        << "the display thread fetched the visual data " << g_visualFetches << " times";
    int reads = g_captionReads;
    EXPECT_TRUE(PumpUntil([&] { return g_captionReads >= reads + 3; }))
        << "the display thread stopped after the faults";
    std::set<DWORD> started = ThreadsStartingIn(module);
    record->quit();
    for (DWORD id : started)
        EXPECT_TRUE(Ended(id)) << "thread " << id << " outlived quit";
    g_faultingVisuals = false;
}

// Wine lets the superuser (who may run these tests) write a read-only file and a read-only
// folder alike; what it refuses to anyone is a write to a file that another program holds
// open without sharing it for writing. So the file beside the DLL is held, readable still, for
// the first start; the second finds it writable again, and the user's own file still wins.
TEST_F(PluginOnTheLcd, WhereTheFileBesideTheDllTakesNoWriteTheUsersOwnFileKeepsTheSettings) {
    std::string ini = ModuleFolder() + "VelmG15.ini";
    std::string perUserFolder, perUser;
    PerUserSettingsPaths(perUserFolder, perUser);
    auto cleanUp = [&] {
        RemovePerUserSettings();
        DeleteFileA(ini.c_str());
    };
    cleanUp();
    WritePrivateProfileStringA("General", "LeaveSettings", "1", ini.c_str());
    HANDLE held =
        CreateFileA(ini.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    std::string beside = ReadWholeFile(ini);
    // Soft button 4 shows the settings, whose cursor starts on the M-key meter; play flips it.
    // Each step waits for the display thread, which takes its time under the emulator.
    auto toggleFirstSetting = [&](const char* expected) {
        DWORD priority = 0;
        std::vector<BYTE> nowPlaying, settings;
        // Two passes of this start's display thread: its now-playing frame is on the LCD, not
        // the last frame of an earlier start.
        int reads = g_captionReads;
        ASSERT_TRUE(PumpUntil([&] { return g_captionReads >= reads + 2; }));
        ASSERT_TRUE(Shown(priority, nowPlaying));
        hold(8);
        ASSERT_TRUE(PumpUntil([&] { return Shown(priority, settings) && settings != nowPlaying; }))
            << "soft button 4 brought no settings screen";
        release(8);
        INPUT input[2] = {};
        input[0].type = input[1].type = INPUT_KEYBOARD;
        input[0].ki.wVk = input[1].ki.wVk = VK_MEDIA_PLAY_PAUSE;
        input[1].ki.dwFlags = KEYEVENTF_KEYUP;
        EXPECT_EQ(SendInput(2, input, sizeof(INPUT)), 2u);
        EXPECT_TRUE(PumpUntil([&] {
            return ReadWholeFile(perUser).find(expected) != std::string::npos;
        })) << "no "
            << expected << " in " << ReadWholeFile(perUser);
    };

    EXPECT_EQ(record->init(), 0);
    EXPECT_EQ(ReadWholeFile(perUser),
              "[General]\r\nVU=1\r\nKeyboardLight=0\r\nKeyboardLightOffLevel=0\r\n"
              "LeavePlaylist=1\r\nLeaveVolume=1\r\nLeaveSettings=1\r\nSaveLcd=0\r\nSaveMkeys=0\r\n"
              "SaveKeyboard=0\r\nAlertVolume=1\r\nAlertSongChange=1\r\n")
        << "made in " << perUserFolder << " with what was read beside the DLL";
    toggleFirstSetting("\r\nVU=0\r\n");
    record->quit();
    CloseHandle(held);

    // The next start reads VU=0 back from the user's file, so the same toggle now gives 1.
    EXPECT_EQ(record->init(), 0);
    toggleFirstSetting("\r\nVU=1\r\n");
    record->quit();
    EXPECT_EQ(ReadWholeFile(ini), beside) << "the file beside the DLL was written";
    cleanUp();
}

}  // namespace
