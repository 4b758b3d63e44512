// What the plug-in costs a real Win32 process, measured under the 64-bit Wine at native speed
// (`make bench-wine`; a benchmark, never a test). The DLL is loaded as the player loads it, on
// the stand-in LCD service, with a player window that plays music:
//  1. the display thread's CPU time per second of real time on the now-playing screen, read
//     with GetThreadTimes over VELM_CPU_SECONDS (30 by default): with a short title, then with
//     a Japanese title of 60 characters scrolling beside a Latin one as wide;
//  2. the keyboard hook's time per key it passes: timed around each call as SendInput delivers
//     the keys (the rest of the chain included), and its own work alone, called directly with
//     the next hook answering at once.
#include <windows.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <set>
#include <string>
#include <tlhelp32.h>

#include "support/ImportPatch.h"
#include "plugin/PluginRecord.h"
#include "support/PlayerLoop.h"

namespace {

using playerloop::Pump;
using playerloop::PumpOnce;

// The player's answers: a track playing since the start, and its visual data moving with it.
DWORD g_startTick = 0;
char g_visualData[576];
int g_passedKeys = 0;
HOOKPROC g_pluginHook = nullptr;
int g_questions = 0;
double g_hookSeconds = 0;
int g_hookCalls = 0;

char* __cdecl VisualData() {
    double t = (GetTickCount() - g_startTick) / 1000.0;
    for (int band = 0; band < 75; ++band)
        g_visualData[band] = static_cast<char>(
            40.0 * (1.0 - band / 90.0) * (0.5 + 0.5 * std::sin(t * (2.0 + band * 0.13) + band)));
    for (int i = 0; i < 74; ++i)
        g_visualData[76 + i] = static_cast<char>(10.0 * std::sin(t * 40.0 + i * 0.5));
    return g_visualData;
}
void __cdecl VisualRequest(int) {}

LRESULT CALLBACK PlayerProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_GETTEXT)
        ++g_questions;
    if (msg != WM_USER)
        return DefWindowProcW(hwnd, msg, wp, lp);
    ++g_questions;
    switch (lp) {
        case 105:  // play time: elapsed ms, or the track's length in s
            return wp == 0 ? static_cast<LRESULT>(GetTickCount() - g_startTick) : 240;
        case 122:  // volume
            return 200;
        case 124:  // playlist length
            return 12;
        case 125:  // playlist position
            return 0;
        case 212:  // an entry's title
            return reinterpret_cast<LRESULT>("Artist - Song");
        case 213:  // the same in UTF-16
            return reinterpret_cast<LRESULT>(L"Artist - Song");
        case 800:  // the visual-data functions
            return wp == 0 ? reinterpret_cast<LRESULT>(VisualData)
                           : reinterpret_cast<LRESULT>(VisualRequest);
        default:
            return 0;
    }
}

LRESULT CALLBACK BehindThePlugin(int code, WPARAM msg, LPARAM lp) {
    if (code == HC_ACTION)
        ++g_passedKeys;
    return CallNextHookEx(nullptr, code, msg, lp);
}

double Now();

// The system calls the plug-in's hook through this, which times each call.
LRESULT CALLBACK TimedPluginHook(int code, WPARAM msg, LPARAM lp) {
    double start = Now();
    LRESULT result = g_pluginHook(code, msg, lp);
    g_hookSeconds += Now() - start;
    ++g_hookCalls;
    return result;
}

HHOOK WINAPI NoteHook(int id, HOOKPROC proc, HINSTANCE instance, DWORD thread) {
    if (id != WH_KEYBOARD_LL)
        return SetWindowsHookExA(id, proc, instance, thread);
    g_pluginHook = proc;
    return SetWindowsHookExA(id, TimedPluginHook, GetModuleHandleA(nullptr), thread);
}

LRESULT WINAPI NoNextHook(HHOOK, int, WPARAM, LPARAM) {
    return 0;
}

