#include "testbed/SimulatedLcdService.h"

#include <atomic>

#include "hostwin/control/modules.h"
#include "hostwin/control/registry.h"
#include "lcdservice/LcdService.h"

namespace testbed {
namespace {

std::atomic<SimulatedLcdService*> g_active{nullptr};

std::string ModulePath(const char* file) {
    return control::WindowsPath(std::string(TESTBED_MODULE_DIR) + "/" + file);
}

}  // namespace

SimulatedLcdService::SimulatedLcdService(LcdRegistration registration)
    : registration_(registration) {
    g_active.store(this);
    SetRegistration(registration);
}

SimulatedLcdService::~SimulatedLcdService() {
    SimulatedLcdService* self = this;
    g_active.compare_exchange_strong(self, nullptr);
    RegDeleteKeyA(HKEY_LOCAL_MACHINE, kLscServerBinaryKey);
}

void SimulatedLcdService::SetRegistration(LcdRegistration registration) {
    {
        std::lock_guard<std::mutex> lk(mu_);
        registration_ = registration;
    }
    std::string path;
    switch (registration) {
        case LcdRegistration::Installed:
        case LcdRegistration::NullTable:
            path = ModulePath(ModuleFileName());
            break;
        case LcdRegistration::Unloadable:
            path = ModulePath("no_such_lcdservice.so");
            break;
        case LcdRegistration::WithoutGetInterface:
            path = ModulePath("testbed_lcdservice_noexport.so");
            break;
        case LcdRegistration::Missing:
            break;
    }
    RegDeleteKeyA(HKEY_LOCAL_MACHINE, kLscServerBinaryKey);
    if (!path.empty())
        control::SetRegistryString(HKEY_LOCAL_MACHINE, kLscServerBinaryKey, nullptr, path.c_str());
}

LcdRegistration SimulatedLcdService::Registration() const {
    std::lock_guard<std::mutex> lk(mu_);
    return registration_;
}

const char* SimulatedLcdService::ModuleFileName() {
    return "testbed_lcdservice.so";
}

int SimulatedLcdService::InterfaceRequests() const {
    std::lock_guard<std::mutex> lk(mu_);
    return interfaceRequests_;
}

void SimulatedLcdService::NoteInterfaceRequest() {
    std::lock_guard<std::mutex> lk(mu_);
    ++interfaceRequests_;
}

SimulatedLcdService* ActiveLcdService() {
    return g_active.load();
}

}  // namespace testbed
