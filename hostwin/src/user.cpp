// Windows owned by threads and the messages between them. A message sent to a window of
// another thread waits in that thread's queue until the thread asks for messages (PeekMessageA,
// GetMessageA, or its own blocked SendMessageA), exactly as on Windows.
#include <windows.h>

#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <map>
#include <string>

#include "hostwin_private.h"

using hostwin::Scheduler;
using hostwin::SentItem;
using hostwin::ThreadRec;

namespace {

struct WindowRec {
    DWORD owner = 0;
    WNDPROC proc = nullptr;
    bool unicode = false;  // its class was registered with a W call
    std::u16string text;   // the caption, in UTF-16 whatever the window's kind, as Windows keeps it
    LONG_PTR userData = 0;
};

struct ClassRec {
    WNDPROC proc = nullptr;
    bool unicode = false;
};

// Class names are compared as Windows compares them, ignoring case.
struct NoCaseLess {
    static char16_t Lower(char16_t c) { return c >= u'A' && c <= u'Z' ? c + 32 : c; }
    bool operator()(const std::u16string& a, const std::u16string& b) const {
        return std::lexicographical_compare(
            a.begin(), a.end(), b.begin(), b.end(),
            [](char16_t x, char16_t y) { return Lower(x) < Lower(y); });
    }
};

// All guarded by the scheduler's lock.
std::map<HWND, WindowRec>& Windows() {
    static auto* windows = new std::map<HWND, WindowRec>;
    return *windows;
}
std::map<std::u16string, ClassRec, NoCaseLess>& Classes() {
    static auto* classes = new std::map<std::u16string, ClassRec, NoCaseLess>;
    return *classes;
}
uintptr_t g_nextWindow = 0x10010;
ATOM g_nextAtom = 0xC000;

std::u16string Wide(const char* ansi) {
    std::u16string wide;
    hostwin::AnsiToWide(ansi, -1, wide);
    return wide;
}

WindowRec* FindWindowRec(HWND hwnd) {
    auto it = Windows().find(hwnd);
    return it == Windows().end() ? nullptr : &it->second;
}

// Who sends: a caller of the A calls, of the W calls, or the system, which speaks the window's
// own kind (WM_CREATE, WM_DESTROY).
enum class Caller { Ansi, Unicode, Native };

// Calls the window procedure on the owning thread, if the window still exists, converting text
// messages for a caller of the other kind.
LRESULT CallOwnProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, Caller caller) {
    WNDPROC proc;
    bool unicode;
    {
        std::lock_guard<std::mutex> lk(Scheduler::Get().mu);
        WindowRec* w = FindWindowRec(hwnd);
        if (!w)
            return 0;
        proc = w->proc;
        unicode = w->unicode;
    }
    if (caller == Caller::Native || unicode == (caller == Caller::Unicode))
        return proc(hwnd, msg, wp, lp);
    return hostwin::CallProcConverted(proc, unicode, hwnd, msg, wp, lp);
}

bool MatchesFilter(const MSG& m, HWND hwnd, UINT min, UINT max) {
    if (hwnd && m.hwnd != hwnd)
        return false;
    if (min == 0 && max == 0)
        return true;
    return m.message >= min && m.message <= max;
}

}  // namespace

namespace hostwin {

LRESULT SendItemToThread(std::unique_lock<std::mutex>& lk, ThreadRec& self, ThreadRec& target,
                         SentItem& item) {
    Scheduler& sched = Scheduler::Get();
    item.sender = &self;
    target.sent.push_back(&item);
    sched.Wake(target);
    for (;;) {
        sched.WaitUntil(
            lk, self, [&] { return item.done || !self.sent.empty(); }, kNever);
        if (item.done)
            return item.result;
        sched.RunSentItems(lk, self);
    }
}

LRESULT SendToThread(std::unique_lock<std::mutex>& lk, ThreadRec& self, ThreadRec& target,
                     std::function<LRESULT()> fn) {
    SentItem item;
    item.run = std::move(fn);
    return SendItemToThread(lk, self, target, item);
}

}  // namespace hostwin

