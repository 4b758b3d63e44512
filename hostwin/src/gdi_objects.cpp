// GDI objects: the handle table, stock objects, device contexts, DIB sections, pens, brushes,
// regions, and the state a DC keeps (colours, modes, viewport origin, clip region).
#include <windows.h>

#include <atomic>
#include <cstring>
#include <map>
#include <vector>

#include "hostwin_private.h"

using namespace hostwin::gdi;

namespace hostwin::gdi {
namespace {

constexpr int kStockCount = 18;

std::shared_ptr<Object> MakeStock(int index) {
    auto brush = [](COLORREF color, bool hollow = false) {
        auto b = std::make_shared<Brush>();
        b->color = color;
        b->hollow = hollow;
        return b;
    };
    auto pen = [](COLORREF color, int style = PS_SOLID) {
        auto p = std::make_shared<Pen>();
        p->color = color;
        p->style = style;
        return p;
    };
    auto font = [](LONG height, LONG weight, const char* face) {
        auto f = std::make_shared<Font>();
        f->logfont.lfHeight = height;
        f->logfont.lfWeight = weight;
        f->logfont.lfCharSet = DEFAULT_CHARSET;
        std::strncpy(f->logfont.lfFaceName, face, LF_FACESIZE - 1);
        return f;
    };
    switch (index) {
        case WHITE_BRUSH:
            return brush(RGB(255, 255, 255));
        case LTGRAY_BRUSH:
            return brush(RGB(192, 192, 192));
        case GRAY_BRUSH:
            return brush(RGB(128, 128, 128));
        case DKGRAY_BRUSH:
            return brush(RGB(64, 64, 64));
        case BLACK_BRUSH:
            return brush(RGB(0, 0, 0));
        case NULL_BRUSH:
            return brush(0, true);
        case WHITE_PEN:
            return pen(RGB(255, 255, 255));
        case BLACK_PEN:
            return pen(RGB(0, 0, 0));
        case NULL_PEN:
            return pen(0, PS_NULL);
        case SYSTEM_FONT:
            return font(16, FW_BOLD, "System");
        case DEFAULT_GUI_FONT:
            return font(-11, FW_NORMAL, "MS Shell Dlg");
        default:
            return nullptr;
    }
}

// The handles of the stock objects made so far, read without the lock: a stock object is made
// once, under the lock, and never deleted, so its handle never changes.
std::atomic<HGDIOBJ> g_stockHandles[kStockCount] = {};

// Lock held.
Object* Stock(int index) {
    static std::shared_ptr<Object> stock[kStockCount];
    if (index < 0 || index >= kStockCount)
        return nullptr;
    if (!stock[index]) {
        std::shared_ptr<Object> made = MakeStock(index);
        if (!made)
            return nullptr;
        made->stock = true;
        HGDIOBJ handle = Add(made);
        if (!handle)
            return nullptr;  // the table is full: tried again on the next call
        stock[index] = std::move(made);
        g_stockHandles[index].store(handle, std::memory_order_release);
    }
    return stock[index].get();
}

// What a new memory DC starts with: a 1x1 monochrome bitmap, which nothing is drawn into.
// Lock held.
Bitmap* DefaultBitmap() {
    static Bitmap* bitmap = nullptr;
    if (!bitmap) {
        auto made = std::make_shared<Bitmap>();
        made->width = made->height = 1;
        made->stock = true;
        if (Add(made))
            bitmap = made.get();  // the handle table keeps it: a stock object is never deleted
    }
    return bitmap;
}

void Release(Object* object) {
    if (!object || --object->selectCount > 0 || !object->deletePending)
        return;
    Handles().Remove(object->handle);  // the last DC let go of a deleted object: it goes now
}

template <typename T>
void Replace(T*& slot, T* object) {
    ++object->selectCount;
    T* old = slot;
    slot = object;
    Release(old);
}

RECT Ordered(int x1, int y1, int x2, int y2) {
    return RECT{x1 < x2 ? x1 : x2, y1 < y2 ? y1 : y2, x1 < x2 ? x2 : x1, y1 < y2 ? y2 : y1};
}

bool IsEmpty(const RECT& r) {
    return r.left >= r.right || r.top >= r.bottom;
}

int SelectClip(DC& dc, HRGN hrgn) {
    if (!hrgn) {
        dc.hasClip = false;
        return SIMPLEREGION;
    }
    auto* region = FindAs<Region>(reinterpret_cast<HGDIOBJ>(hrgn), Kind::Region);
    if (!region)
        return ERROR;
    dc.hasClip = true;
    dc.clip = region->rect;
    return IsEmpty(dc.clip) ? NULLREGION : SIMPLEREGION;
}

HGDIOBJ SelectBitmap(DC& dc, Bitmap* bitmap) {
    HDC self = reinterpret_cast<HDC>(dc.handle);
    if (bitmap->selectedInto && bitmap->selectedInto != self)
        return nullptr;
    HGDIOBJ previous = dc.bitmap->handle;
    if (dc.bitmap != bitmap) {
        if (!dc.bitmap->stock)
            dc.bitmap->selectedInto = nullptr;
        if (!bitmap->stock)
            bitmap->selectedInto = self;
        Replace(dc.bitmap, bitmap);
    }
    return previous;
}

}  // namespace

HGDIOBJ HandleTable::Add(std::shared_ptr<Object> object) {
    uint32_t index;
    if (!free_.empty()) {
        index = free_.back();
        free_.pop_back();
    } else {
        // A handle has room for so many slots; one more would give a handle that names another
        // slot's object, or none.
        if (slots_.size() >= kIndexMask)
            return nullptr;
        index = static_cast<uint32_t>(slots_.size());
        slots_.emplace_back();
        owners_.emplace_back();
    }
    Slot& slot = slots_[index];
    slot.object = object.get();
    owners_[index] = std::move(object);
    uintptr_t value = kBase | (static_cast<uintptr_t>(slot.generation) << kGenerationShift) |
                      (static_cast<uintptr_t>(index + 1) << 2);
    slot.object->handle = reinterpret_cast<HGDIOBJ>(value);
    return slot.object->handle;
}

void HandleTable::Remove(HGDIOBJ handle) {
    Object* object = Find(handle);
    if (!object)
        return;
    size_t index = ((reinterpret_cast<uintptr_t>(handle) >> 2) & kIndexMask) - 1;
    std::shared_ptr<Object>& owner = owners_[index];
    if (object->kind == Kind::Region && owner.use_count() == 1)
        spareRegions_.push_back(std::static_pointer_cast<Region>(std::move(owner)));
    owner = nullptr;
    slots_[index].object = nullptr;
    ++slots_[index].generation;
    free_.push_back(static_cast<uint32_t>(index));
}

std::shared_ptr<Region> HandleTable::NewRegion() {
    if (spareRegions_.empty())
        return std::make_shared<Region>();
    std::shared_ptr<Region> region = std::move(spareRegions_.back());
    spareRegions_.pop_back();
    region->rect = RECT{};
    region->selectCount = 0;
    region->deletePending = false;
    return region;
}

size_t HandleTable::CountLive() const {
    size_t count = 0;
    for (const Slot& slot : slots_)
        if (slot.object && !slot.object->stock)
            ++count;
    return count;
}

Faults& PlannedFaults() {
    static Faults faults;
    return faults;
}

}  // namespace hostwin::gdi

