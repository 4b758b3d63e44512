// Windows owned by threads and the messages between them. A message sent to a window of
// another thread waits in that thread's queue until the thread asks for messages (PeekMessageA,
// GetMessageA, or its own blocked SendMessageA), exactly as on Windows.
#include <windows.h>

#include <unistd.h>

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
    std::string text;
    LONG_PTR userData = 0;
};

struct NoCaseLess {
    bool operator()(const std::string& a, const std::string& b) const {
        return strcasecmp(a.c_str(), b.c_str()) < 0;
    }
};

// All guarded by the scheduler's lock.
std::map<HWND, WindowRec>& Windows() {
    static auto* windows = new std::map<HWND, WindowRec>;
    return *windows;
}
std::map<std::string, WNDCLASSA, NoCaseLess>& Classes() {
    static auto* classes = new std::map<std::string, WNDCLASSA, NoCaseLess>;
    return *classes;
}
uintptr_t g_nextWindow = 0x10010;
ATOM g_nextAtom = 0xC000;

WindowRec* FindWindowRec(HWND hwnd) {
    auto it = Windows().find(hwnd);
    return it == Windows().end() ? nullptr : &it->second;
}

// Calls the window procedure on the owning thread, if the window still exists.
LRESULT CallOwnProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    WNDPROC proc;
    {
        std::lock_guard<std::mutex> lk(Scheduler::Get().mu);
        WindowRec* w = FindWindowRec(hwnd);
        if (!w)
            return 0;
        proc = w->proc;
    }
    return proc(hwnd, msg, wp, lp);
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

LRESULT SendToThread(std::unique_lock<std::mutex>& lk, ThreadRec& self, ThreadRec& target,
                     std::function<LRESULT()> fn) {
    Scheduler& sched = Scheduler::Get();
    SentItem item;
    item.run = std::move(fn);
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

}  // namespace hostwin

extern "C" {

ATOM WINAPI RegisterClassA(const WNDCLASSA* wc) {
    if (!wc || !wc->lpszClassName || !wc->lpfnWndProc) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    std::lock_guard<std::mutex> lk(Scheduler::Get().mu);
    if (Classes().count(wc->lpszClassName)) {
        SetLastError(ERROR_CLASS_ALREADY_EXISTS);
        return 0;
    }
    Classes()[wc->lpszClassName] = *wc;
    return g_nextAtom++;
}

BOOL WINAPI UnregisterClassA(LPCSTR name, HINSTANCE) {
    std::lock_guard<std::mutex> lk(Scheduler::Get().mu);
    if (name && Classes().erase(name))
        return TRUE;
    SetLastError(ERROR_CANNOT_FIND_WND_CLASS);
    return FALSE;
}

HWND WINAPI CreateWindowExA(DWORD exStyle, LPCSTR className, LPCSTR title, DWORD style, int x,
                            int y, int width, int height, HWND parent, HMENU menu,
                            HINSTANCE instance, LPVOID param) {
    Scheduler& sched = Scheduler::Get();
    auto self = sched.Current();
    HWND hwnd;
    {
        std::lock_guard<std::mutex> lk(sched.mu);
        auto it = className ? Classes().find(className) : Classes().end();
        if (it == Classes().end()) {
            SetLastError(ERROR_CANNOT_FIND_WND_CLASS);
            return NULL;
        }
        hwnd = reinterpret_cast<HWND>(g_nextWindow);
        g_nextWindow += 2;
        WindowRec& w = Windows()[hwnd];
        w.owner = self->id;
        w.proc = it->second.lpfnWndProc;
        w.text = title ? title : "";
    }
    CREATESTRUCTA cs = {
        param, instance,  menu,   parent, height, width, y, x, static_cast<LONG>(style),
        title, className, exStyle};
    if (CallOwnProc(hwnd, WM_CREATE, 0, reinterpret_cast<LPARAM>(&cs)) == -1) {
        std::lock_guard<std::mutex> lk(sched.mu);
        Windows().erase(hwnd);
        return NULL;
    }
    return hwnd;
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
    CallOwnProc(hwnd, WM_DESTROY, 0, 0);
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

LRESULT WINAPI DefWindowProcA(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    std::lock_guard<std::mutex> lk(Scheduler::Get().mu);
    WindowRec* w = FindWindowRec(hwnd);
    if (!w)
        return 0;
    switch (msg) {
        case WM_GETTEXT: {
            auto* buffer = reinterpret_cast<char*>(lp);
            if (!buffer || wp == 0)
                return 0;
            size_t n = std::min<size_t>(w->text.size(), wp - 1);
            std::memcpy(buffer, w->text.data(), n);
            buffer[n] = '\0';
            return static_cast<LRESULT>(n);
        }
        case WM_GETTEXTLENGTH:
            return static_cast<LRESULT>(w->text.size());
        case WM_SETTEXT:
            w->text = lp ? reinterpret_cast<const char*>(lp) : "";
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

BOOL WINAPI SetWindowTextA(HWND hwnd, LPCSTR text) {
    if (!IsWindow(hwnd)) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    return static_cast<BOOL>(SendMessageA(hwnd, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text)));
}

LRESULT WINAPI SendMessageA(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
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
        return CallOwnProc(hwnd, msg, wp, lp);
    }
    auto owner = sched.FindThread(w->owner);
    if (!owner)
        return 0;
    // Captured by reference: the sender waits, and a capture this small costs no allocation.
    struct Message {
        HWND hwnd;
        UINT msg;
        WPARAM wp;
        LPARAM lp;
    } message{hwnd, msg, wp, lp};
    return hostwin::SendToThread(lk, *self, *owner, [&message] {
        return CallOwnProc(message.hwnd, message.msg, message.wp, message.lp);
    });
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
    return CallOwnProc(msg->hwnd, msg->message, msg->wParam, msg->lParam);
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

}  // extern "C"

namespace hostwin {

size_t WindowCountLocked() {
    return Windows().size();
}

}  // namespace hostwin
