// The simulator's event log: JSON Lines, one object per event, each with the simulated time
// "t" in ms since the start and the "event" name first.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <set>
#include <string>
#include <string_view>
#include <thread>

namespace sim {

// The event's name and its keys are the simulator's own words, plain ASCII without quotes or
// backslashes, written as they are; the values are escaped.
class Event {
public:
    Event(uint32_t t, const char* name);
    ~Event();
    Event(const Event&) = delete;
    Event& operator=(const Event&) = delete;
    const std::string& Name() const { return name_; }
    Event& Add(const char* key, long long value);
    Event& Add(const char* key, std::string_view value);
    Event& AddRaw(const char* key, std::string_view json);
    // The key, and the text to append its value to in place (a frame's rows); the value must be
    // JSON.
    std::string& RawValue(const char* key);
    // Without the closing brace, which the log adds.
    const std::string& Text() const { return text_; }

private:
    std::string name_;
    std::string text_;
};

// The events the log writes, for --log-events.
const std::set<std::string>& LogEventNames();

// The player's 8-bit text as a JSON string, in UTF-8.
std::string JsonString(std::string_view value);
// The same, appended to out.
void AppendJsonString(std::string& out, std::string_view value);

// Events are gathered in memory and written to the file together, by a thread of the log's own,
// each at most kFlushIntervalMs of real time after it was written: a few writes a second rather
// than one an event, and still a log that can be followed while the run goes on. Flush() and
// Close() write what is gathered at once, as FlushOpenLogs() does on the ways out that skip
// Close() (EndSignals.h). A write that fails ends the writing; the run goes on and Close()
// reports it.
class Log {
public:
    static constexpr int kFlushIntervalMs = 100;

    ~Log();
    // Once. "-" is standard output; an empty path writes nothing. False, with Error(), when the
    // file cannot be made.
    bool Open(const std::string& path);
    // From now on only these events are written, and init and quit; empty: every event. Called
    // before Open.
    void KeepOnly(std::set<std::string> events);
    // Whether an event of that name would be written: what an event costs to make is spent
    // only when it is.
    bool Wants(std::string_view name) const;
    void Write(const Event& event);
    // Hands every event written so far to the file now.
    void Flush();
    // Flushes and closes. False, with Error(), when any write failed.
    bool Close();
    // "cannot write the log PATH: <the system's cause>"
    std::string Error() const;

private:
    void FlushEvery();
    void WriteOut();
    void FailLocked(int cause);

    std::string path_;
    std::set<std::string, std::less<>> kept_;
    // Set while the file takes events; Wants() reads it without a lock.
    std::atomic<bool> open_{false};

    // Lock order: fileMu_, then mu_.
    mutable std::mutex fileMu_;  // held while the file is written, so that writes keep their order
    std::string writing_;        // what is being written; under fileMu_
    int fd_ = -1;                // under fileMu_, and mu_ to change it
    bool owned_ = false;

    mutable std::mutex mu_;
    std::string pending_;           // events written, not yet handed to the file
    std::condition_variable due_;   // pending_ has events, or the log closes
    std::condition_variable room_;  // pending_ was taken
    std::chrono::steady_clock::time_point pendingSince_;
    bool closing_ = false;
    std::string error_;
    std::thread flusher_;
};

// Every event written to a log that is open goes to its file now: before a fault line, so that
// the line follows the events before it, and on the ways out that skip Close().
void FlushOpenLogs();

}  // namespace sim
