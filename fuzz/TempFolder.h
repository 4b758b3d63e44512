// A folder of the harness's own under /tmp for its "DLL" and settings file: made on first use,
// removed when the process ends, so that replaying the corpus on every test run leaves nothing.
#pragma once

#include <stdlib.h>

#include <filesystem>
#include <string>
#include <system_error>

#include "fuzz/FuzzInput.h"

namespace fuzz {

inline const std::string& TempFolder(const char* name) {
    struct Folder {
        std::string path;
        explicit Folder(const char* name) {
            std::string pattern = std::string("/tmp/velm-fuzz-") + name + "-XXXXXX";
            if (!mkdtemp(pattern.data()))
                Broken("cannot make a folder");
            path = pattern;
        }
        ~Folder() {
            std::error_code ignored;
            std::filesystem::remove_all(path, ignored);
        }
    };
    static Folder folder(name);
    return folder.path;
}

}  // namespace fuzz
