// The simulator's event log: JSON Lines, one object per event, each with the simulated time
// "t" in ms since the start and the "event" name first.
#pragma once

#include <cstdint>
#include <cstdio>
#include <mutex>
#include <set>
#include <string>

namespace sim {

class Event {
public:
    Event(uint32_t t, const char* name);
    const std::string& Name() const { return name_; }
    Event& Add(const char* key, long long value);
    Event& Add(const char* key, const std::string& value);
    Event& Add(const char* key, const char* value) { return Add(key, std::string(value)); }
    Event& AddRaw(const char* key, const std::string& json);
    const std::string& Text() const { return text_; }

private:
    std::string name_;
    std::string text_;
};

// The events the log writes, for --log-events.
const std::set<std::string>& LogEventNames();

// The player's 8-bit text as a JSON string, in UTF-8.
std::string JsonString(const std::string& value);

// Each event is flushed as it is written, so that the log can be followed while the run goes
// on. A write that fails ends the writing; the run goes on and Close() reports it.
class Log {
public:
    ~Log();
    // "-" is standard output; an empty path writes nothing. False, with Error(), when the file
    // cannot be made.
    bool Open(const std::string& path);
    // From now on only these events are written, and init and quit; empty: every event.
    void KeepOnly(std::set<std::string> events);
    // Whether an event of that name would be written (a frame's rows cost to make).
    bool Wants(const std::string& name) const;
    void Write(const Event& event);
    // Flushes and closes. False, with Error(), when any write failed.
    bool Close();
    // "cannot write the log PATH: <the system's cause>"
    std::string Error() const;

private:
    void Fail();

    mutable std::mutex mu_;
    std::string path_;
    FILE* file_ = nullptr;
    bool owned_ = false;
    std::string error_;
    std::set<std::string> kept_;
};

}  // namespace sim