double Seconds(const FILETIME& time) {
    ULARGE_INTEGER value;
    value.LowPart = time.dwLowDateTime;
    value.HighPart = time.dwHighDateTime;
    return value.QuadPart / 1e7;
}

double CpuSeconds(HANDLE thread) {
    FILETIME created, exited, kernel, user;
    if (!GetThreadTimes(thread, &created, &exited, &kernel, &user))
        return -1;
    return Seconds(kernel) + Seconds(user);
}

double Now() {
    LARGE_INTEGER count, frequency;
    QueryPerformanceCounter(&count);
    QueryPerformanceFrequency(&frequency);
    return static_cast<double>(count.QuadPart) / static_cast<double>(frequency.QuadPart);
}

// The one thread of this process that starts in the module's image: the display thread.
DWORD DisplayThreadOf(HMODULE module) {
    auto base = reinterpret_cast<const BYTE*>(module);
    auto nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(
        base + reinterpret_cast<const IMAGE_DOS_HEADER*>(base)->e_lfanew);
    const BYTE* end = base + nt->OptionalHeader.SizeOfImage;
    using Query = LONG(WINAPI*)(HANDLE, int, PVOID, ULONG, PULONG);
    auto query = reinterpret_cast<Query>(reinterpret_cast<void (*)()>(
        GetProcAddress(GetModuleHandleA("ntdll.dll"), "NtQueryInformationThread")));
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
    THREADENTRY32 entry = {};
    entry.dwSize = sizeof entry;
    DWORD found = 0;
    for (BOOL more = Thread32First(snapshot, &entry); more; more = Thread32Next(snapshot, &entry)) {
        if (entry.th32OwnerProcessID != GetCurrentProcessId())
            continue;
        HANDLE thread = OpenThread(THREAD_QUERY_INFORMATION, FALSE, entry.th32ThreadID);
        const BYTE* start = nullptr;
        if (thread && query(thread, 9, &start, sizeof start, nullptr) == 0 && start >= base &&
            start < end)
            found = entry.th32ThreadID;
        if (thread)
            CloseHandle(thread);
    }
    CloseHandle(snapshot);
    return found;
}

constexpr char kServerBinaryKey[] =
    "SOFTWARE\\Classes\\CLSID\\{FE750200-B72E-11d9-829B-0050DA1A72D3}\\ServerBinary";

void RegisterStandInService(const std::string& folder) {
    std::string service = folder + "velm_lcd_standin.dll";
    HKEY key;
    RegCreateKeyExA(HKEY_LOCAL_MACHINE, kServerBinaryKey, 0, nullptr, 0, KEY_WRITE, nullptr, &key,
                    nullptr);
    RegSetValueExA(key, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(service.c_str()),
                   static_cast<DWORD>(service.size() + 1));
    RegCloseKey(key);
}

// 60 characters, kana and kanji, as the title's callgrind count has them.
const wchar_t kJapaneseCaption[] =
    L"1. \x30f4\x30a7\x30eb\x30e0\x5f26\x697d\x56db\x91cd\x594f\x56e3 - \x6e56\x306e"
    L"\x671d\x3068\x591c\x306e\x6b4c\x3001\x9759\x304b\x306a\x5c71\x3068\x9060\x3044"
    L"\x6d77\x306e\x7269\x8a9e\x3001\x6625\x590f\x79cb\x51ac\x306e\x5c0f\x3055\x306a"
    L"\x5149\x3068\x5f71\x3092\x96c6\x3081\x305f\x66f2\x96c6\x3001\x7b2c\x4e00\x5dfb"
    L"\x3088\x308a\x5341\x4e8c\x66f2\x3002 - Winamp";