namespace {

ATOM RegisterClassRec(const std::u16string& name, WNDPROC proc, bool unicode) {
    std::lock_guard<std::mutex> lk(Scheduler::Get().mu);
    if (Classes().count(name)) {
        SetLastError(ERROR_CLASS_ALREADY_EXISTS);
        return 0;
    }
    Classes()[name] = ClassRec{proc, unicode};
    return g_nextAtom++;
}

BOOL UnregisterClassRec(const std::u16string& name) {
    std::lock_guard<std::mutex> lk(Scheduler::Get().mu);
    if (Classes().erase(name))
        return TRUE;
    SetLastError(ERROR_CANNOT_FIND_WND_CLASS);
    return FALSE;
}

std::string Ansi(const std::u16string& wide) {
    int length = static_cast<int>(wide.size());
    std::string ansi(hostwin::AnsiLengthOf(wide.data(), length), '\0');
    hostwin::WideToAnsiInto(wide.data(), length, ansi.data(), static_cast<int>(ansi.size()));
    return ansi;
}

// The names as the caller gave them, and in UTF-16 for the window's record.
struct WindowNames {
    const void* className;
    const void* title;
    std::u16string classKey;
    std::u16string wideTitle;
    bool unicodeCaller;
};

HWND CreateWindowRec(const WindowNames& names, DWORD exStyle, DWORD style, int x, int y, int width,
                     int height, HWND parent, HMENU menu, HINSTANCE instance, LPVOID param) {
    Scheduler& sched = Scheduler::Get();
    auto self = sched.Current();
    HWND hwnd;
    bool unicode;
    {
        std::lock_guard<std::mutex> lk(sched.mu);
        auto it = Classes().find(names.classKey);
        if (it == Classes().end()) {
            SetLastError(ERROR_CANNOT_FIND_WND_CLASS);
            return NULL;
        }
        hwnd = reinterpret_cast<HWND>(g_nextWindow);
        g_nextWindow += 2;
        WindowRec& w = Windows()[hwnd];
        w.owner = self->id;
        w.proc = it->second.proc;
        w.unicode = unicode = it->second.unicode;
        w.text = names.wideTitle;
    }
    // The procedure reads the names in its own kind. CREATESTRUCTA and CREATESTRUCTW differ
    // only in the kind of the two names.
    std::string ansiTitle = Ansi(names.wideTitle);
    std::string ansiClass = Ansi(names.classKey);
    bool sameKind = unicode == names.unicodeCaller;
    const void* title = sameKind  ? names.title
                        : unicode ? static_cast<const void*>(names.wideTitle.c_str())
                                  : static_cast<const void*>(ansiTitle.c_str());
    const void* className = sameKind  ? names.className
                            : unicode ? static_cast<const void*>(names.classKey.c_str())
                                      : static_cast<const void*>(ansiClass.c_str());
    CREATESTRUCTA cs = {param,
                        instance,
                        menu,
                        parent,
                        height,
                        width,
                        y,
                        x,
                        static_cast<LONG>(style),
                        static_cast<LPCSTR>(title),
                        static_cast<LPCSTR>(className),
                        exStyle};
    if (CallOwnProc(hwnd, WM_CREATE, 0, reinterpret_cast<LPARAM>(&cs), Caller::Native) == -1) {
        std::lock_guard<std::mutex> lk(sched.mu);
        Windows().erase(hwnd);
        return NULL;
    }
    return hwnd;
}

LRESULT SendMessageFrom(Caller caller, HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    Scheduler& sched = Scheduler::Get();
    auto self = sched.Current();
    std::unique_lock<std::mutex> lk(sched.mu);
    WindowRec* w = FindWindowRec(hwnd);
    if (!w) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return 0;
    }
    if (w->owner == self->id) {
        lk.unlock();
        return CallOwnProc(hwnd, msg, wp, lp, caller);
    }
    auto owner = sched.FindThread(w->owner);
    if (!owner)
        return 0;
    // Captured by reference: the sender waits, and a capture this small costs no allocation.
    // The item and its message have a pair of cache lines to themselves: the receiving thread
    // reads and writes them while the sender waits, and beside the sender's other locals (its
    // lock among them, let go of and taken back as it waits) they crossed between the processors
    // more often. The simulator runs about a sixteenth faster for it.
    struct Message {
        HWND hwnd;
        UINT msg;
        WPARAM wp;
        LPARAM lp;
        Caller caller;
    };
    struct alignas(128) Asking {
        hostwin::SentItem item;
        Message message;
    } asking;
    asking.message = Message{hwnd, msg, wp, lp, caller};
    asking.item.run = [&message = asking.message] {
        return CallOwnProc(message.hwnd, message.msg, message.wp, message.lp, message.caller);
    };
    return hostwin::SendItemToThread(lk, *self, *owner, asking.item);
}

}  // namespace

