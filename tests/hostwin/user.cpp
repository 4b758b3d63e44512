// What Windows does with windows of one thread and messages from another, and with hooks.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "support/WideText.h"

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
    UINT message = WM_USER;
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
    EXPECT_EQ(HIWORD(GetQueueStatus(QS_SENDMESSAGE)), QS_SENDMESSAGE);
    EXPECT_EQ(HIWORD(GetQueueStatus(QS_SENDMESSAGE | QS_POSTMESSAGE)), QS_SENDMESSAGE);
    MSG msg;
    EXPECT_FALSE(PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE));
    EXPECT_EQ(WaitForSingleObject(thread, 5000), WAIT_OBJECT_0);
    EXPECT_EQ(HIWORD(GetQueueStatus(QS_SENDMESSAGE)), 0) << "the answered message still counted";
    EXPECT_EQ(args.result, 42);
    CloseHandle(thread);
    DestroyWindow(window);
}

// The owner answers at once and then waits for the sender to have that answer: only an early
// reply lets both go on. On its own thread's call there is no sender to reply to; but while the
// thread runs a message from another, a call on its own window is no message of its own, and a
// reply in it answers the other's message (as Windows does: a window procedure that replies
// early must know it was sent the message).
HANDLE g_answerSeen;
bool g_sawAnswerBeforeReturn;
BOOL g_repliedOnOwnCall;

LRESULT CALLBACK ReplyingProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_USER) {
        ReplyMessage(7);
        g_sawAnswerBeforeReturn = WaitForSingleObject(g_answerSeen, 5000) == WAIT_OBJECT_0;
        return 99;
    }
    if (msg == WM_USER + 1) {
        g_repliedOnOwnCall = ReplyMessage(5);
        return 6;
    }
    if (msg == WM_USER + 2)
        return SendMessageA(hwnd, WM_USER + 1, 0, 0) + 10;
    return DefWindowProcA(hwnd, msg, wp, lp);
}

DWORD WINAPI SendThenSignal(LPVOID p) {
    auto* args = static_cast<SendArgs*>(p);
    args->result = SendMessageA(args->window, args->message, 0, 0);
    SetEvent(g_answerSeen);
    return 0;
}

TEST(Windows, AnEarlyReplyLetsTheSenderGoOnWhileTheProcedureFinishes) {
    WNDCLASSA wc = {};
    wc.lpfnWndProc = ReplyingProc;
    wc.lpszClassName = "velm early reply";
    RegisterClassA(&wc);
    HWND window = CreateWindowExA(0, "velm early reply", "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                  nullptr, nullptr);
    ASSERT_NE(window, nullptr);
    g_answerSeen = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    SendArgs args = {window, -1, {}};
    HANDLE thread = CreateThread(nullptr, 0, SendThenSignal, &args, 0, nullptr);
    WaitAnswering(thread);
    EXPECT_TRUE(g_sawAnswerBeforeReturn) << "the sender had no answer while the procedure ran";
    EXPECT_EQ(args.result, 7);
    EXPECT_EQ(SendMessageA(window, WM_USER + 1, 0, 0), 6);
    EXPECT_FALSE(g_repliedOnOwnCall);
    CloseHandle(thread);
    args = {window, -1, {}};
    args.message = WM_USER + 2;
    thread = CreateThread(nullptr, 0, SendThenSignal, &args, 0, nullptr);
    WaitAnswering(thread);
    EXPECT_EQ(args.result, 5) << "the reply in the call on the thread's own window was lost";
    EXPECT_TRUE(g_repliedOnOwnCall);
    CloseHandle(thread);
    CloseHandle(g_answerSeen);
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

// A Unicode window: its class registered with the W call, its procedure answering for its
// caption in UTF-16, or filling whatever buffer it is given up to the last unit without a
// terminator (when the window's extra value says so), as a careless player might.
LRESULT CALLBACK UnicodeProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_GETTEXT && GetWindowLongPtrW(hwnd, GWLP_USERDATA) == 1) {
        auto* buffer = reinterpret_cast<WCHAR*>(lp);
        for (WPARAM i = 0; i < wp; ++i)
            buffer[i] = static_cast<WCHAR>('a' + i % 26);
        return static_cast<LRESULT>(wp);
    }
    return DefWindowProcW(hwnd, msg, wp, lp);
}

HWND MakeUnicodeWindow(const WideText& caption) {
    static const WideText className = Wide("velm conformance unicode");
    static bool registered = false;
    if (!registered) {
        WNDCLASSEXW wc = {};
        wc.cbSize = sizeof wc;
        wc.lpfnWndProc = UnicodeProc;
        wc.lpszClassName = className.c_str();
        registered = RegisterClassExW(&wc) != 0;
    }
    return CreateWindowExW(0, className.c_str(), caption.c_str(), 0, 0, 0, 0, 0, HWND_MESSAGE,
                           nullptr, nullptr, nullptr);
}

std::string CaptionW(HWND window, int size = 512) {
    WCHAR text[512] = {};
    int n = GetWindowTextW(window, text, size);
    return Utf8(text, n);
}

std::string CaptionA(HWND window) {
    char text[512] = {};
    int n = GetWindowTextA(window, text, sizeof text);
    return std::string(text, n > 0 ? n : 0);
}

struct WideSendArgs {
    HWND window;
    int result;
    WCHAR text[64];
};

DWORD WINAPI ReadWideCaptionFromOtherThread(LPVOID p) {
    auto* args = static_cast<WideSendArgs*>(p);
    args->result = GetWindowTextW(args->window, args->text, 64);
    return 0;
}

