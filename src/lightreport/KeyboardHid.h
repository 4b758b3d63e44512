// The keyboard's light report: HID feature report 2, four bytes, on the G15's HID interface.
// This is the only place that knows its layout; everything else names a light by selector.
#pragma once

#include <windows.h>

#include <atomic>

enum LightSelector : int {
    kLightSelector1 = 1,  // one backlight: levels 0, 1, 2
    kLightSelector2 = 2,  // the other backlight
    kLightMkeys = 4,      // the M-key LEDs: a mask in which a set bit darkens its LED
};

constexpr BYTE kLightReportId = 2;
constexpr int kLightReportSize = 4;
constexpr USHORT kKeyboardVendorId = 0x046D;
constexpr USHORT kKeyboardProductId = 0xC222;

// 1 once FindKeyboard has opened the keyboard; reads and writes do nothing while it is 0.
extern std::atomic<int> g_keyboardFound;

// Searches the HID interfaces for the keyboard and keeps the first that opens and matches.
// Returns 1 if found, else 0.
int FindKeyboard();
// Lets the keyboard go: the found flag drops to 0 and the handle is closed, so that nothing of
// the plug-in stays open in the player's process once it is unloaded.
void CloseKeyboard();
// The present value of one light; 0 when there is no keyboard or the read fails.
BYTE ReadLight(int selector);
void WriteLight(int selector, BYTE value);

// The values the lights had before a meter or the screen-saver dimming took them over.
void SaveLightState();
void RestoreLight(int selector);
BYTE GetSavedLight(int selector);
void SetSavedLight(int selector, BYTE value);
