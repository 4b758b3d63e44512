// What the stand-in's own files share, and the one header they include for it: every file of
// hostwin/src and hostwin/control, and the few host tests that look behind the Win32 calls.
// The product sees none of this; it knows only the Win32 headers in hostwin/include.
//
// The larger parts keep headers of their own, included from here only: the scheduler (threads,
// waits, sent messages, the clock), GDI's objects and device contexts, and the text engine
// (fonts, and DrawText's layout). What each of the other files shares is a record or a few
// calls, declared below next to the file that defines it.
#pragma once

#include <windows.h>
#include <mmsystem.h>

#include <array>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "gdi.h"
#include "hostwin/control/mixer_devices.h"
#include "scheduler.h"
#include "text_font.h"
#include "text_layout.h"

namespace hostwin {

// --- codepages.cpp: the ANSI code page, and the conversions the stand-in makes itself (window
// text, DrawTextExA) into buffers the caller reuses. A length of -1 takes the string up to its
// terminator, which is not converted; what does not fit the code page becomes '?'.
UINT AnsiCodePage();
// False for a code page that iconv does not know, or UTF-8 (never an ANSI code page).
bool SetAnsiCodePage(UINT codePage);
void AnsiToWide(const char* text, int length, std::u16string& out);
// The same into a buffer of `room` units, as many whole characters as fit, without a terminator
// and without allocating: the number of units written.
int AnsiToWideInto(const char* text, int length, char16_t* out, int room);
int WideToAnsiInto(const char16_t* text, int length, char* out, int room);
// The number of ANSI bytes that a UTF-16 text takes.
int AnsiLengthOf(const char16_t* text, int length);
// One code point in UTF-8; a lone surrogate, which a caller may keep, in three bytes.
void AppendUtf8(std::string& out, char32_t c);

// --- handles.cpp: the kernel handle table. Objects that can be waited for say when they are
// signalled; all of it is guarded by the scheduler's lock.

struct KernelObject {
    virtual ~KernelObject() = default;
    virtual bool Signaled() const { return false; }
    // Called once a wait has been satisfied by this object (auto-reset events reset here).
    virtual void Acquire() {}
};

// Lock held for all four.
HANDLE AddHandle(std::shared_ptr<KernelObject> object);
std::shared_ptr<KernelObject> LookupHandle(HANDLE handle);
bool RemoveHandle(HANDLE handle);
size_t HandleCountLocked();

template <typename T>
std::shared_ptr<T> LookupHandleAs(HANDLE handle) {
    return std::dynamic_pointer_cast<T>(LookupHandle(handle));
}

// Paths as the product sees them ("Z:\dir\file", as Wine maps the host's root) and as the host
// file system wants them.
std::string ToHostPath(const char* windowsPath);
std::string ToWindowsPath(const std::string& hostPath);

// --- kernel.cpp: waits. Shared with MsgWaitForMultipleObjects: waits for one of the handles,
// or for extra() to hold. Returns WAIT_OBJECT_0 + index, WAIT_OBJECT_0 + count when extra()
// held, or WAIT_TIMEOUT.
DWORD WaitForHandles(DWORD count, const HANDLE* handles, DWORD ms,
                     const std::function<bool(ThreadRec&)>& extra);

// --- user.cpp: windows and messages.

// Runs fn on the given thread and waits for it, answering whatever is sent to the caller
// meanwhile. Lock held on entry and exit.
LRESULT SendToThread(std::unique_lock<std::mutex>& lk, ThreadRec& self, ThreadRec& target,
                     std::function<LRESULT()> fn);
// The same with an item the caller has made and set to run, so that it can keep what the item
// works on beside it.
LRESULT SendItemToThread(std::unique_lock<std::mutex>& lk, ThreadRec& self, ThreadRec& target,
                         SentItem& item);
// Windows that have been created and not destroyed. Lock held.
size_t WindowCountLocked();

// --- message_mapping.cpp: calls a window procedure with a text message from a caller of the
// other kind (an ANSI caller when unicodeWindow, else a Unicode one), converting the text.
LRESULT CallProcConverted(WNDPROC proc, bool unicodeWindow, HWND hwnd, UINT msg, WPARAM wp,
                          LPARAM lp);

// --- hooks.cpp: the desktop around the product, as hostwin/control sets and reads it.
// Guarded by the scheduler's lock.

struct MessageBoxRecord {
    HWND owner;
    std::string text;
    std::string caption;
    UINT type;
};

struct Control {
    bool failNextHookInstall = false;
    bool failNextUnhook = false;
    bool screenSaverRunning = false;
    std::vector<MessageBoxRecord> messageBoxes;
};

Control& ControlState();

// Runs the keyboard hook chain for one key event; returns the chain's result (non-zero:
// the key was swallowed).
LRESULT DeliverKeyToHooks(DWORD vk, bool down, DWORD extraFlags);
// Hooks installed and not removed. Lock held.
size_t HookCountLocked();

// --- registry.cpp: removes every key and value but the machine's own (the font links).
void ClearRegistry();

// --- modules.cpp: loaded modules are real shared libraries, plus modules that exist only as
// a name (a test's stand-in for the plug-in's own module instance).
HMODULE RegisterNamedModule(const std::string& windowsPath);
void SetModuleFileName(HMODULE module, const std::string& windowsPath);

// --- files.cpp: folders in which nothing new may be made (by CreateDirectoryA or a profile
// write), whatever the permissions say; the superuser ignores those.
void SetFolderProtected(const std::string& hostFolder, bool isProtected);
bool IsInProtectedFolder(const std::string& hostPath);

// --- shell.cpp: the user's application-data folder, in Windows form; "" for none.
void SetAppDataFolder(const std::string& windowsPath);

// --- profile.cpp: INI files.
using ProfileWriteObserver = std::function<void(const std::string& file, const std::string& section,
                                                const std::string& key)>;
void SetProfileWriteObserver(ProfileWriteObserver observer);
// hostPath (as the host names it) takes no profile write while protected.
void SetProfileFileProtected(const std::string& hostPath, bool isProtected);
// hostPath, while it is there, cannot be read by the profile functions, and so takes no write.
void SetProfileFileUnreadable(const std::string& hostPath, bool isUnreadable);

// --- profile_text.cpp: an INI file's text and the encoding its first bytes tell.
enum class ProfileEncoding { Ansi, Utf8, Utf16Le, Utf16Be };
struct ProfileText {
    ProfileEncoding encoding = ProfileEncoding::Ansi;
    std::string text;  // an ANSI file's bytes as they are; UTF-8 for a file with a mark
};
ProfileText DecodeProfileFile(const std::string& bytes);
std::string EncodeProfileFile(const ProfileText& file);
// A name or value of the ANSI calls as the file's text holds it, and back; a character the
// ANSI code page lacks comes out as '?'.
std::string ProfileTextFromAnsi(const std::string& ansi, ProfileEncoding encoding);
std::string ProfileTextToAnsi(const std::string& text, ProfileEncoding encoding);

// --- winmm.cpp: the mixer devices behind winmm. Guarded by the scheduler's lock.

struct MixerFailure {
    MMRESULT result = MMSYSERR_NOERROR;
    int skip = 0;
    int times = 0;  // < 0: for ever
};

struct MixerState {
    std::vector<control::MixerDevice> devices;
    std::map<uintptr_t, control::OpenMixer> open;
    // Handle values stay far above any device number, so that a handle passed where a number
    // is expected is never taken for one.
    uintptr_t nextHandle = 0x7A000;
    std::array<int, control::kMixerCallKinds> counts{};
    std::array<MixerFailure, control::kMixerCallKinds> failures{};
    std::function<void(control::MixerLineRef, DWORD)> writeObserver;
};

MixerState& Mixers();

// The line at ref, or nullptr.
control::MixerLine* FindMixerLine(const control::MixerLineRef& ref);

}  // namespace hostwin
