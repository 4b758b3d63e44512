// The records exchanged with the keyboard vendor's LCD service, and the result codes the
// program acts on. The layouts are the service's: on the 32-bit product every field is 32 bits.
#pragma once

#include <windows.h>

// Result codes, by their Win32 names.
static_assert(ERROR_SUCCESS == 0);
static_assert(ERROR_NO_MORE_ITEMS == 259, "no device at the index: ask again later");
static_assert(ERROR_SERVICE_NOT_ACTIVE == 1062, "the client is not initialised");
static_assert(ERROR_DEVICE_NOT_CONNECTED == 1167, "the keyboard went away");
static_assert(ERROR_ALREADY_INITIALIZED == 1247, "a second start-up");
static_assert(RPC_S_SERVER_UNAVAILABLE == 1722, "the service cannot be found or loaded");

// Handed to the connect call; the service writes the connection handle into the last field.
struct LscConnectRecord {
    const char* applicationName;
    DWORD option1;
    DWORD option2;
    DWORD extra1;
    DWORD extra2;
    int connection;
};

// Filled in by the service when it finds a device; the program does not read it.
struct LscDeviceRecord {
    DWORD fields[4];
};

// Handed to the open call; the service writes the device handle into the last field.
struct LscOpenRecord {
    int connection;
    int index;
    DWORD extra1;
    DWORD extra2;
    int device;
};

constexpr int kLcdWidth = 160;
constexpr int kLcdHeight = 43;
constexpr int kLcdPixelBytes = kLcdWidth * kLcdHeight;
constexpr DWORD kLscFrameFormat = 1;  // 160 x 43, one byte per pixel, rows top to bottom

// One frame: the format word and the pixels, a byte above 128 lit.
struct LscFrame {
    DWORD format;
    BYTE pixels[kLcdPixelBytes];
};

// Soft-button bits as the service reports them.
constexpr DWORD kSoftButton1 = 1;
constexpr DWORD kSoftButton2 = 2;
constexpr DWORD kSoftButton3 = 4;
constexpr DWORD kSoftButton4 = 8;

// Priorities of a frame.
constexpr DWORD kLscPriorityIdle = 0;
constexpr DWORD kLscPriorityNormal = 128;
constexpr DWORD kLscPriorityAlert = 255;

static_assert(sizeof(void*) != 4 || sizeof(LscConnectRecord) == 24, "six 32-bit fields");
static_assert(sizeof(LscDeviceRecord) == 16);
static_assert(sizeof(LscOpenRecord) == 20, "five 32-bit fields");
static_assert(sizeof(LscFrame) == 6884, "the format word and 6880 pixel bytes");