namespace {

template <typename T, typename R>
R WithDC(HDC hdc, R failure, T&& fn) {
    Guard lk(Mutex());
    auto dc = LookupDC(hdc);
    if (!dc) {
        SetLastError(ERROR_INVALID_HANDLE);
        return failure;
    }
    return fn(*dc);
}

}  // namespace

extern "C" {

HDC WINAPI CreateCompatibleDC(HDC hdc) {
    Guard lk(Mutex());
    if (hdc && !LookupDC(hdc))
        return nullptr;
    if (PlannedFaults().failCreateDC > 0) {
        --PlannedFaults().failCreateDC;
        return nullptr;
    }
    Bitmap* bitmap = DefaultBitmap();
    auto* pen = static_cast<Pen*>(Stock(BLACK_PEN));
    auto* brush = static_cast<Brush*>(Stock(WHITE_BRUSH));
    auto* font = static_cast<Font*>(Stock(SYSTEM_FONT));
    auto dc = std::make_shared<DC>();
    if (!bitmap || !pen || !brush || !font || !Add(dc)) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    Replace(dc->bitmap, bitmap);
    Replace(dc->pen, pen);
    Replace(dc->brush, brush);
    Replace(dc->font, font);
    return reinterpret_cast<HDC>(dc->handle);
}

BOOL WINAPI DeleteDC(HDC hdc) {
    Guard lk(Mutex());
    auto dc = LookupDC(hdc);
    if (!dc)
        return FALSE;
    if (!dc->bitmap->stock)
        dc->bitmap->selectedInto = nullptr;
    Release(dc->bitmap);
    Release(dc->pen);
    Release(dc->brush);
    Release(dc->font);
    dc->bitmap = nullptr;
    dc->pen = nullptr;
    dc->brush = nullptr;
    dc->font = nullptr;
    Handles().Remove(dc->handle);
    return TRUE;
}

// 8-bit DIB sections only: the one kind of bitmap the product draws into.
HBITMAP WINAPI CreateDIBSection(HDC hdc, const BITMAPINFO* info, UINT usage, VOID** bits,
                                HANDLE section, DWORD) {
    if (bits)
        *bits = nullptr;
    Guard lk(Mutex());
    if (hdc && !LookupDC(hdc))
        return nullptr;
    if (!info || usage != DIB_RGB_COLORS || section)
        return nullptr;
    const BITMAPINFOHEADER& h = info->bmiHeader;
    if (h.biSize < sizeof(BITMAPINFOHEADER) || h.biWidth <= 0 || h.biHeight == 0 ||
        h.biPlanes != 1 || h.biBitCount != 8 || h.biCompression != BI_RGB) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    if (PlannedFaults().failCreateDIB > 0) {
        --PlannedFaults().failCreateDIB;
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    auto bitmap = std::make_shared<Bitmap>();
    bitmap->width = h.biWidth;
    bitmap->height = h.biHeight < 0 ? -h.biHeight : h.biHeight;
    bitmap->topDown = h.biHeight < 0;
    bitmap->bitCount = 8;
    bitmap->stride = ((h.biWidth * 8 + 31) / 32) * 4;
    bitmap->storage.assign(static_cast<size_t>(bitmap->stride) * bitmap->height, 0);
    DWORD colors = h.biClrUsed == 0 || h.biClrUsed > 256 ? 256 : h.biClrUsed;
    const auto* table =
        reinterpret_cast<const RGBQUAD*>(reinterpret_cast<const BYTE*>(info) + h.biSize);
    bitmap->colors.assign(table, table + colors);
    HGDIOBJ handle = Add(bitmap);
    if (!handle) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    if (bits)
        *bits = bitmap->storage.data();
    return reinterpret_cast<HBITMAP>(handle);
}

HGDIOBJ WINAPI GetStockObject(int i) {
    if (i >= 0 && i < kStockCount)
        if (HGDIOBJ handle = g_stockHandles[i].load(std::memory_order_acquire))
            return handle;
    Guard lk(Mutex());
    Object* object = Stock(i);
    return object ? object->handle : nullptr;
}

HGDIOBJ WINAPI SelectObject(HDC hdc, HGDIOBJ h) {
    Guard lk(Mutex());
    DC* dc = LookupDC(hdc);
    Object* object = Find(h);
    if (!dc || !object) {
        SetLastError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    HGDIOBJ previous = nullptr;
    switch (object->kind) {
        case Kind::Pen:
            previous = dc->pen->handle;
            Replace(dc->pen, static_cast<Pen*>(object));
            return previous;
        case Kind::Brush:
            previous = dc->brush->handle;
            Replace(dc->brush, static_cast<Brush*>(object));
            return previous;
        case Kind::Font:
            previous = dc->font->handle;
            Replace(dc->font, static_cast<Font*>(object));
            return previous;
        case Kind::Bitmap:
            return SelectBitmap(*dc, static_cast<Bitmap*>(object));
        case Kind::Region: {
            int type = SelectClip(*dc, reinterpret_cast<HRGN>(h));
            return type == ERROR ? HGDI_ERROR
                                 : reinterpret_cast<HGDIOBJ>(static_cast<LONG_PTR>(type));
        }
        case Kind::DC:
            break;
    }
    return nullptr;
}

BOOL WINAPI DeleteObject(HGDIOBJ h) {
    Guard lk(Mutex());
    Object* object = Handles().Find(h);
    if (!object || object->kind == Kind::DC)
        return FALSE;
    if (object->stock)
        return TRUE;
    if (object->selectCount > 0) {
        object->deletePending = true;
        return TRUE;
    }
    Handles().Remove(h);
    return TRUE;
}

// Every width is drawn one pixel wide: the product only makes cosmetic pens.
HPEN WINAPI CreatePen(int style, int width, COLORREF color) {
    if ((style & PS_STYLE_MASK) > PS_NULL) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    auto pen = std::make_shared<Pen>();
    pen->style = style & PS_STYLE_MASK;
    pen->width = width;
    pen->color = color;
    Guard lk(Mutex());
    return reinterpret_cast<HPEN>(Add(pen));
}

HBRUSH WINAPI CreateSolidBrush(COLORREF color) {
    auto brush = std::make_shared<Brush>();
    brush->color = color;
    Guard lk(Mutex());
    return reinterpret_cast<HBRUSH>(Add(brush));
}

// Drawing is immediate; there is nothing to flush.
BOOL WINAPI GdiFlush(void) {
    return TRUE;
}

HRGN WINAPI CreateRectRgn(int x1, int y1, int x2, int y2) {
    Guard lk(Mutex());
    auto region = Handles().NewRegion();
    region->rect = Ordered(x1, y1, x2, y2);
    if (IsEmpty(region->rect))
        region->rect = RECT{0, 0, 0, 0};
    return reinterpret_cast<HRGN>(Add(std::move(region)));
}

// The DC keeps a copy: the region may be deleted at once.
int WINAPI SelectClipRgn(HDC hdc, HRGN hrgn) {
    return WithDC(hdc, ERROR, [&](DC& dc) { return SelectClip(dc, hrgn); });
}

BOOL WINAPI SetViewportOrgEx(HDC hdc, int x, int y, LPPOINT old) {
    return WithDC(hdc, FALSE, [&](DC& dc) {
        if (old)
            *old = dc.viewportOrg;
        dc.viewportOrg = POINT{x, y};
        return TRUE;
    });
}

BOOL WINAPI OffsetViewportOrgEx(HDC hdc, int x, int y, LPPOINT old) {
    return WithDC(hdc, FALSE, [&](DC& dc) {
        if (old)
            *old = dc.viewportOrg;
        dc.viewportOrg.x += x;
        dc.viewportOrg.y += y;
        return TRUE;
    });
}

BOOL WINAPI GetViewportOrgEx(HDC hdc, LPPOINT point) {
    return WithDC(hdc, FALSE, [&](DC& dc) {
        if (!point)
            return FALSE;
        *point = dc.viewportOrg;
        return TRUE;
    });
}

// Only MM_TEXT is drawn in; the other modes are remembered but map like MM_TEXT.
int WINAPI SetMapMode(HDC hdc, int mode) {
    return WithDC(hdc, 0, [&](DC& dc) {
        if (mode < MM_TEXT || mode > MM_ANISOTROPIC)
            return 0;
        int previous = dc.mapMode;
        dc.mapMode = mode;
        return previous;
    });
}

int WINAPI GetMapMode(HDC hdc) {
    return WithDC(hdc, 0, [](DC& dc) { return dc.mapMode; });
}

int WINAPI SetBkMode(HDC hdc, int mode) {
    return WithDC(hdc, 0, [&](DC& dc) {
        if (mode != TRANSPARENT && mode != OPAQUE) {
            SetLastError(ERROR_INVALID_PARAMETER);
            return 0;
        }
        int previous = dc.bkMode;
        dc.bkMode = mode;
        return previous;
    });
}

int WINAPI GetBkMode(HDC hdc) {
    return WithDC(hdc, 0, [](DC& dc) { return dc.bkMode; });
}

COLORREF WINAPI SetBkColor(HDC hdc, COLORREF color) {
    return WithDC(hdc, static_cast<COLORREF>(CLR_INVALID), [&](DC& dc) {
        COLORREF previous = dc.bkColor;
        dc.bkColor = color;
        return previous;
    });
}

COLORREF WINAPI GetBkColor(HDC hdc) {
    return WithDC(hdc, static_cast<COLORREF>(CLR_INVALID), [](DC& dc) { return dc.bkColor; });
}

COLORREF WINAPI SetTextColor(HDC hdc, COLORREF color) {
    return WithDC(hdc, static_cast<COLORREF>(CLR_INVALID), [&](DC& dc) {
        COLORREF previous = dc.textColor;
        dc.textColor = color;
        return previous;
    });
}

COLORREF WINAPI GetTextColor(HDC hdc) {
    return WithDC(hdc, static_cast<COLORREF>(CLR_INVALID), [](DC& dc) { return dc.textColor; });
}

}  // extern "C"
