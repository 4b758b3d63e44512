// Text messages between a caller and a window procedure of different kinds: an ANSI caller
// (SendMessageA, GetWindowTextA) and a Unicode window, or a Unicode caller and an ANSI window.
// The procedure gets a buffer of its own kind, and what it leaves there is converted for the
// caller through the ANSI code page. Its answer is never trusted as a length: a procedure that
// fills the whole buffer without a terminator, or answers more than the buffer holds, has only
// the buffer read.
#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "hostwin_private.h"

namespace hostwin {
namespace {

// No caption is longer; a larger buffer is used only this far.
constexpr size_t kLargestText = 1 << 20;

// A buffer on the stack for the sizes a caption takes, on the heap beyond.
template <typename Unit>
class Scratch {
public:
    explicit Scratch(size_t size) {
        if (size > kOnStack)
            heap_.resize(size);
        data_ = size > kOnStack ? heap_.data() : stack_;
        std::fill(data_, data_ + size, Unit(0));
    }
    Unit* data() { return data_; }

private:
    static constexpr size_t kOnStack = 1024;
    Unit stack_[kOnStack];
    std::vector<Unit> heap_;
    Unit* data_;
};

// The length of what a procedure left in a buffer of `size` units after answering `answer`.
template <typename Unit>
int LengthLeft(const Unit* buffer, size_t size, LRESULT answer) {
    size_t limit = answer <= 0 ? 0 : std::min<size_t>(static_cast<size_t>(answer), size);
    size_t n = 0;
    while (n < limit && buffer[n] != Unit(0))
        ++n;
    return static_cast<int>(n);
}

LRESULT AnsiCallerUnicodeWindow(WNDPROC proc, HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
        case WM_GETTEXT: {
            auto* buffer = reinterpret_cast<char*>(lp);
            if (!buffer || wp == 0)
                return 0;
            size_t size = std::min<size_t>(wp, kLargestText);
            Scratch<char16_t> wide(size);
            LRESULT answer = proc(hwnd, msg, size, reinterpret_cast<LPARAM>(wide.data()));
            int length = LengthLeft(wide.data(), size, answer);
            int written = WideToAnsiInto(wide.data(), length, buffer, static_cast<int>(size) - 1);
            buffer[written] = '\0';
            return written;
        }
        case WM_SETTEXT: {
            if (!lp)
                return proc(hwnd, msg, wp, lp);
            std::u16string wide;
            AnsiToWide(reinterpret_cast<const char*>(lp), -1, wide);
            return proc(hwnd, msg, wp, reinterpret_cast<LPARAM>(wide.c_str()));
        }
        default:
            return proc(hwnd, msg, wp, lp);
    }
}

LRESULT UnicodeCallerAnsiWindow(WNDPROC proc, HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
        case WM_GETTEXT: {
            auto* buffer = reinterpret_cast<char16_t*>(lp);
            if (!buffer || wp == 0)
                return 0;
            // Room for a character of two bytes in each place the caller has.
            size_t room = std::min<size_t>(wp, kLargestText);
            size_t size = room * 2;
            Scratch<char> ansi(size);
            LRESULT answer = proc(hwnd, msg, size, reinterpret_cast<LPARAM>(ansi.data()));
            int length = LengthLeft(ansi.data(), size, answer);
            int written = AnsiToWideInto(ansi.data(), length, buffer, static_cast<int>(room) - 1);
            buffer[written] = u'\0';
            return written;
        }
        case WM_SETTEXT: {
            if (!lp)
                return proc(hwnd, msg, wp, lp);
            auto* text = reinterpret_cast<const char16_t*>(lp);
            int length = lstrlenW(text);
            std::string ansi(AnsiLengthOf(text, length), '\0');
            WideToAnsiInto(text, length, ansi.data(), static_cast<int>(ansi.size()));
            return proc(hwnd, msg, wp, reinterpret_cast<LPARAM>(ansi.c_str()));
        }
        default:
            return proc(hwnd, msg, wp, lp);
    }
}

// The text is converted for the sender after the procedure returns, into the sender's buffer:
// an early reply (ReplyMessage) would let the sender go before that, so it waits for the return.
class ReplyHeld {
public:
    ReplyHeld() : self_(Scheduler::Get().Current()) {
        std::lock_guard<std::mutex> lk(Scheduler::Get().mu);
        held_ = self_->replying;
        self_->replying = nullptr;
    }
    ~ReplyHeld() {
        std::lock_guard<std::mutex> lk(Scheduler::Get().mu);
        self_->replying = held_;
    }
    ReplyHeld(const ReplyHeld&) = delete;
    ReplyHeld& operator=(const ReplyHeld&) = delete;

private:
    std::shared_ptr<ThreadRec> self_;
    SentItem* held_;
};

}  // namespace

LRESULT CallProcConverted(WNDPROC proc, bool unicodeWindow, HWND hwnd, UINT msg, WPARAM wp,
                          LPARAM lp) {
    if (msg != WM_GETTEXT && msg != WM_SETTEXT)
        return proc(hwnd, msg, wp, lp);
    ReplyHeld held;
    return unicodeWindow ? AnsiCallerUnicodeWindow(proc, hwnd, msg, wp, lp)
                         : UnicodeCallerAnsiWindow(proc, hwnd, msg, wp, lp);
}

}  // namespace hostwin
