#include "sim/ErrorOutput.h"

#include <unistd.h>

#include <cstdio>
#include <mutex>

#include "sim/Log.h"
#include "sim/TextCheck.h"

namespace sim {
namespace {

// Faults come from the driver, the plug-in's threads (a frame that cannot be written) and the
// watchdog; the progress line is shared by all of them.
std::mutex g_mutex;
size_t g_progressWidth = 0;  // the progress line's length on the terminal; 0 when none is shown

void AppendEscaped(unsigned char byte, std::string& out) {
    char escaped[8];
    std::snprintf(escaped, sizeof escaped, "\\x%02X", byte);
    out += escaped;
}

// U+0080 to U+009F: C1 controls, which a terminal in UTF-8 may act on as escape sequences.
bool IsC1Control(const std::string& text, size_t at, size_t length) {
    return length == 2 && static_cast<unsigned char>(text[at]) == 0xC2 &&
           static_cast<unsigned char>(text[at + 1]) < 0xA0;
}

void EraseProgressLocked() {
    if (g_progressWidth == 0)
        return;
    std::fprintf(stderr, "\r%*s\r", static_cast<int>(g_progressWidth), "");
    g_progressWidth = 0;
}

}  // namespace

std::string Printable(const std::string& text) {
    std::string out;
    for (size_t at = 0; at < text.size();) {
        auto byte = static_cast<unsigned char>(text[at]);
        size_t length = Utf8SequenceLength(text, at);
        if (length == 0 || byte < 0x20 || byte == 0x7F || IsC1Control(text, at, length)) {
            size_t escaped = length == 0 ? 1 : length;
            for (size_t k = 0; k < escaped; ++k)
                AppendEscaped(static_cast<unsigned char>(text[at + k]), out);
            at += escaped;
            continue;
        }
        out.append(text, at, length);
        at += length;
    }
    return out;
}

void PrintFault(const std::string& message) {
    std::string line = "velm-sim: " + Printable(message) + "\n";
    // The log holds events back for a while: those written before the fault go out first, so
    // that where the log and the faults meet (--log - 2>&1) the line still follows them.
    FlushOpenLogs();
    std::lock_guard<std::mutex> lock(g_mutex);
    EraseProgressLocked();
    std::fputs(line.c_str(), stderr);
    std::fflush(stderr);
}

bool ErrorsOnTerminal() {
    return isatty(STDERR_FILENO);
}

void ShowProgress(const std::string& text) {
    std::lock_guard<std::mutex> lock(g_mutex);
    // Blanks cover what is left of a longer line before.
    int cover = g_progressWidth > text.size() ? static_cast<int>(g_progressWidth - text.size()) : 0;
    std::fprintf(stderr, "\r%s%*s", text.c_str(), cover, "");
    std::fflush(stderr);
    g_progressWidth = text.size() + cover;
}

void ClearProgress() {
    std::lock_guard<std::mutex> lock(g_mutex);
    EraseProgressLocked();
    std::fflush(stderr);
}

}  // namespace sim
