// INI files and their folders: what the simulator and tests may watch of them, and what they
// may forbid to be written or read.
#pragma once

#include <functional>
#include <string>

namespace control {

// Called after every successful WritePrivateProfileStringA, on the writing thread, with the
// file as the caller named it (Windows form), the section and the key. Null stops it.
void SetProfileWriteObserver(
    std::function<void(const std::string& file, const std::string& section, const std::string& key)>
        observer);

// A file that no profile write may change, whoever the user: what the read-only attribute
// does on Windows. Wine (and so the stand-in) lets the superuser write a file without write
// permission, and the tests may well run as the superuser. file as the product names it.
void SetProfileFileProtected(const std::string& file, bool isProtected);

// A file that no profile function may read while it is there, whoever the user: what a file
// the user may write but not read (chmod 200, for an ordinary user) is, which the superuser
// reads all the same. Reads give the default, and writes fail, as the file cannot be opened
// for reading and writing. file as the product names it.
void SetProfileFileUnreadable(const std::string& file, bool isUnreadable);

// A folder in which nothing new may be made, whoever the user: no file by a profile write, no
// folder by CreateDirectoryA. What a folder the user may not write is on Windows; the files
// already in it stay as writable as they are. folder as the product names it.
void SetFolderProtected(const std::string& folder, bool isProtected);

}  // namespace control
