#include "testbed/LcdServiceCore.h"

#include <cstring>

namespace testbed {
namespace {

const char* const kEntryNames[kLcdEntryCount] = {
    "startup",     "cleanup",     "reserved",     "connect",      "disconnect",
    "find-device", "open-device", "close-device", "read-buttons", "show-frame"};

// Sixteen frames are 110 KB, which stay in the processors' caches: with 256 (1.8 MB) every frame
// shown went into memory untouched for twelve simulated seconds, and the simulator ran about a
// twentieth slower where the two processors share a core. What is read back is the last frame
// or the last few.
constexpr size_t kFramesKept = 16;
constexpr size_t kCallsKept = 4096;

// Adds to a ring that keeps the last `kept` values: appended until full, then the oldest
// slot is overwritten (reusing what it holds).
template <typename T>
void KeepInRing(std::vector<T>& ring, size_t& oldest, size_t kept, const T& value) {
    if (ring.size() < kept) {
        ring.push_back(value);
        return;
    }
    ring[oldest] = value;
    oldest = (oldest + 1) % kept;
}

template <typename T>
std::vector<T> RingInOrder(const std::vector<T>& ring, size_t oldest) {
    std::vector<T> ordered(ring.begin() + static_cast<std::ptrdiff_t>(oldest), ring.end());
    ordered.insert(ordered.end(), ring.begin(), ring.begin() + static_cast<std::ptrdiff_t>(oldest));
    return ordered;
}

template <typename Observer>
std::shared_ptr<const std::function<Observer>> Shared(std::function<Observer> observer) {
    if (!observer)
        return nullptr;
    return std::make_shared<const std::function<Observer>>(std::move(observer));
}

}  // namespace

LcdServiceCore::LcdServiceCore() {
    calls_.reserve(kCallsKept);
    frames_.reserve(kFramesKept);
}

const char* LcdEntryName(int entry) {
    return entry >= 0 && entry < kLcdEntryCount ? kEntryNames[entry] : "unknown";
}

int LcdEntryByName(const std::string& name) {
    for (int entry = 0; entry < kLcdEntryCount; ++entry)
        if (name == kEntryNames[entry])
            return entry;
    return -1;
}

bool LcdServiceCore::Planned(int entry, DWORD& code) {
    if (!failNext_[entry].empty()) {
        code = failNext_[entry].front();
        failNext_[entry].pop_front();
        return code != ERROR_SUCCESS;
    }
    code = failAlwaysCode_[entry];
    return failAlways_[entry] && code != ERROR_SUCCESS;
}

// Records the call and tells the observers, with the lock given up first so that they may
// call back in.
DWORD LcdServiceCore::Finish(std::unique_lock<std::mutex>& lk, int entry, Outcome outcome) {
    ++callCounts_[entry];
    KeepInRing(calls_, oldestCall_, kCallsKept, LcdCall{entry, outcome.result});
    auto callObserver = callObserver_;
    auto frameObserver = outcome.frame ? frameObserver_ : nullptr;
    auto buttonsObserver = outcome.buttonsChanged ? buttonsObserver_ : nullptr;
    FramePtr frame = frameObserver ? std::move(outcome.frame) : nullptr;
    outcome.frame.reset();
    lk.unlock();
    if (callObserver)
        (*callObserver)(LcdCall{entry, outcome.result});
    if (buttonsObserver)
        (*buttonsObserver)(outcome.buttons);
    if (frameObserver) {
        (*frameObserver)(*frame);
        lk.lock();
        frame.reset();
    }
    return outcome.result;
}

DWORD LcdServiceCore::Startup() {
    std::unique_lock<std::mutex> lk(mu_);
    DWORD code;
    if (Planned(kLcdStartup, code))
        return Finish(lk, kLcdStartup, Outcome{code});
    ++initialised_;
    return Finish(lk, kLcdStartup, Outcome{ERROR_SUCCESS});
}

// The last client's clean-up closes whatever it left open.
DWORD LcdServiceCore::Cleanup() {
    std::unique_lock<std::mutex> lk(mu_);
    DWORD code;
    if (Planned(kLcdCleanup, code))
        return Finish(lk, kLcdCleanup, Outcome{code});
    if (initialised_ > 0 && --initialised_ == 0) {
        connections_.clear();
        devices_.clear();
    }
    return Finish(lk, kLcdCleanup, Outcome{ERROR_SUCCESS});
}

DWORD LcdServiceCore::Reserved() {
    std::unique_lock<std::mutex> lk(mu_);
    return Finish(lk, kLcdReserved, Outcome{ERROR_CALL_NOT_IMPLEMENTED});
}

DWORD LcdServiceCore::Connect(LscConnectRecord* context) {
    std::unique_lock<std::mutex> lk(mu_);
    DWORD code;
    if (Planned(kLcdConnect, code))
        return Finish(lk, kLcdConnect, Outcome{code});
    if (!initialised_)
        return Finish(lk, kLcdConnect, Outcome{ERROR_SERVICE_NOT_ACTIVE});
    if (!running_)
        return Finish(lk, kLcdConnect, Outcome{RPC_S_SERVER_UNAVAILABLE});
    if (!context || !context->applicationName)
        return Finish(lk, kLcdConnect, Outcome{ERROR_INVALID_PARAMETER});
    int handle = nextHandle_++;
    connections_[handle].application = context->applicationName;
    context->connection = handle;
    return Finish(lk, kLcdConnect, Outcome{ERROR_SUCCESS});
}

DWORD LcdServiceCore::Disconnect(int connection) {
    std::unique_lock<std::mutex> lk(mu_);
    DWORD code;
    if (Planned(kLcdDisconnect, code))
        return Finish(lk, kLcdDisconnect, Outcome{code});
    if (!initialised_)
        return Finish(lk, kLcdDisconnect, Outcome{ERROR_SERVICE_NOT_ACTIVE});
    if (!connections_.erase(connection))
        return Finish(lk, kLcdDisconnect, Outcome{ERROR_INVALID_HANDLE});
    for (auto it = devices_.begin(); it != devices_.end();)
        it = it->second.connection == connection ? devices_.erase(it) : std::next(it);
    return Finish(lk, kLcdDisconnect, Outcome{ERROR_SUCCESS});
}

DWORD LcdServiceCore::FindDevice(int connection, int index, LscDeviceRecord* description) {
    std::unique_lock<std::mutex> lk(mu_);
    DWORD code;
    if (Planned(kLcdFindDevice, code))
        return Finish(lk, kLcdFindDevice, Outcome{code});
    if (!initialised_)
        return Finish(lk, kLcdFindDevice, Outcome{ERROR_SERVICE_NOT_ACTIVE});
    if (!connections_.count(connection))
        return Finish(lk, kLcdFindDevice, Outcome{ERROR_INVALID_HANDLE});
    if (!description)
        return Finish(lk, kLcdFindDevice, Outcome{ERROR_INVALID_PARAMETER});
    if (!plugged_ || index != 0)
        return Finish(lk, kLcdFindDevice, Outcome{ERROR_NO_MORE_ITEMS});
    description->fields[0] = kLcdWidth;
    description->fields[1] = kLcdHeight;
    description->fields[2] = 8;  // bits per pixel
    description->fields[3] = 4;  // soft buttons
    return Finish(lk, kLcdFindDevice, Outcome{ERROR_SUCCESS});
}

DWORD LcdServiceCore::OpenDevice(LscOpenRecord* context) {
    std::unique_lock<std::mutex> lk(mu_);
    DWORD code;
    if (Planned(kLcdOpenDevice, code))
        return Finish(lk, kLcdOpenDevice, Outcome{code});
    if (!initialised_)
        return Finish(lk, kLcdOpenDevice, Outcome{ERROR_SERVICE_NOT_ACTIVE});
    if (!context)
        return Finish(lk, kLcdOpenDevice, Outcome{ERROR_INVALID_PARAMETER});
    if (!connections_.count(context->connection))
        return Finish(lk, kLcdOpenDevice, Outcome{ERROR_INVALID_HANDLE});
    if (context->index != 0)
        return Finish(lk, kLcdOpenDevice, Outcome{ERROR_NO_MORE_ITEMS});
    if (!plugged_)
        return Finish(lk, kLcdOpenDevice, Outcome{ERROR_DEVICE_NOT_CONNECTED});
    int handle = nextHandle_++;
    devices_[handle] = Device{context->connection, plugCount_};
    context->device = handle;
    return Finish(lk, kLcdOpenDevice, Outcome{ERROR_SUCCESS});
}

DWORD LcdServiceCore::CloseDevice(int device) {
    std::unique_lock<std::mutex> lk(mu_);
    DWORD code;
    if (Planned(kLcdCloseDevice, code))
        return Finish(lk, kLcdCloseDevice, Outcome{code});
    if (!initialised_)
        return Finish(lk, kLcdCloseDevice, Outcome{ERROR_SERVICE_NOT_ACTIVE});
    if (!devices_.erase(device))
        return Finish(lk, kLcdCloseDevice, Outcome{ERROR_INVALID_HANDLE});
    return Finish(lk, kLcdCloseDevice, Outcome{ERROR_SUCCESS});
}

// A device opened on a keyboard that has since gone away (or was plugged in again) is gone.
DWORD LcdServiceCore::CheckDevice(int device) const {
    if (!initialised_)
        return ERROR_SERVICE_NOT_ACTIVE;
    auto it = devices_.find(device);
    if (it == devices_.end())
        return ERROR_INVALID_HANDLE;
    if (!plugged_ || it->second.plugCount != plugCount_)
        return ERROR_DEVICE_NOT_CONNECTED;
    return ERROR_SUCCESS;
}

DWORD LcdServiceCore::ReadButtons(int device, DWORD* buttons) {
    std::unique_lock<std::mutex> lk(mu_);
    Outcome outcome{ERROR_SUCCESS};
    DWORD code;
    outcome.result =
        Planned(kLcdReadButtons, code) ? code : ReadButtonsLocked(device, buttons, outcome);
    return Finish(lk, kLcdReadButtons, std::move(outcome));
}

DWORD LcdServiceCore::ReadButtonsLocked(int device, DWORD* buttons, Outcome& outcome) {
    if (!buttons)
        return ERROR_INVALID_PARAMETER;
    DWORD result = CheckDevice(device);
    if (result != ERROR_SUCCESS)
        return result;
    *buttons = held_ | tapped_;
    tapped_ = 0;
    outcome.buttonsChanged = *buttons != lastReading_;
    outcome.buttons = *buttons;
    lastReading_ = *buttons;
    return ERROR_SUCCESS;
}

DWORD LcdServiceCore::ShowFrame(int device, LscFrame* frame, DWORD priority) {
    std::unique_lock<std::mutex> lk(mu_);
    Outcome outcome{ERROR_SUCCESS};
    DWORD code;
    outcome.result =
        Planned(kLcdShowFrame, code) ? code : ShowFrameLocked(device, frame, priority, outcome);
    return Finish(lk, kLcdShowFrame, std::move(outcome));
}

DWORD LcdServiceCore::ShowFrameLocked(int device, LscFrame* frame, DWORD priority,
                                      Outcome& outcome) {
    if (!frame)
        return ERROR_INVALID_PARAMETER;
    DWORD result = CheckDevice(device);
    if (result != ERROR_SUCCESS)
        return result;
    if (frame->format != kLscFrameFormat)
        return ERROR_INVALID_PARAMETER;
    int connection = devices_[device].connection;
    Connection& owner = connections_[connection];
    // The oldest frame of a full ring, once nothing else holds it, takes the new one: field by
    // field, so that its buffers are reused.
    FramePtr shown;
    if (frames_.size() == kFramesKept && frames_[oldestFrame_].use_count() == 1)
        shown = frames_[oldestFrame_];
    else
        shown = std::make_shared<LcdShownFrame>();
    shown->connection = connection;
    shown->application = owner.application;
    shown->priority = priority;
    shown->pixels.assign(frame->pixels, frame->pixels + kLcdPixelBytes);
    shown->sequence = ++sequence_;
    owner.latest = shown;
    KeepInRing(frames_, oldestFrame_, kFramesKept, shown);
    ++frameCount_;
    outcome.frame = std::move(shown);
    return ERROR_SUCCESS;
}

void LcdServiceCore::Unplug() {
    std::lock_guard<std::mutex> lk(mu_);
    plugged_ = false;
}

void LcdServiceCore::Plug() {
    std::lock_guard<std::mutex> lk(mu_);
    if (plugged_)
        return;
    plugged_ = true;
    ++plugCount_;
}

bool LcdServiceCore::Plugged() const {
    std::lock_guard<std::mutex> lk(mu_);
    return plugged_;
}

void LcdServiceCore::Stop() {
    std::lock_guard<std::mutex> lk(mu_);
    running_ = false;
    connections_.clear();
    devices_.clear();
}

void LcdServiceCore::Start() {
    std::lock_guard<std::mutex> lk(mu_);
    running_ = true;
}

void LcdServiceCore::Restart() {
    Stop();
    Start();
}

void LcdServiceCore::Tap(DWORD bits) {
    std::lock_guard<std::mutex> lk(mu_);
    tapped_ |= bits;
}

bool LcdServiceCore::TapPending() const {
    std::lock_guard<std::mutex> lk(mu_);
    return tapped_ != 0;
}

void LcdServiceCore::Hold(DWORD bits) {
    std::lock_guard<std::mutex> lk(mu_);
    held_ |= bits;
}

void LcdServiceCore::Release(DWORD bits) {
    std::lock_guard<std::mutex> lk(mu_);
    held_ &= ~bits;
}

void LcdServiceCore::FailNext(int entry, DWORD code) {
    std::lock_guard<std::mutex> lk(mu_);
    if (entry >= 0 && entry < kLcdEntryCount)
        failNext_[entry].push_back(code);
}

void LcdServiceCore::FailAlways(int entry, DWORD code) {
    std::lock_guard<std::mutex> lk(mu_);
    if (entry < 0 || entry >= kLcdEntryCount)
        return;
    failAlways_[entry] = true;
    failAlwaysCode_[entry] = code;
}

void LcdServiceCore::ClearFailures() {
    std::lock_guard<std::mutex> lk(mu_);
    for (int entry = 0; entry < kLcdEntryCount; ++entry) {
        failNext_[entry].clear();
        failAlways_[entry] = false;
    }
}

int LcdServiceCore::CallCount(int entry) const {
    std::lock_guard<std::mutex> lk(mu_);
    return entry >= 0 && entry < kLcdEntryCount ? callCounts_[entry] : 0;
}

std::vector<LcdCall> LcdServiceCore::Calls() const {
    std::lock_guard<std::mutex> lk(mu_);
    return RingInOrder(calls_, oldestCall_);
}

size_t LcdServiceCore::FrameCount() const {
    std::lock_guard<std::mutex> lk(mu_);
    return frameCount_;
}

std::vector<LcdShownFrame> LcdServiceCore::Frames() const {
    std::lock_guard<std::mutex> lk(mu_);
    std::vector<LcdShownFrame> frames;
    frames.reserve(frames_.size());
    for (const FramePtr& frame : RingInOrder(frames_, oldestFrame_))
        frames.push_back(*frame);
    return frames;
}

bool LcdServiceCore::LastFrame(LcdShownFrame& frame) const {
    std::lock_guard<std::mutex> lk(mu_);
    if (frames_.empty())
        return false;
    frame = *frames_[(oldestFrame_ + frames_.size() - 1) % frames_.size()];
    return true;
}

bool LcdServiceCore::Displayed(LcdShownFrame& frame) const {
    std::lock_guard<std::mutex> lk(mu_);
    if (!plugged_)
        return false;
    const LcdShownFrame* best = nullptr;
    for (const auto& [handle, connection] : connections_) {
        if (!connection.latest)
            continue;
        const LcdShownFrame& f = *connection.latest;
        if (!best || f.priority > best->priority ||
            (f.priority == best->priority && f.sequence > best->sequence))
            best = &f;
    }
    if (best)
        frame = *best;
    return best != nullptr;
}

int LcdServiceCore::OpenConnections() const {
    std::lock_guard<std::mutex> lk(mu_);
    return static_cast<int>(connections_.size());
}

int LcdServiceCore::OpenDevices() const {
    std::lock_guard<std::mutex> lk(mu_);
    return static_cast<int>(devices_.size());
}

bool LcdServiceCore::Initialised() const {
    std::lock_guard<std::mutex> lk(mu_);
    return initialised_ > 0;
}

void LcdServiceCore::SetCallObserver(std::function<void(const LcdCall&)> observer) {
    std::lock_guard<std::mutex> lk(mu_);
    callObserver_ = Shared(std::move(observer));
}

void LcdServiceCore::SetFrameObserver(std::function<void(const LcdShownFrame&)> observer) {
    std::lock_guard<std::mutex> lk(mu_);
    frameObserver_ = Shared(std::move(observer));
}

void LcdServiceCore::SetButtonsObserver(std::function<void(DWORD)> observer) {
    std::lock_guard<std::mutex> lk(mu_);
    buttonsObserver_ = Shared(std::move(observer));
}

}  // namespace testbed