extern "C" {

ATOM WINAPI RegisterClassA(const WNDCLASSA* wc) {
    if (!wc || !wc->lpszClassName || !wc->lpfnWndProc) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    return RegisterClassRec(Wide(wc->lpszClassName), wc->lpfnWndProc, false);
}

ATOM WINAPI RegisterClassW(const WNDCLASSW* wc) {
    if (!wc || !wc->lpszClassName || !wc->lpfnWndProc) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    return RegisterClassRec(wc->lpszClassName, wc->lpfnWndProc, true);
}

ATOM WINAPI RegisterClassExW(const WNDCLASSEXW* wc) {
    if (!wc || wc->cbSize != sizeof(WNDCLASSEXW) || !wc->lpszClassName || !wc->lpfnWndProc) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    return RegisterClassRec(wc->lpszClassName, wc->lpfnWndProc, true);
}

BOOL WINAPI UnregisterClassA(LPCSTR name, HINSTANCE) {
    return UnregisterClassRec(name ? Wide(name) : std::u16string());
}

BOOL WINAPI UnregisterClassW(LPCWSTR name, HINSTANCE) {
    return UnregisterClassRec(name ? name : u"");
}

HWND WINAPI CreateWindowExA(DWORD exStyle, LPCSTR className, LPCSTR title, DWORD style, int x,
                            int y, int width, int height, HWND parent, HMENU menu,
                            HINSTANCE instance, LPVOID param) {
    if (!className) {
        SetLastError(ERROR_CANNOT_FIND_WND_CLASS);
        return NULL;
    }
    WindowNames names{className, title, Wide(className), title ? Wide(title) : u"", false};
    return CreateWindowRec(names, exStyle, style, x, y, width, height, parent, menu, instance,
                           param);
}

HWND WINAPI CreateWindowExW(DWORD exStyle, LPCWSTR className, LPCWSTR title, DWORD style, int x,
                            int y, int width, int height, HWND parent, HMENU menu,
                            HINSTANCE instance, LPVOID param) {
    if (!className) {
        SetLastError(ERROR_CANNOT_FIND_WND_CLASS);
        return NULL;
    }
    WindowNames names{className, title, className, title ? title : u"", true};
    return CreateWindowRec(names, exStyle, style, x, y, width, height, parent, menu, instance,
                           param);
}

BOOL WINAPI IsWindowUnicode(HWND hwnd) {
    std::lock_guard<std::mutex> lk(Scheduler::Get().mu);
    WindowRec* w = FindWindowRec(hwnd);
    return w && w->unicode;
}

BOOL WINAPI DestroyWindow(HWND hwnd) {
    Scheduler& sched = Scheduler::Get();
    DWORD self = sched.Current()->id;
    {
        std::lock_guard<std::mutex> lk(sched.mu);
        WindowRec* w = FindWindowRec(hwnd);
        if (!w) {
            SetLastError(ERROR_INVALID_WINDOW_HANDLE);
            return FALSE;
        }
        if (w->owner != self) {
            SetLastError(ERROR_ACCESS_DENIED);
            return FALSE;
        }
    }
    CallOwnProc(hwnd, WM_DESTROY, 0, 0, Caller::Native);
    std::lock_guard<std::mutex> lk(sched.mu);
    Windows().erase(hwnd);
    return TRUE;
}

BOOL WINAPI IsWindow(HWND hwnd) {
    std::lock_guard<std::mutex> lk(Scheduler::Get().mu);
    return FindWindowRec(hwnd) != nullptr;
}

DWORD WINAPI GetWindowThreadProcessId(HWND hwnd, LPDWORD processId) {
    std::lock_guard<std::mutex> lk(Scheduler::Get().mu);
    WindowRec* w = FindWindowRec(hwnd);
    if (!w) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return 0;
    }
    if (processId)
        *processId = static_cast<DWORD>(getpid());
    return w->owner;
}

