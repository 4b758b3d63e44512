#include "sim/FileText.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace sim {

bool ReadFileText(const std::string& path, std::string& text, std::string& cause) {
    bool standardInput = path == "-";
    FILE* file = standardInput ? stdin : std::fopen(path.c_str(), "rb");
    if (!file) {
        cause = std::strerror(errno);
        return false;
    }
    text.clear();
    char buffer[65536];
    size_t n;
    // A folder opens, but its first read fails with EISDIR.
    while ((n = std::fread(buffer, 1, sizeof buffer, file)) > 0)
        text.append(buffer, n);
    bool failed = std::ferror(file);
    int error = errno;
    if (!standardInput)
        std::fclose(file);
    if (failed)
        cause = std::strerror(error);
    return !failed;
}

}  // namespace sim
