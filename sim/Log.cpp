#include "sim/Log.h"

#include <fcntl.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstring>

#include "sim/TextCheck.h"
#include "sim/Watchdog.h"

namespace sim {

namespace {

// Once this much is waiting, the log's thread writes it without waiting for the interval; once
// this much, writers wait for the thread to take it (a reader of a pipe that has not caught up).
constexpr size_t kHandOverBytes = size_t{1} << 20;
constexpr size_t kMostPendingBytes = size_t{8} << 20;

// Printable ASCII but the quote and the backslash: what a JSON string holds as it is. Looked up
// in a table, as every byte of every title logged is asked.
constexpr std::array<bool, 256> kPlain = [] {
    std::array<bool, 256> plain{};
    for (int c = 0x20; c < 0x7f; ++c)
        plain[c] = c != '"' && c != '\\';
    return plain;
}();

bool Plain(unsigned char c) {
    return kPlain[c];
}

// A control, the C1 ones too (Windows' code pages give those for their holes), by its code.
void AppendControl(std::string& out, unsigned char code) {
    static constexpr char kHex[] = "0123456789abcdef";
    char escaped[] = {'\\', 'u', '0', '0', kHex[code >> 4], kHex[code & 15]};
    out.append(escaped, sizeof escaped);
}

void AppendNumber(std::string& out, long long value) {
    char digits[24];
    auto end = std::to_chars(digits, digits + sizeof digits, value).ptr;
    out.append(digits, static_cast<size_t>(end - digits));
}

std::mutex& OpenLogsMutex() {
    static std::mutex mu;
    return mu;
}

std::set<Log*>& OpenLogs() {
    static std::set<Log*> logs;
    return logs;
}

}  // namespace

// The text is UTF-8; a byte that is none is shown as U+FFFD rather than passed on. Runs of
// plain ASCII, most of any text, are taken whole.
void AppendJsonString(std::string& out, std::string_view value) {
    out += '"';
    for (size_t at = 0; at < value.size();) {
        size_t plain = at;
        while (plain < value.size() && Plain(static_cast<unsigned char>(value[plain])))
            ++plain;
        out.append(value.data() + at, plain - at);
        if (plain == value.size())
            break;
        at = plain;
        unsigned char c = static_cast<unsigned char>(value[at]);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c == '\n') {
            out += "\\n";
        } else if (c == '\r') {
            out += "\\r";
        } else if (c == '\t') {
            out += "\\t";
        } else if (c < 0x80) {
            AppendControl(out, c);
        } else {
            size_t length = Utf8SequenceLength(value, at);
            if (length == 0) {
                out += "\\ufffd";
                length = 1;
            } else if (length == 2 && c == 0xC2 &&
                       static_cast<unsigned char>(value[at + 1]) < 0xA0) {
                AppendControl(out, static_cast<unsigned char>(value[at + 1]));
            } else {
                out.append(value.data() + at, length);
            }
            at += length;
            continue;
        }
        ++at;
    }
    out += '"';
}

std::string JsonString(std::string_view value) {
    std::string out;
    out.reserve(value.size() + 2);
    AppendJsonString(out, value);
    return out;
}

namespace {

// An event is made, written and dropped at once, six times a display pass on the player's
// thread: each takes over the text of the one before it on its thread, so that none allocates.
thread_local std::string t_spareText;

}  // namespace

// Room for the fields of most events, so that adding them does not grow the text. Names and keys
// are the simulator's own words, plain ASCII that JSON takes as it is.
Event::Event(uint32_t t, const char* name) : name_(name), text_(std::move(t_spareText)) {
    text_.clear();
    text_.reserve(128);
    text_.append("{\"t\":", 5);
    AppendNumber(text_, t);
    text_.append(",\"event\":\"", 10);
    text_.append(name_);
    text_ += '"';
}

Event::~Event() {
    if (text_.capacity() > t_spareText.capacity())
        t_spareText = std::move(text_);
}

Event& Event::Add(const char* key, long long value) {
    AppendNumber(RawValue(key), value);
    return *this;
}

Event& Event::Add(const char* key, std::string_view value) {
    AppendJsonString(RawValue(key), value);
    return *this;
}

Event& Event::AddRaw(const char* key, std::string_view json) {
    RawValue(key) += json;
    return *this;
}

