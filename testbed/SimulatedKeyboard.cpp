#include "testbed/SimulatedKeyboard.h"

#include "hostwin/control/hid.h"

namespace testbed {

SimulatedKeyboard::SimulatedKeyboard(std::string path) : path_(std::move(path)) {
    reports_.reserve(kReportsKept);
    control::HidDevice device;
    device.path = path_;
    device.vendorId = 0x046D;
    device.productId = 0xC222;
    device.onFeature = [this](bool set, unsigned char* report, unsigned long length) {
        return OnFeature(set, report, length);
    };
    deviceId_ = control::PlugHidDevice(std::move(device));
}

SimulatedKeyboard::~SimulatedKeyboard() {
    Unplug();
}

void SimulatedKeyboard::Unplug() {
    if (deviceId_)
        control::UnplugHidDevice(deviceId_);
    deviceId_ = 0;
}

int SimulatedKeyboard::OpenHandles() const {
    return deviceId_ ? control::OpenHidHandles(deviceId_) : 0;
}

// Report 2 only, always four bytes. A get answers with the selector asked for in byte 1, that
// light in byte 2 (the selector-2 level in its lower four bits) and the M-key mask in byte 3.
bool SimulatedKeyboard::OnFeature(bool set, unsigned char* report, unsigned long length) {
    if (length != 4 || report[0] != 2)
        return false;
    std::function<void(int, int)> observer;
    {
        std::lock_guard<std::mutex> lk(mu_);
        int selector = report[1];
        if (selector != 1 && selector != 2 && selector != 4)
            return false;
        if (set) {
            if (selector == 1)
                selector1_ = report[2];
            if (selector == 2)
                selector2_ = report[2];
            if (selector == 4)
                mkeys_ = report[2];
            observer = observer_;
        } else {
            report[2] = static_cast<unsigned char>(selector == 2 ? selector2_ >> 4 : selector1_);
            report[3] = static_cast<unsigned char>(mkeys_);
        }
        LightReport recorded{set, {report[0], report[1], report[2], report[3]}};
        if (reports_.size() < kReportsKept) {
            reports_.push_back(recorded);
        } else {
            reports_[oldestReport_] = recorded;
            oldestReport_ = (oldestReport_ + 1) % kReportsKept;
        }
    }
    if (observer)
        observer(report[1], report[2]);
    return true;
}

int SimulatedKeyboard::Selector1() const {
    std::lock_guard<std::mutex> lk(mu_);
    return selector1_;
}

int SimulatedKeyboard::Selector2() const {
    std::lock_guard<std::mutex> lk(mu_);
    return selector2_;
}

int SimulatedKeyboard::Mkeys() const {
    std::lock_guard<std::mutex> lk(mu_);
    return mkeys_;
}

void SimulatedKeyboard::SetLights(int selector1, int selector2, int mkeys) {
    std::lock_guard<std::mutex> lk(mu_);
    selector1_ = selector1;
    selector2_ = selector2;
    mkeys_ = mkeys;
}

std::vector<LightReport> SimulatedKeyboard::Reports() const {
    std::lock_guard<std::mutex> lk(mu_);
    std::vector<LightReport> ordered(reports_.begin() + static_cast<std::ptrdiff_t>(oldestReport_),
                                     reports_.end());
    ordered.insert(ordered.end(), reports_.begin(),
                   reports_.begin() + static_cast<std::ptrdiff_t>(oldestReport_));
    return ordered;
}

std::vector<std::pair<int, int>> SimulatedKeyboard::Writes() const {
    std::vector<std::pair<int, int>> writes;
    for (const auto& r : Reports())
        if (r.set)
            writes.emplace_back(r.bytes[1], r.bytes[2]);
    return writes;
}

void SimulatedKeyboard::ClearReports() {
    std::lock_guard<std::mutex> lk(mu_);
    reports_.clear();
    oldestReport_ = 0;
}

void SimulatedKeyboard::SetWriteObserver(std::function<void(int selector, int value)> observer) {
    std::lock_guard<std::mutex> lk(mu_);
    observer_ = std::move(observer);
}

}  // namespace testbed