// How wide the title's font draws a caption's title, in pixels.
int TitleWidth(const std::wstring& caption) {
    LOGFONTW lf = {};
    lf.lfHeight = -9;
    lstrcpyW(lf.lfFaceName, L"Tahoma");
    HFONT font = CreateFontIndirectW(&lf);
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(dc, font);
    std::wstring title = caption.substr(3, caption.size() - 3 - 9);  // no number, no suffix
    SIZE size = {0, 0};
    GetTextExtentPoint32W(dc, title.c_str(), static_cast<int>(title.size()), &size);
    SelectObject(dc, old);
    DeleteDC(dc);
    DeleteObject(font);
    return size.cx;
}

std::wstring LatinCaptionAsWideAsTheJapanese() {
    int wanted = TitleWidth(kJapaneseCaption);
    std::wstring caption = L"1. Lisa Marquee - Winamp";
    for (int i = 0; TitleWidth(caption) < wanted; ++i)
        caption.insert(caption.size() - 9, i % 2 ? L" Scroll" : L" Across");
    return caption;
}

void MeasureDisplayThread(HMODULE module, int seconds, const char* what) {
    DWORD id = DisplayThreadOf(module);
    HANDLE thread = OpenThread(THREAD_QUERY_INFORMATION, FALSE, id);
    if (!thread) {
        std::printf("display thread: not found\n");
        return;
    }
    Pump(2000);  // past the start-up: the screens built, the LCD open
    double cpuBefore = CpuSeconds(thread);
    int questionsBefore = g_questions;
    double start = Now();
    Pump(static_cast<DWORD>(seconds) * 1000);
    double real = Now() - start;
    double cpu = CpuSeconds(thread) - cpuBefore;
    std::printf(
        "display thread, now playing with music, %s, over %.1f s: %.3f s of CPU, "
        "%.2f %% of one core; %.0f questions to the player a second\n",
        what, real, cpu, 100.0 * cpu / real, (g_questions - questionsBefore) / real);
    CloseHandle(thread);
}

// The least a question to the player's thread costs the asking thread under Wine: a message
// sent across threads and answered at once. A now-playing pass asks the player eight things.
struct Asker {
    HWND player;
    int messages;
    double cpuSeconds;
};

DWORD WINAPI Ask(LPVOID given) {
    auto* asker = static_cast<Asker*>(given);
    double before = CpuSeconds(GetCurrentThread());
    for (int i = 0; i < asker->messages; ++i)
        SendMessageA(asker->player, WM_USER, 0, 0);
    asker->cpuSeconds = CpuSeconds(GetCurrentThread()) - before;
    return 0;
}

void MeasureQuestionFloor(HWND player) {
    Asker asker = {player, 5000, 0};
    HANDLE thread = CreateThread(nullptr, 0, Ask, &asker, 0, nullptr);
    while (MsgWaitForMultipleObjects(1, &thread, FALSE, INFINITE, QS_ALLINPUT) != WAIT_OBJECT_0)
        PumpOnce(0);
    CloseHandle(thread);
    std::printf(
        "a bare question to the player's thread (SendMessage answered at once): %.1f us "
        "of the asking thread's CPU\n",
        asker.cpuSeconds / asker.messages * 1e6);
}

// Each key goes down and up; the time runs until the hook behind the plug-in has seen both.
double SecondsPerPassedKey(int keys) {
    INPUT input[2] = {};
    input[0].type = input[1].type = INPUT_KEYBOARD;
    input[0].ki.wVk = input[1].ki.wVk = 'A';
    input[1].ki.dwFlags = KEYEVENTF_KEYUP;
    g_passedKeys = 0;
    double start = Now();
    for (int i = 0; i < keys; ++i) {
        SendInput(2, input, sizeof(INPUT));
        while (g_passedKeys < 2 * (i + 1))
            PumpOnce(1);
    }
    return (Now() - start) / (2.0 * keys);
}

