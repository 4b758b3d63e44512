#include "plugin/KeyboardHook.h"

#include "plugin/Plugin.h"

// Every key passes on unchanged until the secondary screens' key commands take some of them.
LRESULT CALLBACK KeyboardHookProc(int code, WPARAM message, LPARAM event) {
    return CallNextHookEx(g_hookBookkeeping.handle, code, message, event);
}
