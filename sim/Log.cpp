#include "sim/Log.h"

#include <cerrno>
#include <cstring>

#include "sim/TextCheck.h"
#include "sim/Watchdog.h"

namespace sim {

namespace {

// Controls, the C1 ones too (Windows' code pages give those for their holes): the code point
// of the sequence at text[at] of that length, or -1 when it is none.
int ControlCode(const std::string& text, size_t at, size_t length) {
    unsigned char c = static_cast<unsigned char>(text[at]);
    if (length == 1)
        return c < 0x20 || c == 0x7f ? c : -1;
    unsigned char next = static_cast<unsigned char>(text[at + 1]);
    return length == 2 && c == 0xC2 && next < 0xA0 ? next : -1;
}

}  // namespace

// The text is UTF-8; a byte that is none is shown as U+FFFD rather than passed on.
std::string JsonString(const std::string& value) {
    std::string out = "\"";
    for (size_t at = 0; at < value.size();) {
        size_t length = Utf8SequenceLength(value, at);
        if (length == 0) {
            out += "\\ufffd";
            ++at;
            continue;
        }
        char c = value[at];
        int control = ControlCode(value, at, length);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (c == '\n') {
            out += "\\n";
        } else if (c == '\r') {
            out += "\\r";
        } else if (c == '\t') {
            out += "\\t";
        } else if (control >= 0) {
            char escaped[12];
            std::snprintf(escaped, sizeof escaped, "\\u%04x", control);
            out += escaped;
        } else {
            out.append(value, at, length);
        }
        at += length;
    }
    return out + "\"";
}

Event::Event(uint32_t t, const char* name) : name_(name) {
    text_ = "{\"t\":" + std::to_string(t) + ",\"event\":" + JsonString(name);
}

Event& Event::Add(const char* key, long long value) {
    return AddRaw(key, std::to_string(value));
}

Event& Event::Add(const char* key, const std::string& value) {
    return AddRaw(key, JsonString(value));
}

Event& Event::AddRaw(const char* key, const std::string& json) {
    text_ += "," + JsonString(key) + ":" + json;
    return *this;
}

const std::set<std::string>& LogEventNames() {
    static const std::set<std::string> names = {
        "init",    "quit", "player", "screen", "lcd",      "frame",
        "buttons", "key",  "mixer",  "light",  "settings",
    };
    return names;
}

Log::~Log() {
    Close();
}

bool Log::Open(const std::string& path) {
    std::lock_guard<std::mutex> lk(mu_);
    path_ = path;
    if (path.empty())
        return true;
    if (path == "-") {
        file_ = stdout;
        return true;
    }
    file_ = std::fopen(path.c_str(), "w");
    owned_ = file_ != nullptr;
    if (!file_)
        error_ = "cannot write the log " + path + ": " + std::strerror(errno);
    return file_ != nullptr;
}

// Keeps the first cause; the file is not written again.
void Log::Fail() {
    if (error_.empty())
        error_ = "cannot write the log " + (path_ == "-" ? "to standard output" : path_) + ": " +
                 std::strerror(errno);
    if (owned_)
        std::fclose(file_);
    file_ = nullptr;
}

void Log::KeepOnly(std::set<std::string> events) {
    std::lock_guard<std::mutex> lk(mu_);
    kept_ = std::move(events);
}

bool Log::Wants(const std::string& name) const {
    std::lock_guard<std::mutex> lk(mu_);
    return file_ && (kept_.empty() || kept_.count(name) || name == "init" || name == "quit");
}

void Log::Write(const Event& event) {
    if (!Wants(event.Name()))
        return;
    OwnWork writing;
    std::lock_guard<std::mutex> lk(mu_);
    if (!file_)
        return;
    if (std::fputs(event.Text().c_str(), file_) < 0 || std::fputs("}\n", file_) < 0 ||
        std::fflush(file_) != 0)
        Fail();
}

bool Log::Close() {
    std::lock_guard<std::mutex> lk(mu_);
    if (file_) {
        bool failed = owned_ ? std::fclose(file_) != 0 : std::fflush(file_) != 0;
        owned_ = false;
        if (failed)
            Fail();
        file_ = nullptr;
    }
    return error_.empty();
}

std::string Log::Error() const {
    std::lock_guard<std::mutex> lk(mu_);
    return error_;
}

}  // namespace sim
