#include "hostwin/control/profile.h"

#include "hostwin_private.h"

namespace control {

void SetProfileWriteObserver(
    std::function<void(const std::string&, const std::string&, const std::string&)> observer) {
    hostwin::SetProfileWriteObserver(std::move(observer));
}

void SetProfileFileProtected(const std::string& file, bool isProtected) {
    hostwin::SetProfileFileProtected(hostwin::ToHostPath(file.c_str()), isProtected);
}

void SetProfileFileUnreadable(const std::string& file, bool isUnreadable) {
    hostwin::SetProfileFileUnreadable(hostwin::ToHostPath(file.c_str()), isUnreadable);
}

void SetFolderProtected(const std::string& folder, bool isProtected) {
    hostwin::SetFolderProtected(hostwin::ToHostPath(folder.c_str()), isProtected);
}

}  // namespace control
