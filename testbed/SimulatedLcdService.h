// The LCD service as the testbed installs it: a loadable module (testbed_lcdservice.so)
// registered where the plug-in looks for the service, whose entries reach the active
// SimulatedLcdService object here. Tests and the simulator drive the keyboard, the buttons and the
// failures through that object and read back the frames it was shown.
#pragma once

#include <string>

#include "testbed/LcdServiceCore.h"

namespace testbed {

enum class LcdRegistration {
    Installed,            // the registry names the service module
    Missing,              // no registry key
    Unloadable,           // the registry names a file that does not exist
    WithoutGetInterface,  // the registry names a module that lacks "GetInterface"
    NullTable,            // the module's "GetInterface" answers null
};

class SimulatedLcdService : public LcdServiceCore {
public:
    // Becomes the service that the module's entries reach, and writes the registry.
    explicit SimulatedLcdService(LcdRegistration registration = LcdRegistration::Installed);
    // Removes the registry key; the module's entries then answer 1722.
    ~SimulatedLcdService();

    void SetRegistration(LcdRegistration registration);
    LcdRegistration Registration() const;

    // The service module's file name, as GetModuleHandleA knows a loaded module.
    static const char* ModuleFileName();
    // How often the module was asked for its table.
    int InterfaceRequests() const;

    // For the module.
    void NoteInterfaceRequest();

private:
    mutable std::mutex mu_;
    LcdRegistration registration_;
    int interfaceRequests_ = 0;
};

// The service the module's entries reach, or null.
SimulatedLcdService* ActiveLcdService();

}  // namespace testbed