// The caption is kept in UTF-16; an ANSI window's caption is converted as it comes and goes.
LRESULT WINAPI DefWindowProcA(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    std::lock_guard<std::mutex> lk(Scheduler::Get().mu);
    WindowRec* w = FindWindowRec(hwnd);
    if (!w)
        return 0;
    const int length = static_cast<int>(w->text.size());
    switch (msg) {
        case WM_GETTEXT: {
            auto* buffer = reinterpret_cast<char*>(lp);
            if (!buffer || wp == 0)
                return 0;
            int room = static_cast<int>(std::min<WPARAM>(wp, INT32_MAX)) - 1;
            int n = hostwin::WideToAnsiInto(w->text.data(), length, buffer, room);
            buffer[n] = '\0';
            return n;
        }
        case WM_GETTEXTLENGTH:
            return hostwin::AnsiLengthOf(w->text.data(), length);
        case WM_SETTEXT:
            hostwin::AnsiToWide(reinterpret_cast<const char*>(lp), lp ? -1 : 0, w->text);
            return TRUE;
        default:
            return 0;
    }
}

LRESULT WINAPI DefWindowProcW(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    std::lock_guard<std::mutex> lk(Scheduler::Get().mu);
    WindowRec* w = FindWindowRec(hwnd);
    if (!w)
        return 0;
    switch (msg) {
        case WM_GETTEXT: {
            auto* buffer = reinterpret_cast<char16_t*>(lp);
            if (!buffer || wp == 0)
                return 0;
            size_t n = std::min<size_t>(w->text.size(), wp - 1);
            std::copy_n(w->text.data(), n, buffer);
            buffer[n] = u'\0';
            return static_cast<LRESULT>(n);
        }
        case WM_GETTEXTLENGTH:
            return static_cast<LRESULT>(w->text.size());
        case WM_SETTEXT:
            w->text = lp ? reinterpret_cast<const char16_t*>(lp) : u"";
            return TRUE;
        default:
            return 0;
    }
}

LONG_PTR WINAPI SetWindowLongPtrA(HWND hwnd, int index, LONG_PTR value) {
    std::lock_guard<std::mutex> lk(Scheduler::Get().mu);
    WindowRec* w = FindWindowRec(hwnd);
    if (!w || index != GWLP_USERDATA) {
        SetLastError(w ? ERROR_INVALID_PARAMETER : ERROR_INVALID_WINDOW_HANDLE);
        return 0;
    }
    LONG_PTR old = w->userData;
    w->userData = value;
    return old;
}

LONG_PTR WINAPI GetWindowLongPtrA(HWND hwnd, int index) {
    std::lock_guard<std::mutex> lk(Scheduler::Get().mu);
    WindowRec* w = FindWindowRec(hwnd);
    if (!w || index != GWLP_USERDATA) {
        SetLastError(w ? ERROR_INVALID_PARAMETER : ERROR_INVALID_WINDOW_HANDLE);
        return 0;
    }
    return w->userData;
}

LONG_PTR WINAPI SetWindowLongPtrW(HWND hwnd, int index, LONG_PTR value) {
    return SetWindowLongPtrA(hwnd, index, value);
}

LONG_PTR WINAPI GetWindowLongPtrW(HWND hwnd, int index) {
    return GetWindowLongPtrA(hwnd, index);
}

// Windows sends WM_GETTEXT to windows of the caller's own process, so a caller on another
// thread waits until the owner handles it.
int WINAPI GetWindowTextA(HWND hwnd, LPSTR buffer, int size) {
    if (!buffer || size <= 0)
        return 0;
    buffer[0] = '\0';
    if (!IsWindow(hwnd)) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return 0;
    }
    return static_cast<int>(SendMessageA(hwnd, WM_GETTEXT, size, reinterpret_cast<LPARAM>(buffer)));
}