void MeasureHookThroughSendInput() {
    const int keys = 2000;
    HHOOK behind = SetWindowsHookExA(WH_KEYBOARD_LL, BehindThePlugin, GetModuleHandleA(nullptr), 0);
    SecondsPerPassedKey(100);  // warm-up
    g_hookSeconds = 0;
    g_hookCalls = 0;
    double perKey = SecondsPerPassedKey(keys);
    std::printf("a key through SendInput to the player's thread: %.1f us in all\n", perKey * 1e6);
    std::printf(
        "the plug-in's hook per key it passes, timed as SendInput delivers it (the rest "
        "of the chain included): %.2f us over %d keys\n",
        g_hookSeconds / g_hookCalls * 1e6, g_hookCalls);
    UnhookWindowsHookEx(behind);
}

void MeasureHookProcedure(HMODULE module) {
    PatchImport(module, "user32.dll", "CallNextHookEx", reinterpret_cast<void*>(NoNextHook));
    KBDLLHOOKSTRUCT key = {};
    key.vkCode = 'A';
    const int calls = 1000000;
    double start = Now();
    for (int i = 0; i < calls; ++i)
        g_pluginHook(HC_ACTION, i % 2 ? WM_KEYUP : WM_KEYDOWN, reinterpret_cast<LPARAM>(&key));
    std::printf(
        "the plug-in's hook alone per key it passes (the next hook answering at once): "
        "%.0f ns\n",
        (Now() - start) / calls * 1e9);
}

}  // namespace

int main() {
    int seconds = 30;
    if (const char* given = std::getenv("VELM_CPU_SECONDS"))
        seconds = std::atoi(given) > 0 ? std::atoi(given) : seconds;

    HMODULE module = LoadLibraryA("gen_g15_velm.dll");
    if (!module) {
        std::printf("cannot load gen_g15_velm.dll (error %lu)\n", GetLastError());
        return 1;
    }
    char path[MAX_PATH];
    std::string folder(path, GetModuleFileNameA(module, path, sizeof path));
    folder = folder.substr(0, folder.find_last_of('\\') + 1);
    RegisterStandInService(folder);
    // The plug-in's hook goes into the chain through a wrapper that times it.
    PatchImport(module, "user32.dll", "SetWindowsHookExA", reinterpret_cast<void*>(NoteHook));

    auto get = reinterpret_cast<PluginRecord* (*)()>(
        reinterpret_cast<void (*)()>(GetProcAddress(module, "winampGetGeneralPurposePlugin")));
    PluginRecord* record = get();
    record->playerWindow = playerloop::MakeUnicodePlayerWindow(PlayerProc, L"cpu figures player",
                                                               L"1. Artist - Song - Winamp");
    record->moduleInstance = module;
    g_startTick = GetTickCount();
    if (record->init() != 0) {
        std::printf("init failed\n");
        return 1;
    }
    MeasureDisplayThread(module, seconds, "on the LCD");
    SetWindowTextW(record->playerWindow, LatinCaptionAsWideAsTheJapanese().c_str());
    MeasureDisplayThread(module, seconds, "on the LCD, a Latin title scrolling");
    SetWindowTextW(record->playerWindow, kJapaneseCaption);
    MeasureDisplayThread(module, seconds, "on the LCD, a Japanese title as wide scrolling");
    SetWindowTextW(record->playerWindow, L"1. Artist - Song - Winamp");
    if (!g_pluginHook) {
        std::printf("init installed no keyboard hook\n");
        return 1;
    }
    MeasureHookThroughSendInput();
    MeasureHookProcedure(module);
    record->quit();

    // The same without the LCD service: the player's questions, the lights, the screens'
    // bookkeeping, without drawing or frames.
    RegDeleteKeyA(HKEY_LOCAL_MACHINE, kServerBinaryKey);
    record->init();
    MeasureDisplayThread(module, seconds, "without an LCD");
    record->quit();
    MeasureQuestionFloor(record->playerWindow);
    DestroyWindow(record->playerWindow);
    return 0;
}
