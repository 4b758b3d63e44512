#include "lcd/LCDGfx.h"

#include <cstring>
#include <new>

namespace {

// One BITMAPINFO and 256 more colour-table entries: room to spare for the 256-entry table.
constexpr size_t kBitmapInfoBlock = sizeof(BITMAPINFO) + 256 * sizeof(RGBQUAD);
static_assert(kBitmapInfoBlock == 1068);
constexpr int kFirstWhiteIndex = 129;

// DIB rows are padded to 4 bytes; a 160-pixel row needs none.
int RowStride(int width) {
    return ((width * 8 + 31) / 32) * 4;
}

void WriteHeaderAndColours(BITMAPINFO* info, int width, int height) {
    std::memset(info, 0, kBitmapInfoBlock);
    BITMAPINFOHEADER& h = info->bmiHeader;
    h.biSize = sizeof(BITMAPINFOHEADER);
    h.biWidth = width;
    h.biHeight = -height;  // rows run top to bottom
    h.biPlanes = 1;
    h.biBitCount = 8;
    h.biCompression = BI_RGB;
    h.biSizeImage = width * height * 8 / 8;
    h.biXPelsPerMeter = 3200;
    h.biYPelsPerMeter = 3200;
    h.biClrUsed = 256;
    h.biClrImportant = 256;
    for (int i = kFirstWhiteIndex; i < 256; ++i) {
        info->bmiColors[i].rgbRed = 255;
        info->bmiColors[i].rgbGreen = 255;
        info->bmiColors[i].rgbBlue = 255;
    }
}

}  // namespace

CLCDGfx::~CLCDGfx() {
    Shutdown();
}

HRESULT CLCDGfx::Initialize(int width, int height) {
    Shutdown();
    m_width = width;
    m_height = height;
    // The record carries exactly one LCD frame; a larger surface would overrun it.
    if (width <= 0 || height <= 0 || width > kLcdPixelBytes / height) {
        Shutdown();
        return E_FAIL;
    }
    m_hdc = CreateCompatibleDC(nullptr);
    if (!m_hdc) {
        Shutdown();
        return E_FAIL;
    }
    m_bitmapInfo = static_cast<BITMAPINFO*>(::operator new(kBitmapInfoBlock, std::nothrow));
    if (!m_bitmapInfo) {
        Shutdown();
        return E_OUTOFMEMORY;
    }
    WriteHeaderAndColours(m_bitmapInfo, width, height);
    void* pixels = nullptr;
    m_bitmap = CreateDIBSection(m_hdc, m_bitmapInfo, DIB_RGB_COLORS, &pixels, nullptr, 0);
    if (!m_bitmap) {
        Shutdown();
        return E_FAIL;
    }
    m_pixels = static_cast<BYTE*>(pixels);
    m_record = new (std::nothrow) LscFrame;
    if (!m_record) {
        Shutdown();
        return E_OUTOFMEMORY;
    }
    return S_OK;
}

void CLCDGfx::Shutdown() {
    delete m_record;
    m_record = nullptr;
    // Released in the middle of a drawing pass: give the DC its own bitmap back first, since
    // Windows will not delete a bitmap that is still selected.
    if (m_savedBitmap && m_hdc)
        SelectObject(m_hdc, m_savedBitmap);
    if (m_bitmap) {
        DeleteObject(m_bitmap);
        m_bitmap = nullptr;
        m_pixels = nullptr;
    }
    m_savedBitmap = nullptr;
    ::operator delete(m_bitmapInfo);
    m_bitmapInfo = nullptr;
    if (m_hdc) {
        DeleteDC(m_hdc);
        m_hdc = nullptr;
    }
    m_width = 0;
    m_height = 0;
}

void CLCDGfx::BeginFrame() {
    if (m_savedBitmap)
        return;
    m_savedBitmap = static_cast<HBITMAP>(SelectObject(m_hdc, m_bitmap));
    SetTextColor(m_hdc, RGB(255, 255, 255));
    SetBkColor(m_hdc, RGB(0, 0, 0));
}

void CLCDGfx::ClearFrame() {
    RECT all = {0, 0, m_width, m_height};
    FillRect(m_hdc, &all, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
}

void CLCDGfx::EndFrame() {
    if (!m_savedBitmap)
        return;
    GdiFlush();
    SelectObject(m_hdc, m_savedBitmap);
    m_savedBitmap = nullptr;
}

LscFrame* CLCDGfx::CopyToRecord() {
    if (!m_record)
        return nullptr;
    m_record->format = kLscFrameFormat;
    int stride = RowStride(m_width);
    for (int y = 0; y < m_height; ++y)
        std::memcpy(m_record->pixels + y * m_width, m_pixels + y * stride, m_width);
    return m_record;
}