int WINAPI GetWindowTextW(HWND hwnd, LPWSTR buffer, int size) {
    if (!buffer || size <= 0)
        return 0;
    buffer[0] = u'\0';
    if (!IsWindow(hwnd)) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return 0;
    }
    return static_cast<int>(SendMessageW(hwnd, WM_GETTEXT, size, reinterpret_cast<LPARAM>(buffer)));
}

int WINAPI GetWindowTextLengthA(HWND hwnd) {
    return static_cast<int>(SendMessageA(hwnd, WM_GETTEXTLENGTH, 0, 0));
}

int WINAPI GetWindowTextLengthW(HWND hwnd) {
    return static_cast<int>(SendMessageW(hwnd, WM_GETTEXTLENGTH, 0, 0));
}

BOOL WINAPI SetWindowTextA(HWND hwnd, LPCSTR text) {
    if (!IsWindow(hwnd)) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    return static_cast<BOOL>(SendMessageA(hwnd, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text)));
}

BOOL WINAPI SetWindowTextW(HWND hwnd, LPCWSTR text) {
    if (!IsWindow(hwnd)) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    return static_cast<BOOL>(SendMessageW(hwnd, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text)));
}

LRESULT WINAPI SendMessageA(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    return SendMessageFrom(Caller::Ansi, hwnd, msg, wp, lp);
}

LRESULT WINAPI SendMessageW(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    return SendMessageFrom(Caller::Unicode, hwnd, msg, wp, lp);
}

BOOL WINAPI ReplyMessage(LRESULT result) {
    Scheduler& sched = Scheduler::Get();
    auto self = sched.Current();
    std::lock_guard<std::mutex> lk(sched.mu);
    return sched.ReplyEarly(*self, result) ? TRUE : FALSE;
}

static BOOL PostToThread(ThreadRec& target, HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    Scheduler& sched = Scheduler::Get();
    MSG m = {};
    m.hwnd = hwnd;
    m.message = msg;
    m.wParam = wp;
    m.lParam = lp;
    m.time = static_cast<DWORD>(sched.NowLocked());
    target.posted.push_back(m);
    target.newPosted = true;
    sched.WakeAll();
    return TRUE;
}

BOOL WINAPI PostMessageA(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    Scheduler& sched = Scheduler::Get();
    if (!hwnd)
        return PostThreadMessageA(GetCurrentThreadId(), msg, wp, lp);
    std::lock_guard<std::mutex> lk(sched.mu);
    WindowRec* w = FindWindowRec(hwnd);
    auto owner = w ? sched.FindThread(w->owner) : nullptr;
    if (!owner) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    return PostToThread(*owner, hwnd, msg, wp, lp);
}

BOOL WINAPI PostThreadMessageA(DWORD threadId, UINT msg, WPARAM wp, LPARAM lp) {
    Scheduler& sched = Scheduler::Get();
    sched.Current();
    std::lock_guard<std::mutex> lk(sched.mu);
    auto target = sched.FindThread(threadId);
    if (!target) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    return PostToThread(*target, NULL, msg, wp, lp);
}

void WINAPI PostQuitMessage(int code) {
    Scheduler& sched = Scheduler::Get();
    auto self = sched.Current();
    std::lock_guard<std::mutex> lk(sched.mu);
    self->quitPosted = true;
    self->quitCode = code;
    self->newPosted = true;
}

BOOL WINAPI PeekMessageA(LPMSG out, HWND hwnd, UINT min, UINT max, UINT flags) {
    Scheduler& sched = Scheduler::Get();
    auto self = sched.Current();
    std::unique_lock<std::mutex> lk(sched.mu);
    self->newPosted = false;
    UINT queues = flags >> 16;
    if (queues == 0 || (queues & QS_SENDMESSAGE))
        sched.RunSentItems(lk, *self);
    if (queues != 0 && !(queues & QS_POSTMESSAGE))
        return FALSE;
    for (auto it = self->posted.begin(); it != self->posted.end(); ++it) {
        if (!MatchesFilter(*it, hwnd, min, max))
            continue;
        if (out)
            *out = *it;
        if (flags & PM_REMOVE)
            self->posted.erase(it);
        return TRUE;
    }
    if (self->quitPosted && MatchesFilter(MSG{NULL, WM_QUIT, 0, 0, 0, {0, 0}}, NULL, min, max)) {
        if (out) {
            *out = MSG{};
            out->message = WM_QUIT;
            out->wParam = static_cast<WPARAM>(self->quitCode);
        }
        if (flags & PM_REMOVE)
            self->quitPosted = false;
        return TRUE;
    }
    return FALSE;
}

