// HID devices on the simulated bus: what SetupAPI lists, what CreateFileA opens and who
// answers their feature reports.
#pragma once

#include <functional>
#include <string>

namespace control {

// Answers one feature report. report holds length bytes, the report id first; for a get
// (set false) the device fills the buffer in. Returns false to fail the call.
using HidFeatureHandler =
    std::function<bool(bool set, unsigned char* report, unsigned long length)>;

struct HidDevice {
    std::string path;  // the device path SetupAPI reports, e.g. "\\?\hid#vid_046d&pid_c222#..."
    unsigned short vendorId = 0;
    unsigned short productId = 0;
    unsigned short versionNumber = 0;
    bool opens = true;  // false: CreateFileA refuses it (held exclusively by someone else)
    HidFeatureHandler onFeature;  // none: every feature report fails
};

// Plugs the device in after those already present; returns its id.
int PlugHidDevice(HidDevice device);
// Handles already open to it fail from now on, as for a keyboard pulled out.
void UnplugHidDevice(int id);
void UnplugAllHidDevices();
// Handles to the device that CreateFileA opened and CloseHandle has not closed yet.
int OpenHidHandles(int id);

}  // namespace control
