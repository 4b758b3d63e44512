// The simulator's event log: JSON Lines, one object per event, each with the simulated time
// "t" in ms since the start and the "event" name first.
#pragma once

#include <cstdint>
#include <cstdio>
#include <mutex>
#include <string>

namespace sim {

class Event {
public:
    Event(uint32_t t, const char* name);
    Event& Add(const char* key, long long value);
    Event& Add(const char* key, const std::string& value);
    Event& Add(const char* key, const char* value) { return Add(key, std::string(value)); }
    Event& AddRaw(const char* key, const std::string& json);
    const std::string& Text() const { return text_; }

private:
    std::string text_;
};

std::string JsonString(const std::string& value);

class Log {
public:
    ~Log();
    // "-" is standard output; an empty path writes nothing.
    bool Open(const std::string& path);
    void Write(const Event& event);

private:
    std::mutex mu_;
    FILE* file_ = nullptr;
    bool owned_ = false;
};

}  // namespace sim
