// What Windows does with windows of one thread and messages from another, and with hooks.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>

namespace {

LRESULT CALLBACK EchoProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_USER)
        return static_cast<LRESULT>(wp * 2 + lp);
    return DefWindowProcA(hwnd, msg, wp, lp);
}

HWND MakeWindow(const char* caption) {
    static bool registered = false;
    if (!registered) {
        WNDCLASSA wc = {};
        wc.lpfnWndProc = EchoProc;
        wc.lpszClassName = "velm conformance";
        registered = RegisterClassA(&wc) != 0;
    }
    return CreateWindowExA(0, "velm conformance", caption, 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                           nullptr, nullptr);
}

struct SendArgs {
    HWND window;
    LRESULT result;
    char text[64];
};

DWORD WINAPI SendFromOtherThread(LPVOID p) {
    auto* args = static_cast<SendArgs*>(p);
    args->result = SendMessageA(args->window, WM_USER, 20, 2);
    return 0;
}

DWORD WINAPI ReadCaptionFromOtherThread(LPVOID p) {
    auto* args = static_cast<SendArgs*>(p);
    args->result = GetWindowTextA(args->window, args->text, sizeof args->text);
    return 0;
}

// Waits as a thread that owns windows must: answering what is sent to it, until the thread ends.
void WaitAnswering(HANDLE thread) {
    for (;;) {
        DWORD woken = MsgWaitForMultipleObjects(1, &thread, FALSE, 5000, QS_SENDMESSAGE);
        ASSERT_NE(woken, static_cast<DWORD>(WAIT_TIMEOUT)) << "the other thread never finished";
        if (woken == WAIT_OBJECT_0)
            return;
        MSG msg;
        PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
    }
}

TEST(Windows, SendOnTheOwningThreadCallsTheProcedureDirectly) {
    HWND window = MakeWindow("caption");
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(SendMessageA(window, WM_USER, 3, 4), 10);
    EXPECT_TRUE(DestroyWindow(window));
    EXPECT_FALSE(IsWindow(window));
}

TEST(Windows, SendToAWindowThatIsGoneReturnsZero) {
    HWND window = MakeWindow("caption");
    DestroyWindow(window);
    EXPECT_EQ(SendMessageA(window, WM_USER, 3, 4), 0);
    char text[16] = "unchanged";
    EXPECT_EQ(GetWindowTextA(window, text, sizeof text), 0);
    EXPECT_STREQ(text, "");
}

TEST(Windows, SendFromAnotherThreadWaitsUntilTheOwnerTakesMessages) {
    HWND window = MakeWindow("caption");
    SendArgs args = {window, -1, {}};
    HANDLE thread = CreateThread(nullptr, 0, SendFromOtherThread, &args, 0, nullptr);
    // The owner is not taking messages, so the sender stays blocked.
    EXPECT_EQ(WaitForSingleObject(thread, 100), static_cast<DWORD>(WAIT_TIMEOUT));
    EXPECT_EQ(args.result, -1);
    // A wait for sent messages wakes up for it, and the next peek answers it.
    DWORD woken = MsgWaitForMultipleObjects(1, &thread, FALSE, 5000, QS_SENDMESSAGE);
    EXPECT_EQ(woken, WAIT_OBJECT_0 + 1);
    MSG msg;
    EXPECT_FALSE(PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE));
    EXPECT_EQ(WaitForSingleObject(thread, 5000), WAIT_OBJECT_0);
    EXPECT_EQ(args.result, 42);
    CloseHandle(thread);
    DestroyWindow(window);
}

TEST(Windows, CaptionReadFromAnotherThreadIsAnsweredByTheOwner) {
    HWND window = MakeWindow("3. Artist - Song - Winamp");
    SendArgs args = {window, -1, {}};
    HANDLE thread = CreateThread(nullptr, 0, ReadCaptionFromOtherThread, &args, 0, nullptr);
    EXPECT_EQ(WaitForSingleObject(thread, 100), static_cast<DWORD>(WAIT_TIMEOUT))
        << "GetWindowTextA on another thread's window must wait for that thread";
    WaitAnswering(thread);
    EXPECT_EQ(args.result, 25);
    EXPECT_STREQ(args.text, "3. Artist - Song - Winamp");
    CloseHandle(thread);
    DestroyWindow(window);
}

TEST(Windows, CaptionIsCutToTheBuffer) {
    HWND window = MakeWindow("0123456789");
    char text[5];
    EXPECT_EQ(GetWindowTextA(window, text, sizeof text), 4);
    EXPECT_STREQ(text, "0123");
    EXPECT_TRUE(SetWindowTextA(window, "new"));
    char whole[16];
    EXPECT_EQ(GetWindowTextA(window, whole, sizeof whole), 3);
    EXPECT_STREQ(whole, "new");
    DestroyWindow(window);
}

TEST(Messages, PeekingForSentMessagesLeavesPostedOnesQueued) {
    HWND window = MakeWindow("caption");
    ASSERT_TRUE(PostMessageA(window, WM_USER + 5, 1, 2));
    MSG msg;
    EXPECT_FALSE(PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE));
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, WM_USER + 5, WM_USER + 5, PM_REMOVE));
    EXPECT_EQ(msg.hwnd, window);
    EXPECT_EQ(msg.message, static_cast<UINT>(WM_USER + 5));
    EXPECT_EQ(msg.wParam, 1u);
    EXPECT_EQ(msg.lParam, 2);
    EXPECT_FALSE(PeekMessageA(&msg, nullptr, WM_USER + 5, WM_USER + 5, PM_REMOVE));
    DestroyWindow(window);
}

TEST(Messages, DispatchCallsTheWindowProcedure) {
    HWND window = MakeWindow("caption");
    PostMessageA(window, WM_USER, 5, 1);
    MSG msg;
    ASSERT_TRUE(PeekMessageA(&msg, window, WM_USER, WM_USER, PM_REMOVE));
    EXPECT_EQ(DispatchMessageA(&msg), 11);
    DestroyWindow(window);
}

TEST(Messages, WaitForMessagesTimesOutWhenNothingArrives) {
    EXPECT_EQ(MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT),
              static_cast<DWORD>(WAIT_TIMEOUT));
}

LRESULT CALLBACK PassOn(int code, WPARAM wp, LPARAM lp) {
    return CallNextHookEx(nullptr, code, wp, lp);
}

TEST(Hooks, LowLevelKeyboardHookInstallsAndRemovesOnce) {
    HHOOK hook = SetWindowsHookExA(WH_KEYBOARD_LL, PassOn, GetModuleHandleA(nullptr), 0);
    ASSERT_NE(hook, nullptr);
    EXPECT_TRUE(UnhookWindowsHookEx(hook));
    EXPECT_FALSE(UnhookWindowsHookEx(hook));
}

}  // namespace
