// The off-screen surface of one LCD screen: a memory device context with an 8-bit top-down DIB
// section whose colour table is black for indices 0 to 128 and white from 129, and the frame
// record that carries a finished frame to the LCD service. The DIB's pixel bytes are the
// record's pixel block, so handing a frame over is one copy.
#pragma once

#include <windows.h>

#include "lcdservice/LcdServiceRecords.h"

class CLCDGfx {
public:
    CLCDGfx() = default;
    virtual ~CLCDGfx();
    CLCDGfx(const CLCDGfx&) = delete;
    CLCDGfx& operator=(const CLCDGfx&) = delete;

    // 0, E_FAIL or E_OUTOFMEMORY. Releases whatever the surface held before; a failure leaves
    // it released.
    HRESULT Initialize(int width, int height);
    // Safe on a surface that is partly built, released or never built.
    void Shutdown();

    // One drawing pass: BeginFrame, ClearFrame, the tree's OnDraw, EndFrame.
    void BeginFrame();
    void ClearFrame();
    void EndFrame();

    // The record with format 1 and the surface's pixels, or null without a record.
    LscFrame* CopyToRecord();

    HDC GetDrawingDC() const { return m_hdc; }
    HBITMAP GetBitmap() const { return m_bitmap; }
    BYTE* GetPixels() const { return m_pixels; }
    int GetWidth() const { return m_width; }
    int GetHeight() const { return m_height; }

private:
    int m_width = 0;
    int m_height = 0;
    LscFrame* m_record = nullptr;
    BITMAPINFO* m_bitmapInfo = nullptr;
    HDC m_hdc = nullptr;
    HBITMAP m_bitmap = nullptr;
    HBITMAP m_savedBitmap = nullptr;
    BYTE* m_pixels = nullptr;
};
