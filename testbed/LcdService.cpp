#include "testbed/LcdService.h"

#include <atomic>

#include "hostwin/control/modules.h"
#include "hostwin/control/registry.h"
#include "lcdservice/LcdService.h"

namespace testbed {
namespace {

std::atomic<LcdService*> g_active{nullptr};

std::string ModulePath(const char* file) {
    return control::WindowsPath(std::string(TESTBED_MODULE_DIR) + "/" + file);
}

}  // namespace

LcdService::LcdService(LcdRegistration registration) : registration_(registration) {
    g_active.store(this);
    SetRegistration(registration);
}

LcdService::~LcdService() {
    LcdService* self = this;
    g_active.compare_exchange_strong(self, nullptr);
    RegDeleteKeyA(HKEY_LOCAL_MACHINE, kLscServerBinaryKey);
}

void LcdService::SetRegistration(LcdRegistration registration) {
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

LcdRegistration LcdService::Registration() const {
    std::lock_guard<std::mutex> lk(mu_);
    return registration_;
}

const char* LcdService::ModuleFileName() {
    return "testbed_lcdservice.so";
}

int LcdService::InterfaceRequests() const {
    std::lock_guard<std::mutex> lk(mu_);
    return interfaceRequests_;
}

void LcdService::NoteInterfaceRequest() {
    std::lock_guard<std::mutex> lk(mu_);
    ++interfaceRequests_;
}

LcdService* ActiveLcdService() {
    return g_active.load();
}

}  // namespace testbed