// The key and its punctuation in one append where it fits: an append costs more than its bytes.
std::string& Event::RawValue(const char* key) {
    char piece[64];
    size_t length = std::strlen(key);
    if (length + 4 > sizeof piece) {
        text_.append(",\"", 2).append(key, length).append("\":", 2);
        return text_;
    }
    piece[0] = ',';
    piece[1] = '"';
    std::memcpy(piece + 2, key, length);
    piece[length + 2] = '"';
    piece[length + 3] = ':';
    return text_.append(piece, length + 4);
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
    path_ = path;
    if (path.empty())
        return true;
    int fd = STDOUT_FILENO;
    if (path == "-") {
        std::fflush(stdout);  // whatever the stream holds comes first
    } else {
        fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
        if (fd < 0) {
            std::lock_guard<std::mutex> lk(mu_);
            error_ = "cannot write the log " + path + ": " + std::strerror(errno);
            return false;
        }
    }
    {
        std::lock_guard<std::mutex> file(fileMu_);
        std::lock_guard<std::mutex> lk(mu_);
        fd_ = fd;
        owned_ = path != "-";
        closing_ = false;
        open_ = true;
    }
    flusher_ = std::thread([this] { FlushEvery(); });
    std::lock_guard<std::mutex> logs(OpenLogsMutex());
    OpenLogs().insert(this);
    return true;
}

void Log::KeepOnly(std::set<std::string> events) {
    kept_ = std::set<std::string, std::less<>>(events.begin(), events.end());
}

bool Log::Wants(std::string_view name) const {
    return open_.load(std::memory_order_relaxed) &&
           (kept_.empty() || kept_.count(name) || name == "init" || name == "quit");
}

void Log::Write(const Event& event) {
    if (!Wants(event.Name()))
        return;
    OwnWork writing;  // a wait for room below is the reader's, not a hang of the plug-in
    const std::string& text = event.Text();
    bool wake;
    {
        std::unique_lock<std::mutex> lk(mu_);
        if (pending_.size() >= kMostPendingBytes) {
            due_.notify_one();
            room_.wait(lk, [this] { return pending_.size() < kMostPendingBytes || !open_; });
        }
        if (!open_)
            return;
        size_t before = pending_.size();
        if (before == 0)
            pendingSince_ = std::chrono::steady_clock::now();
        pending_.append(text);
        pending_.append("}\n", 2);
        wake = before == 0 || (before < kHandOverBytes && pending_.size() >= kHandOverBytes);
    }
    if (wake)
        due_.notify_one();
}

// The log's thread: what was written goes to the file once the oldest of it has waited
// kFlushIntervalMs, or at once when much is waiting.
void Log::FlushEvery() {
    std::unique_lock<std::mutex> lk(mu_);
    for (;;) {
        due_.wait(lk, [this] { return closing_ || !pending_.empty(); });
        if (closing_)
            return;
        due_.wait_until(lk, pendingSince_ + std::chrono::milliseconds(kFlushIntervalMs),
                        [this] { return closing_ || pending_.size() >= kHandOverBytes; });
        if (closing_)
            return;
        lk.unlock();
        WriteOut();
        lk.lock();
    }
}

// Takes what is pending and writes it, after any write under way.
void Log::WriteOut() {
    std::lock_guard<std::mutex> file(fileMu_);
    {
        std::lock_guard<std::mutex> lk(mu_);
        if (pending_.empty() || fd_ < 0)
            return;
        pending_.swap(writing_);
    }
    room_.notify_all();
    int cause = 0;
    for (size_t done = 0; done < writing_.size();) {
        ssize_t n = ::write(fd_, writing_.data() + done, writing_.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            cause = n < 0 ? errno : EIO;
            break;
        }
        done += static_cast<size_t>(n);
    }
    writing_.clear();
    if (cause) {
        std::lock_guard<std::mutex> lk(mu_);
        FailLocked(cause);
    }
}

void Log::Flush() {
    OwnWork flushing;
    WriteOut();
}

// Keeps the first cause; the file is not written again. Both locks held.
void Log::FailLocked(int cause) {
    if (error_.empty())
        error_ = "cannot write the log " + (path_ == "-" ? "to standard output" : path_) + ": " +
                 std::strerror(cause);
    if (owned_ && fd_ >= 0)
        ::close(fd_);
    fd_ = -1;
    open_ = false;
    pending_.clear();
    room_.notify_all();
}

bool Log::Close() {
    {
        std::lock_guard<std::mutex> logs(OpenLogsMutex());
        OpenLogs().erase(this);
    }
    {
        std::lock_guard<std::mutex> lk(mu_);
        open_ = false;
        closing_ = true;
    }
    due_.notify_all();
    room_.notify_all();
    if (flusher_.joinable())
        flusher_.join();
    WriteOut();
    std::lock_guard<std::mutex> file(fileMu_);
    std::lock_guard<std::mutex> lk(mu_);
    if (fd_ >= 0) {
        if (owned_ && ::close(fd_) != 0) {
            owned_ = false;
            FailLocked(errno);
        }
        fd_ = -1;
    }
    return error_.empty();
}

std::string Log::Error() const {
    std::lock_guard<std::mutex> lk(mu_);
    return error_;
}

void FlushOpenLogs() {
    std::lock_guard<std::mutex> logs(OpenLogsMutex());
    for (Log* log : OpenLogs())
        log->Flush();
}

}  // namespace sim