BOOL WINAPI GetMessageA(LPMSG out, HWND hwnd, UINT min, UINT max) {
    Scheduler& sched = Scheduler::Get();
    auto self = sched.Current();
    for (;;) {
        if (PeekMessageA(out, hwnd, min, max, PM_REMOVE))
            return out->message != WM_QUIT;
        std::unique_lock<std::mutex> lk(sched.mu);
        sched.WaitUntil(
            lk, *self, [&] { return !self->sent.empty() || self->newPosted || self->quitPosted; },
            hostwin::kNever);
    }
}

BOOL WINAPI TranslateMessage(const MSG*) {
    return FALSE;
}

LRESULT WINAPI DispatchMessageA(const MSG* msg) {
    if (!msg || !msg->hwnd)
        return 0;
    return CallOwnProc(msg->hwnd, msg->message, msg->wParam, msg->lParam, Caller::Ansi);
}

LRESULT WINAPI DispatchMessageW(const MSG* msg) {
    if (!msg || !msg->hwnd)
        return 0;
    return CallOwnProc(msg->hwnd, msg->message, msg->wParam, msg->lParam, Caller::Unicode);
}

// Posted messages carry no text the stand-in converts: the W calls are the A calls.
BOOL WINAPI PostMessageW(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    return PostMessageA(hwnd, msg, wp, lp);
}

BOOL WINAPI PeekMessageW(LPMSG out, HWND hwnd, UINT min, UINT max, UINT flags) {
    return PeekMessageA(out, hwnd, min, max, flags);
}

BOOL WINAPI GetMessageW(LPMSG out, HWND hwnd, UINT min, UINT max) {
    return GetMessageA(out, hwnd, min, max);
}

// Returns for a signalled handle, or for new input of the kinds in the mask. It does not run
// sent messages itself; the caller's next PeekMessageA does.
DWORD WINAPI MsgWaitForMultipleObjects(DWORD count, const HANDLE* handles, BOOL waitAll, DWORD ms,
                                       DWORD mask) {
    if (waitAll) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return WAIT_FAILED;
    }
    return hostwin::WaitForHandles(count, handles, ms, [mask](ThreadRec& t) {
        if ((mask & QS_SENDMESSAGE) && !t.sent.empty())
            return true;
        return (mask & (QS_POSTMESSAGE | QS_ALLPOSTMESSAGE)) && (t.newPosted || t.quitPosted);
    });
}

DWORD WINAPI GetQueueStatus(UINT flags) {
    Scheduler& sched = Scheduler::Get();
    auto self = sched.Current();
    if (!(flags & QS_POSTMESSAGE)) {
        // Only sent messages asked after: the queue tells without the lock, and asking changes
        // nothing.
        DWORD sent = self->sent.SeenEmpty() ? 0 : QS_SENDMESSAGE & flags;
        return (sent << 16) | sent;
    }
    std::lock_guard<std::mutex> lk(sched.mu);
    DWORD now = 0;
    DWORD added = 0;
    if (!self->sent.empty())
        now = added = QS_SENDMESSAGE;
    if (!self->posted.empty() || self->quitPosted)
        now |= QS_POSTMESSAGE;
    if (self->newPosted || self->quitPosted)
        added |= QS_POSTMESSAGE;
    if (flags & QS_POSTMESSAGE)
        self->newPosted = false;
    return ((now & flags) << 16) | (added & flags);
}

}  // extern "C"

namespace hostwin {

size_t WindowCountLocked() {
    return Windows().size();
}

}  // namespace hostwin
