// The 32-bit product entered as an old player enters it: with a stack aligned to 4 bytes only,
// where GCC's code assumes 16. SSE code that spills to an aligned stack slot would fault at
// once; the DLL realigns its stack on entry. Init, config, quit and the keyboard hook are each
// entered at all three misalignments.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/ImportPatch.h"
#include "plugin/PluginRecord.h"
#include "support/PlayerLoop.h"

// Calls fn with count 32-bit arguments, its stack pointer at the call offset bytes below a
// 16-byte boundary (0 is what GCC assumes), and returns what fn returned in eax. Either
// calling convention: the stack is restored from the frame afterwards.
extern "C" int CallWithStackOffset(const void* fn, const int* args, int count, int offset);
asm(".text\n"
    ".globl _CallWithStackOffset\n"
    "_CallWithStackOffset:\n"
    "    pushl %ebp\n"
    "    movl %esp, %ebp\n"
    "    pushl %esi\n"
    "    pushl %edi\n"
    "    pushl %ebx\n"
    "    movl 8(%ebp), %eax\n"     // fn
    "    movl 12(%ebp), %esi\n"    // args
    "    movl 16(%ebp), %ecx\n"    // count
    "    leal 0(,%ecx,4), %edi\n"  // bytes of arguments
    "    movl %esp, %ebx\n"
    "    subl %edi, %ebx\n"
    "    andl $-16, %ebx\n"
    "    subl 20(%ebp), %ebx\n"  // the stack pointer at the call
    "    addl %edi, %ebx\n"
    "    movl %ebx, %esp\n"
    "1:  testl %ecx, %ecx\n"
    "    jz 2f\n"
    "    decl %ecx\n"
    "    pushl (%esi,%ecx,4)\n"
    "    jmp 1b\n"
    "2:  call *%eax\n"
    "    leal -12(%ebp), %esp\n"
    "    popl %ebx\n"
    "    popl %edi\n"
    "    popl %esi\n"
    "    popl %ebp\n"
    "    ret\n");

namespace {

using playerloop::Pump;
using playerloop::PumpUntil;

constexpr int kOffsets[] = {4, 8, 12};

int g_captionReads = 0;
int g_volume = 100;
int g_volumeReads = 0;
std::vector<int> g_volumesSet;
HOOKPROC g_pluginHook = nullptr;

LRESULT CALLBACK PlayerProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_GETTEXT)
        ++g_captionReads;
    if (msg == WM_USER && lp == 122) {  // the player's volume: asked, or set
        if (static_cast<int>(wp) == -666) {
            ++g_volumeReads;
            return g_volume;
        }
        g_volume = static_cast<int>(wp);
        g_volumesSet.push_back(g_volume);
        return 0;
    }
    if (msg == WM_USER)
        return 0;
    return DefWindowProcA(hwnd, msg, wp, lp);
}

HHOOK WINAPI NoteHook(int id, HOOKPROC proc, HINSTANCE instance, DWORD thread) {
    if (id == WH_KEYBOARD_LL)
        g_pluginHook = proc;
    return SetWindowsHookExA(id, proc, instance, thread);
}

int Call(const void* fn, int offset, std::vector<int> args = {}) {
    return CallWithStackOffset(fn, args.data(), static_cast<int>(args.size()), offset);
}

class OldCaller : public ::testing::Test {
protected:
    void SetUp() override {
        module = LoadLibraryA("gen_g15_velm.dll");
        ASSERT_NE(module, nullptr) << "error " << GetLastError();
        auto get = reinterpret_cast<PluginRecord* (*)()>(
            reinterpret_cast<void (*)()>(GetProcAddress(module, "winampGetGeneralPurposePlugin")));
        ASSERT_NE(get, nullptr);
        ASSERT_NE(PatchImport(module, "user32.dll", "SetWindowsHookExA",
                              reinterpret_cast<void*>(NoteHook)),
                  nullptr);
        record = get();
        record->playerWindow = playerloop::MakePlayerWindow(PlayerProc, "old caller's player");
        record->moduleInstance = module;
    }
    void TearDown() override { DestroyWindow(record->playerWindow); }

    HMODULE module = nullptr;
    PluginRecord* record = nullptr;
};

TEST_F(OldCaller, InitConfigAndQuitRunOnAStackAlignedTo4) {
    for (int offset : kOffsets) {
        SCOPED_TRACE("stack " + std::to_string(offset) + " bytes below a 16-byte boundary");
        int reads = g_captionReads;
        EXPECT_EQ(Call(reinterpret_cast<const void*>(record->init), offset), 0);
        EXPECT_TRUE(PumpUntil([&] { return g_captionReads > reads; }))
            << "the display thread never read the caption";
        Call(reinterpret_cast<const void*>(record->config), offset);
        Call(reinterpret_cast<const void*>(record->quit), offset);
        reads = g_captionReads;
        Pump(200);
        EXPECT_EQ(g_captionReads, reads) << "the display thread read the caption after quit";
    }
}

TEST_F(OldCaller, TheHookTakesAndPassesKeysOnAStackAlignedTo4) {
    int volumeReads = g_volumeReads;
    ASSERT_EQ(record->init(), 0);
    ASSERT_NE(g_pluginHook, nullptr) << "init installed no keyboard hook";
    KBDLLHOOKSTRUCT key = {};
    auto hook = [&](DWORD vk, int offset) {
        key.vkCode = vk;
        return Call(reinterpret_cast<const void*>(g_pluginHook), offset,
                    {HC_ACTION, WM_KEYDOWN, static_cast<int>(reinterpret_cast<INT_PTR>(&key))});
    };
    for (int offset : kOffsets)
        EXPECT_EQ(hook('A', offset), 0) << "a letter passes, at offset " << offset;

    // The player's volume turned in the player once the display thread knows it: the volume
    // screen comes up for it, and the volume keys step it from then on.
    ASSERT_TRUE(PumpUntil([&] { return g_volumeReads > volumeReads; }));
    g_volume = 120;
    ASSERT_TRUE(PumpUntil([&] { return hook(VK_VOLUME_UP, kOffsets[0]) == 1; }))
        << "the volume screen never took the volume key";
    for (int offset : kOffsets)
        EXPECT_EQ(hook(VK_VOLUME_UP, offset), 1) << "taken at offset " << offset;
    EXPECT_EQ(g_volumesSet, (std::vector<int>{125, 130, 135, 140}));
    record->quit();
}

}  // namespace
