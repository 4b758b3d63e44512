#include "sim/Log.h"

namespace sim {

std::string JsonString(const std::string& value) {
    std::string out = "\"";
    for (unsigned char c : value) {
        switch (c) {
            case '"':
                out += "\\\"";
                break;
            case '\\':
                out += "\\\\";
                break;
            case '\n':
                out += "\\n";
                break;
            case '\r':
                out += "\\r";
                break;
            case '\t':
                out += "\\t";
                break;
            default:
                if (c < 0x20 || c >= 0x7f) {
                    char escaped[8];
                    // 8-bit text is shown by its byte value, as Latin-1.
                    std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
                    out += escaped;
                } else {
                    out += static_cast<char>(c);
                }
        }
    }
    return out + "\"";
}

Event::Event(uint32_t t, const char* name) {
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

Log::~Log() {
    if (owned_ && file_)
        std::fclose(file_);
}

bool Log::Open(const std::string& path) {
    if (path.empty())
        return true;
    if (path == "-") {
        file_ = stdout;
        return true;
    }
    file_ = std::fopen(path.c_str(), "w");
    owned_ = file_ != nullptr;
    return file_ != nullptr;
}

void Log::Write(const Event& event) {
    std::lock_guard<std::mutex> lk(mu_);
    if (!file_)
        return;
    std::fputs(event.Text().c_str(), file_);
    std::fputs("}\n", file_);
    std::fflush(file_);
}

}  // namespace sim
