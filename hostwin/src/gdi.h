// GDI objects and device contexts as the stand-in keeps them. The drawing calls (here, and the
// text engine) find a DC by its handle, translate logical to device coordinates through the
// viewport origin, clip to the selected bitmap and the clip region, and store a colour in an
// 8-bit DIB section as the index of the nearest colour-table entry.
//
// Everything below is guarded by Mutex(); no GDI call blocks, so one lock held for the length
// of one call is enough. (GetStockObject alone reads without it the handle of a stock object
// already made, which never changes.)
#pragma once

#include <windows.h>

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

namespace hostwin {
class TextFont;
}

// None of this leaves the library: its calls stay direct, and short ones can be inlined.
#pragma GCC visibility push(hidden)

namespace hostwin::gdi {

enum class Kind { Pen, Brush, Font, Bitmap, Region, DC };

struct Object {
    explicit Object(Kind k) : kind(k) {}
    virtual ~Object() = default;
    const Kind kind;
    HGDIOBJ handle = nullptr;
    bool stock = false;
    // As in Wine: an object deleted while a DC still has it selected lives on, handle and all,
    // until the last DC lets go of it.
    int selectCount = 0;
    bool deletePending = false;
};

struct Pen : Object {
    Pen() : Object(Kind::Pen) {}
    int style = PS_SOLID;
    int width = 1;
    COLORREF color = 0;
};

struct Brush : Object {
    Brush() : Object(Kind::Brush) {}
    bool hollow = false;
    COLORREF color = 0;
};

struct Font : Object {
    Font() : Object(Kind::Font) {}
    LOGFONTA logfont = {};
    // The face and size the description selects, found on first use and kept, so that
    // drawing with the font costs no look-up.
    std::shared_ptr<TextFont> face;
};

struct Bitmap : Object {
    Bitmap() : Object(Kind::Bitmap) {}
    int width = 0;
    int height = 0;
    int bitCount = 1;  // only 8-bit DIB sections are drawn into; the DC's 1x1 default is not
    bool topDown = false;
    int stride = 0;
    std::vector<RGBQUAD> colors;  // fixed once the section is made
    std::vector<BYTE> storage;
    HDC selectedInto = nullptr;

    // The last colours mapped to the table and where they landed: a search of 256 entries per
    // pixel or line would cost more than the drawing. GDI remembers its mapping as well.
    static constexpr int kRememberedColors = 4;
    struct RememberedColor {
        COLORREF color;
        BYTE index;
    };
    mutable RememberedColor remembered[kRememberedColors] = {};
    mutable int rememberedCount = 0;
    mutable int nextToReplace = 0;

