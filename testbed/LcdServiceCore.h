// A stand-in for the keyboard vendor's LCD service: the ten entries of its table, a keyboard
// that can be unplugged and plugged in, a service that can be stopped and restarted, soft
// buttons, frames kept with their priorities, and any entry made to answer any result.
// Plain Win32 and standard C++: the host's testbed and the Wine test DLL both build it.
#pragma once

#include <windows.h>

#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "lcdservice/LcdServiceRecords.h"

namespace testbed {

// The entries in table order.
enum LcdEntry {
    kLcdStartup,
    kLcdCleanup,
    kLcdReserved,
    kLcdConnect,
    kLcdDisconnect,
    kLcdFindDevice,
    kLcdOpenDevice,
    kLcdCloseDevice,
    kLcdReadButtons,
    kLcdShowFrame,
    kLcdEntryCount
};
// "startup", "cleanup", "reserved", "connect", "disconnect", "find-device", "open-device",
// "close-device", "read-buttons", "show-frame".
const char* LcdEntryName(int entry);
// The entry of that name, or -1.
int LcdEntryByName(const std::string& name);

struct LcdShownFrame {
    int connection;
    std::string application;
    DWORD priority;
    std::vector<BYTE> pixels;  // 6880 bytes, as the frame carried them
    unsigned long long sequence;
};

struct LcdCall {
    int entry;
    DWORD result;
};

class LcdServiceCore {
public:
    LcdServiceCore();
    LcdServiceCore(const LcdServiceCore&) = delete;
    LcdServiceCore& operator=(const LcdServiceCore&) = delete;

    // The table's entries.
    DWORD Startup();
    DWORD Cleanup();
    DWORD Reserved();
    DWORD Connect(LscConnectRecord* context);
    DWORD Disconnect(int connection);
    DWORD FindDevice(int connection, int index, LscDeviceRecord* description);
    DWORD OpenDevice(LscOpenRecord* context);
    DWORD CloseDevice(int device);
    DWORD ReadButtons(int device, DWORD* buttons);
    DWORD ShowFrame(int device, LscFrame* frame, DWORD priority);

    // The keyboard: while unplugged no device is found, and every open device answers 1167.
    void Unplug();
    void Plug();
    bool Plugged() const;
    // The service goes down: every connection and device handle goes stale (6), and connect
    // answers 1722 until it is started again.
    void Stop();
    void Start();
    void Restart();

    // Soft buttons by bit (1, 2, 4, 8). A tap is reported down by the next reading only.
    void Tap(DWORD bits);
    void Hold(DWORD bits);
    void Release(DWORD bits);
    // A tap that no reading has reported yet.
    bool TapPending() const;

    // One call of the entry answers code, doing nothing else; or every call does, until
    // cleared. Code 0 lets the call through.
    void FailNext(int entry, DWORD code);
    void FailAlways(int entry, DWORD code);
    void ClearFailures();

    // What happened.
    int CallCount(int entry) const;
    // The last calls (at most the last 4096), oldest first.
    std::vector<LcdCall> Calls() const;
    size_t FrameCount() const;
    // The last frames shown (at most the last 16), oldest first.
    std::vector<LcdShownFrame> Frames() const;
    // The last frame shown; false before the first.
    bool LastFrame(LcdShownFrame& frame) const;
    // The frame on the LCD now: of the open connections' latest frames the one with the
    // highest priority, the latest of equals. False when there is none or no keyboard.
    bool Displayed(LcdShownFrame& frame) const;
    int OpenConnections() const;
    int OpenDevices() const;
    bool Initialised() const;

    // Called after the entry has answered, outside the lock.
    void SetCallObserver(std::function<void(const LcdCall&)> observer);
    void SetFrameObserver(std::function<void(const LcdShownFrame&)> observer);
    // Each reading whose bits differ from the reading before.
    void SetButtonsObserver(std::function<void(DWORD buttons)> observer);

private:
    // A frame shown is kept once, shared by the ring, its connection and the observer; every
    // copy and release of one happens under the lock, so that one no longer held is reused.
    using FramePtr = std::shared_ptr<LcdShownFrame>;
    template <typename Observer>
    using ObserverPtr = std::shared_ptr<const std::function<Observer>>;

    struct Connection {
        std::string application;
        FramePtr latest;  // null before its first frame
    };
    struct Device {
        int connection;
        unsigned plugCount;  // the keyboard it was opened on
    };
    struct Outcome {
        DWORD result;
        bool buttonsChanged = false;
        DWORD buttons = 0;
        FramePtr frame = nullptr;
    };

    // Lock held.
    bool Planned(int entry, DWORD& code);
    DWORD CheckDevice(int device) const;
    DWORD ReadButtonsLocked(int device, DWORD* buttons, Outcome& outcome);
    DWORD ShowFrameLocked(int device, LscFrame* frame, DWORD priority, Outcome& outcome);
    DWORD Finish(std::unique_lock<std::mutex>& lk, int entry, Outcome outcome);

    mutable std::mutex mu_;
    int initialised_ = 0;
    bool running_ = true;
    bool plugged_ = true;
    unsigned plugCount_ = 1;
    int nextHandle_ = 1;
    std::map<int, Connection> connections_;
    std::map<int, Device> devices_;
    DWORD held_ = 0;
    DWORD tapped_ = 0;
    DWORD lastReading_ = 0;
    std::deque<DWORD> failNext_[kLcdEntryCount];
    bool failAlways_[kLcdEntryCount] = {};
    DWORD failAlwaysCode_[kLcdEntryCount] = {};
    int callCounts_[kLcdEntryCount] = {};
    // Both kept in rings whose slots are reused once full, so that a long run stays within
    // a fixed amount of memory and a frame costs no allocation once the ring is full.
    std::vector<LcdCall> calls_;
    size_t oldestCall_ = 0;
    std::vector<FramePtr> frames_;
    size_t oldestFrame_ = 0;
    size_t frameCount_ = 0;
    unsigned long long sequence_ = 0;
    // Shared with the calls under way, which take them without a copy of the function.
    ObserverPtr<void(const LcdCall&)> callObserver_;
    ObserverPtr<void(const LcdShownFrame&)> frameObserver_;
    ObserverPtr<void(DWORD)> buttonsObserver_;
};

}  // namespace testbed
