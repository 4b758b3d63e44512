// Low-level keyboard hooks. A key event runs the hook chain, newest hook first, on the thread
// that installed the newest hook, the way Windows calls it while that thread takes messages.
#include <windows.h>

#include <vector>

#include "hostwin_private.h"

using hostwin::Scheduler;

namespace {

struct HookRec {
    HHOOK handle;
    HOOKPROC proc;
    DWORD thread;
};

// Guarded by the scheduler's lock.
std::vector<HookRec>& Hooks() {
    static auto* hooks = new std::vector<HookRec>;
    return *hooks;
}
uintptr_t g_nextHook = 0x20010;

// The chain being run on this thread, and how far CallNextHookEx has got.
struct ChainPosition {
    std::vector<HookRec> chain;
    size_t next = 0;
};
thread_local ChainPosition* t_chain = nullptr;

LRESULT RunChain(std::vector<HookRec> chain, int code, WPARAM wp, LPARAM lp) {
    ChainPosition position{std::move(chain), 1};
    ChainPosition* outer = t_chain;
    t_chain = &position;
    LRESULT result = position.chain[0].proc(code, wp, lp);
    t_chain = outer;
    return result;
}

}  // namespace

namespace hostwin {

Control& ControlState() {
    static auto* state = new Control;
    return *state;
}

LRESULT DeliverKeyToHooks(DWORD vk, bool down, DWORD extraFlags) {
    Scheduler& sched = Scheduler::Get();
    auto self = sched.Current();
    std::unique_lock<std::mutex> lk(sched.mu);
    if (Hooks().empty())
        return 0;
    std::vector<HookRec> chain(Hooks().rbegin(), Hooks().rend());
    auto* event = new KBDLLHOOKSTRUCT{};
    event->vkCode = vk;
    event->flags = extraFlags | (down ? 0 : LLKHF_UP);
    event->time = static_cast<DWORD>(sched.NowLocked());
    bool alt = (extraFlags & LLKHF_ALTDOWN) != 0;
    WPARAM msg = down ? (alt ? WM_SYSKEYDOWN : WM_KEYDOWN) : (alt ? WM_SYSKEYUP : WM_KEYUP);
    auto lp = reinterpret_cast<LPARAM>(event);
    LRESULT result;
    auto owner = sched.FindThread(chain[0].thread);
    if (!owner || owner->id == self->id) {
        lk.unlock();
        result = RunChain(chain, HC_ACTION, msg, lp);
        lk.lock();
    } else {
        result =
            SendToThread(lk, *self, *owner, [=] { return RunChain(chain, HC_ACTION, msg, lp); });
    }
    delete event;
    return result;
}

}  // namespace hostwin

extern "C" {

HHOOK WINAPI SetWindowsHookExA(int id, HOOKPROC proc, HINSTANCE, DWORD threadId) {
    Scheduler& sched = Scheduler::Get();
    DWORD self = sched.Current()->id;
    std::lock_guard<std::mutex> lk(sched.mu);
    if (id != WH_KEYBOARD_LL || !proc || threadId != 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return NULL;
    }
    if (hostwin::ControlState().failNextHookInstall) {
        hostwin::ControlState().failNextHookInstall = false;
        SetLastError(ERROR_ACCESS_DENIED);
        return NULL;
    }
    HHOOK handle = reinterpret_cast<HHOOK>(g_nextHook);
    g_nextHook += 2;
    Hooks().push_back(HookRec{handle, proc, self});
    return handle;
}

BOOL WINAPI UnhookWindowsHookEx(HHOOK hook) {
    std::lock_guard<std::mutex> lk(Scheduler::Get().mu);
    if (hostwin::ControlState().failNextUnhook) {
        hostwin::ControlState().failNextUnhook = false;
        SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    for (auto it = Hooks().begin(); it != Hooks().end(); ++it) {
        if (it->handle == hook) {
            Hooks().erase(it);
            return TRUE;
        }
    }
    SetLastError(ERROR_INVALID_HOOK_HANDLE);
    return FALSE;
}

// The handle is ignored, as on current Windows: the chain position is the thread's own.
LRESULT WINAPI CallNextHookEx(HHOOK, int code, WPARAM wp, LPARAM lp) {
    ChainPosition* position = t_chain;
    if (!position || position->next >= position->chain.size())
        return 0;
    HOOKPROC proc = position->chain[position->next++].proc;
    return proc(code, wp, lp);
}

int WINAPI MessageBoxA(HWND owner, LPCSTR text, LPCSTR caption, UINT type) {
    std::lock_guard<std::mutex> lk(Scheduler::Get().mu);
    hostwin::ControlState().messageBoxes.push_back(
        {owner, text ? text : "", caption ? caption : "Error", type});
    return IDOK;
}

BOOL WINAPI SystemParametersInfoA(UINT action, UINT, PVOID param, UINT) {
    if (action != SPI_GETSCREENSAVERRUNNING || !param) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    std::lock_guard<std::mutex> lk(Scheduler::Get().mu);
    *static_cast<BOOL*>(param) = hostwin::ControlState().screenSaverRunning ? TRUE : FALSE;
    return TRUE;
}

}  // extern "C"

namespace hostwin {

size_t HookCountLocked() {
    return Hooks().size();
}

}  // namespace hostwin