    BYTE* Row(int y) {
        return storage.data() + static_cast<size_t>(topDown ? y : height - 1 - y) * stride;
    }
};

// Only rectangles are needed so far. Normalised; empty when it has no area.
struct Region : Object {
    Region() : Object(Kind::Region) {}
    RECT rect = {};
};

// What a DC has selected is held by the handle table, which lets go of a selected object only
// once no DC has it selected (Object::selectCount): a DC needs no share of its own, and
// selecting costs no reference counting.
struct DC : Object {
    DC() : Object(Kind::DC) {}
    Bitmap* bitmap = nullptr;
    Pen* pen = nullptr;
    Brush* brush = nullptr;
    Font* font = nullptr;
    COLORREF textColor = RGB(0, 0, 0);
    COLORREF bkColor = RGB(255, 255, 255);
    int bkMode = OPAQUE;
    int mapMode = MM_TEXT;
    POINT viewportOrg = {0, 0};
    POINT position = {0, 0};
    bool hasClip = false;
    RECT clip = {};  // device coordinates
};

// The lock of every GDI call. A frame takes it a few hundred times, each time for a short call,
// and almost never finds it held: free, it costs one atomic instruction to take and one to give
// back, where a pthread mutex costs calls into libc. A thread that finds it held sleeps on it.
//
// Even those two instructions cost about a tenth of a simulated hour, as nearly every call
// comes from the display thread. So a thread that takes the lock many times running, with no other
// in between, is given it: it then takes and gives it back with plain stores. Another thread that
// wants it takes it back first (RevokeBias): it withdraws the gift, makes every running thread
// pass a memory barrier (membarrier), so that the favoured thread either sees the withdrawal or
// is seen inside the lock, and waits for it to leave. Where the system has no such barrier,
// nobody is favoured.
class Lock {
public:
    constexpr Lock() = default;
    void lock() {
        if (favoured_.load(std::memory_order_relaxed) == Self()) {
            favouredInside_.store(true, std::memory_order_relaxed);
            std::atomic_signal_fence(std::memory_order_seq_cst);  // the barrier is the taker's
            if (favoured_.load(std::memory_order_relaxed) == Self())
                return;
            favouredInside_.store(false, std::memory_order_release);
        }
        int expected = kFree;
        if (!state_.compare_exchange_strong(expected, kHeld, std::memory_order_acquire))
            WaitAndTake();
        if (favoured_.load(std::memory_order_relaxed))
            RevokeBias();
    }
    void unlock() {
        // Only the favoured thread sets the mark, and only while no other holds the lock.
        if (favouredInside_.load(std::memory_order_relaxed)) {
            favouredInside_.store(false, std::memory_order_release);
            return;
        }
        if (lastTaker_ != Self()) {
            lastTaker_ = Self();
            takenRunning_ = 0;
        } else if (++takenRunning_ == kFavourAfter) {
            Favour();
        }
        if (state_.exchange(kFree, std::memory_order_release) == kHeldWithSleepers)
            state_.notify_one();
    }

private:
    static constexpr int kFree = 0, kHeld = 1, kHeldWithSleepers = 2;
    static constexpr int kFavourAfter = 256;
    // Each thread's own address names it: while a thread lives, no other has the same.
    static const void* Self() { return &t_self; }
    static inline __attribute__((tls_model("initial-exec"))) thread_local char t_self;
    void WaitAndTake();
    void Favour();
    void RevokeBias();
    std::atomic<int> state_{kFree};
    std::atomic<const void*> favoured_{nullptr};
    std::atomic<bool> favouredInside_{false};
    // Under the shared lock: who took it last, and how many times running.
    const void* lastTaker_ = nullptr;
    int takenRunning_ = 0;
};

using Guard = std::lock_guard<Lock>;

// Constant-initialised and never destroyed: no guard to test on each call, and threads still
// drawing while the process exits find it intact.
inline Lock& Mutex() {
    static constinit Lock lock;
    return lock;
}

// GDI handles index a table of slots. A slot's generation is part of the handle, so a handle
// kept after its object was deleted finds nothing even when the slot is in use again. Slots
// and deleted regions are reused: creating and deleting a clip region for every item of every
// frame allocates nothing once the table has grown. Lock held for all of it.
class HandleTable {
public:
    // nullptr once every slot a handle can name is in use.
    HGDIOBJ Add(std::shared_ptr<Object> object);
    // Every call starts with a look-up or two, hence inline, and a slot holds the bare pointer.
    Object* Find(HGDIOBJ handle) const {
        auto value = reinterpret_cast<uintptr_t>(handle);
        if ((value & ~kValueMask) != kBase || (value & 3))
            return nullptr;
        size_t index = ((value >> 2) & kIndexMask) - 1;  // 0 is no slot, and wraps past the end
        if (index >= slots_.size())
            return nullptr;
        const Slot& slot = slots_[index];
        return slot.generation == ((value >> kGenerationShift) & 0xFF) ? slot.object : nullptr;
    }
    void Remove(HGDIOBJ handle);
    std::shared_ptr<Region> NewRegion();
    size_t CountLive() const;

private:
    // Clear of kernel handles, window handles and registry keys, so a mix-up shows.
    static constexpr uintptr_t kBase = 0x4000000;
    static constexpr uintptr_t kValueMask = 0x3FFFFFF;
    static constexpr uintptr_t kIndexMask = 0xFFFF;
    static constexpr int kGenerationShift = 18;
    struct Slot {
        Object* object = nullptr;  // null while free; owned by owners_ at the same index
        uint8_t generation = 0;    // as the handle carries it
    };
    std::vector<Slot> slots_;
    std::vector<std::shared_ptr<Object>> owners_;
    std::vector<uint32_t> free_;
    std::vector<std::shared_ptr<Region>> spareRegions_;
};

// Constant-initialised, so that no look-up tests a guard first, and never destroyed, so that
// threads still drawing while the process exits find it intact.
union HandleTableStorage {
    constexpr HandleTableStorage() : table() {}
    ~HandleTableStorage() {}
    HandleTable table;
};
inline constinit HandleTableStorage g_handleTable;

inline HandleTable& Handles() {
    return g_handleTable.table;
}

// Lock held for the rest.
inline HGDIOBJ Add(std::shared_ptr<Object> object) {
    return Handles().Add(std::move(object));
}
// The object of a handle, or nullptr. The table owns it: valid for as long as the lock is held
// and the object not deleted (a DC's selected objects, until the DC lets go of them).
inline Object* Find(HGDIOBJ handle) {
    return Handles().Find(handle);
}
template <typename T>
T* FindAs(HGDIOBJ handle, Kind kind) {
    Object* object = Find(handle);
    return object && object->kind == kind ? static_cast<T*>(object) : nullptr;
}
inline DC* LookupDC(HDC hdc) {
    Object* object = Find(reinterpret_cast<HGDIOBJ>(hdc));
    return object && object->kind == Kind::DC ? static_cast<DC*>(object) : nullptr;
}
inline size_t LiveObjectCount() {
    return Handles().CountLive();
}

// Failures a test can ask for (hostwin/control/gdi.h): the next N creations fail.
struct Faults {
    int failCreateDC = 0;
    int failCreateDIB = 0;
};
Faults& PlannedFaults();

// Colour-table arithmetic: the nearest entry by squared distance, the lowest index on ties.
// Searches the table for a colour not remembered, and remembers it in place of the oldest.
BYTE RememberNearestIndex(const Bitmap& bitmap, COLORREF color);
// Inline while the colour is among the few remembered, as it nearly always is.
inline BYTE NearestIndex(const Bitmap& bitmap, COLORREF color) {
    for (int i = 0; i < bitmap.rememberedCount; ++i)
        if (bitmap.remembered[i].color == color)
            return bitmap.remembered[i].index;
    return RememberNearestIndex(bitmap, color);
}
COLORREF IndexColor(const Bitmap& bitmap, BYTE index);

// The device rectangle that drawing may touch: the bitmap's area within the clip region.
// Empty when the DC has no 8-bit bitmap to draw into.
inline RECT DrawableRect(const DC& dc) {
    if (!dc.bitmap || dc.bitmap->bitCount != 8)
        return RECT{0, 0, 0, 0};
    RECT r{0, 0, dc.bitmap->width, dc.bitmap->height};
    if (dc.hasClip) {
        r.left = r.left > dc.clip.left ? r.left : dc.clip.left;
        r.top = r.top > dc.clip.top ? r.top : dc.clip.top;
        r.right = r.right < dc.clip.right ? r.right : dc.clip.right;
        r.bottom = r.bottom < dc.clip.bottom ? r.bottom : dc.clip.bottom;
    }
    if (r.left >= r.right || r.top >= r.bottom)
        return RECT{0, 0, 0, 0};
    return r;
}
inline POINT ToDevice(const DC& dc, int x, int y) {
    return POINT{x + dc.viewportOrg.x, y + dc.viewportOrg.y};
}
// Plots one pixel given in logical coordinates; false when it fell outside the drawable area.
bool PlotPixel(DC& dc, int x, int y, COLORREF color);
// The same with the colour already mapped to the table.
bool PlotIndex(DC& dc, int x, int y, BYTE index);
// Stores an index at a device pixel known to be drawable.
inline void PutIndex(DC& dc, int x, int y, BYTE index) {
    dc.bitmap->Row(y)[x] = index;
}

enum class RectOp { Copy, Invert };
// A PatBlt-style fill of a device rectangle (already ordered), clipped to DrawableRect.
void FillDeviceRect(DC& dc, RECT device, RectOp op, BYTE index);

}  // namespace hostwin::gdi

#pragma GCC visibility pop