TEST(Windows, UnicodeWindowKeepsItsCaptionInEveryScript) {
    const std::string caption = "1. Łódź – Ελλάδα – Кино – 日本語 – 한국어 - Winamp";
    HWND window = MakeUnicodeWindow(Wide(caption));
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(IsWindowUnicode(window));
    EXPECT_EQ(CaptionW(window), caption);
    EXPECT_EQ(GetWindowTextLengthW(window), static_cast<int>(Wide(caption).size()));
    EXPECT_TRUE(SetWindowTextW(window, Wide("2. 東京 - Winamp").c_str()));
    EXPECT_EQ(CaptionW(window), "2. 東京 - Winamp");
    EXPECT_EQ(CaptionW(window, 5), "2. 東") << "cut to the buffer, terminator included";
    DestroyWindow(window);
}

TEST(Windows, UnicodeCaptionReadFromAnotherThreadIsAnsweredByTheOwner) {
    HWND window = MakeUnicodeWindow(Wide("3. Кино - Winamp"));
    WideSendArgs args = {window, -1, {}};
    HANDLE thread = CreateThread(nullptr, 0, ReadWideCaptionFromOtherThread, &args, 0, nullptr);
    WaitAnswering(thread);
    EXPECT_EQ(args.result, 16);
    EXPECT_EQ(Utf8(args.text, args.result), "3. Кино - Winamp");
    CloseHandle(thread);
    DestroyWindow(window);
}

// The A calls see the ANSI code page: what it has (é, the en dash) comes through, the rest is
// '?'. The W calls on an ANSI window see its caption converted from that code page.
TEST(Windows, AnsiAndUnicodeCallsConvertThroughTheAnsiCodePage) {
    HWND unicode = MakeUnicodeWindow(Wide("Café – Кино 日本"));
    EXPECT_EQ(CaptionA(unicode), "Caf\xE9 \x96 ???? ??");
    EXPECT_EQ(GetWindowTextLengthA(unicode), 14);
    EXPECT_TRUE(SetWindowTextA(unicode, "Na\xEFve \x80"));
    EXPECT_EQ(CaptionW(unicode), "Naïve €");
    DestroyWindow(unicode);

    HWND ansi = MakeWindow("Caf\xE9 \x96 Song");
    EXPECT_FALSE(IsWindowUnicode(ansi));
    EXPECT_EQ(CaptionW(ansi), "Café – Song");
    EXPECT_EQ(GetWindowTextLengthW(ansi), 11);
    EXPECT_TRUE(SetWindowTextW(ansi, Wide("Кино – é").c_str()));
    EXPECT_EQ(CaptionA(ansi), "???? \x96 \xE9");
    EXPECT_EQ(CaptionW(ansi), "???? – é") << "an ANSI window keeps what the code page kept";
    DestroyWindow(ansi);
}

// Unpaired surrogates and control characters are units like any other: kept, and '?' in ANSI
// where the code page has no such character.
TEST(Windows, CaptionKeepsUnpairedSurrogatesAndControlCharacters) {
    const WCHAR units[] = {'A', 0xD800, 'B', 0x01, '\t', 0xDC00, 0};
    HWND window = MakeUnicodeWindow(units);
    WCHAR text[16] = {};
    ASSERT_EQ(GetWindowTextW(window, text, 16), 6);
    EXPECT_EQ(Units(text, 6), Units(units, 6));
    EXPECT_EQ(CaptionA(window), "A?B\x01\t?");
    DestroyWindow(window);
}

// A procedure that fills the whole buffer of 512 units and no terminator: the W call gets what
// it answered, and the buffer is written no further; the A call, converted, gets a terminated
// caption no longer than its buffer.
TEST(Windows, CaptionThatFillsTheBufferIsReadNoFurther) {
    HWND window = MakeUnicodeWindow(Wide("Winamp"));
    SetWindowLongPtrW(window, GWLP_USERDATA, 1);
    WCHAR text[520];
    for (WCHAR& unit : text)
        unit = 0x2222;
    EXPECT_EQ(GetWindowTextW(window, text, 512), 512);
    EXPECT_EQ(text[511], WCHAR('a' + 511 % 26));
    EXPECT_EQ(text[512], 0x2222) << "nothing written past the buffer";
    char ansi[520];
    std::memset(ansi, '#', sizeof ansi);
    int n = GetWindowTextA(window, ansi, 512);
    EXPECT_LE(n, 511);
    EXPECT_EQ(ansi[n], '\0');
    EXPECT_EQ(std::string(ansi, 3), "abc");
    EXPECT_EQ(ansi[512], '#') << "nothing written past the buffer";
    DestroyWindow(window);
}

TEST(Messages, PeekingForSentMessagesLeavesPostedOnesQueued) {
    HWND window = MakeWindow("caption");
    ASSERT_TRUE(PostMessageA(window, WM_USER + 5, 1, 2));
    EXPECT_EQ(GetQueueStatus(QS_SENDMESSAGE), 0u) << "a posted message taken for a sent one";
    MSG msg;
    EXPECT_FALSE(PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE));
    EXPECT_EQ(HIWORD(GetQueueStatus(QS_POSTMESSAGE)), QS_POSTMESSAGE);
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, WM_USER + 5, WM_USER + 5, PM_REMOVE));
    EXPECT_EQ(msg.hwnd, window);
    EXPECT_EQ(msg.message, static_cast<UINT>(WM_USER + 5));
    EXPECT_EQ(msg.wParam, 1u);
    EXPECT_EQ(msg.lParam, 2);
    EXPECT_FALSE(PeekMessageA(&msg, nullptr, WM_USER + 5, WM_USER + 5, PM_REMOVE));
    EXPECT_EQ(HIWORD(GetQueueStatus(QS_POSTMESSAGE)), 0);
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
