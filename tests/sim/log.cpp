// The event log's text and its writing: JSON strings escaped as before, a frame's rows made
// straight, events gathered but never lost (followed within the interval, flushed before a
// signal or a crash ends the process).
#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "sim/EndSignals.h"
#include "sim/LcdEvents.h"
#include "sim/Log.h"
#include "support/SimRunner.h"

namespace {

using simrunner::Lines;
using simrunner::TempPath;

TEST(Log, JsonStringsEscapeWhatTheyMustAndTakeTheRestWhole) {
    std::string longRun(300, 'a');
    EXPECT_EQ(sim::JsonString(longRun), "\"" + longRun + "\"");
    EXPECT_EQ(sim::JsonString(""), "\"\"");
    EXPECT_EQ(sim::JsonString("a\"b\\c/d"), R"("a\"b\\c/d")");
    EXPECT_EQ(sim::JsonString(std::string("\n\r\t\b\x1f\x7f\0x", 8)),
              R"("\n\r\t\u0008\u001f\u007f\u0000x")");
    // C1 controls by their code, U+00A0 on as it is.
    EXPECT_EQ(sim::JsonString("\xC2\x80\xC2\x9F\xC2\xA0"), "\"\\u0080\\u009f\xC2\xA0\"");
    // Stray bytes, one U+FFFD each: a lone continuation, an overlong lead, a cut sequence, 0xFF.
    EXPECT_EQ(sim::JsonString("\x80z\xC0\xAF\xFF\xE2\x82"),
              R"("\ufffdz\ufffd\ufffd\ufffd\ufffd\ufffd")");
    EXPECT_EQ(sim::JsonString("\xF0\x9F\x8E\xB5 \xE6\x97\xA5"),
              "\"\xF0\x9F\x8E\xB5 \xE6\x97\xA5\"");
}

TEST(Log, FrameRowsAreMadeStraightIntoTheText) {
    std::vector<BYTE> pixels(kLcdPixelBytes, 0);
    pixels[0] = 129;                   // lit: above 128
    pixels[1] = 128;                   // dark
    pixels[kLcdPixelBytes - 1] = 255;  // the last row's last pixel
    std::string row0 = "[\"#" + std::string(159, '.') + "\"";
    std::string dark;
    for (int y = 1; y < 42; ++y)
        dark += ",\"" + std::string(160, '.') + "\"";
    std::string text = "x";
    sim::AppendFrameRowsJson(text, pixels);
    EXPECT_EQ(text, "x" + row0 + dark + ",\"" + std::string(159, '.') + "#\"]");
    // A frame cut short: the rows it lacks are dark.
    pixels.resize(1);
    EXPECT_EQ(sim::FrameRowsJson(pixels), row0 + dark + ",\"" + std::string(160, '.') + "\"]");
}

// More than the log holds back before a writer waits, from several threads: every event is
// there, each thread's in order.
TEST(Log, EveryEventOfEveryThreadIsWrittenInOrder) {
    std::string path = TempPath("log_threads");
    constexpr int kThreads = 4, kEvents = 4000;
    {
        sim::Log log;
        ASSERT_TRUE(log.Open(path));
        std::string bulk = sim::JsonString(std::string(1000, 'b'));
        std::vector<std::thread> writers;
        for (int w = 0; w < kThreads; ++w)
            writers.emplace_back([&, w] {
                for (int i = 0; i < kEvents; ++i)
                    log.Write(sim::Event(i, "player").Add("w", w).AddRaw("bulk", bulk));
            });
        for (auto& writer : writers)
            writer.join();
        ASSERT_TRUE(log.Close()) << log.Error();
    }
    std::vector<int> next(kThreads, 0);
    auto lines = Lines(path);
    for (const std::string& line : lines) {
        int t = std::atoi(line.c_str() + 5);
        int w = line[line.find("\"w\":") + 4] - '0';
        ASSERT_EQ(t, next[w]++) << line.substr(0, 60);
    }
    EXPECT_EQ(lines.size(), static_cast<size_t>(kThreads * kEvents));
    std::remove(path.c_str());
}

TEST(Log, AnEventReachesTheFileWithinTheIntervalAndAtOnceOnFlush) {
    std::string path = TempPath("log_follow");
    sim::Log log;
    ASSERT_TRUE(log.Open(path));
    log.Write(sim::Event(1, "init"));
    auto start = std::chrono::steady_clock::now();
    while (Lines(path).empty() &&
           std::chrono::steady_clock::now() - start < std::chrono::seconds(5))
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    EXPECT_EQ(Lines(path), std::vector<std::string>{R"({"t":1,"event":"init"})"});
    log.Write(sim::Event(2, "quit"));
    log.Flush();
    EXPECT_EQ(Lines(path).size(), 2u);
    ASSERT_TRUE(log.Close());
    std::remove(path.c_str());
}

// The events written before the process ends by a signal, or crashes, are all in the file.
void WriteAndEnd(const std::string& path, void (*end)()) {
    sim::KeepLogOnSignals();
    static sim::Log log;  // never closed: the process ends first
    if (!log.Open(path))
        std::_Exit(99);
    for (int i = 0; i < 1000; ++i)
        log.Write(sim::Event(i, "player"));
    end();
}

TEST(LogDeathTest, ASignalOrACrashThatEndsTheProcessLosesNoEvent) {
    std::string path = TempPath("log_signal");
    EXPECT_EXIT(WriteAndEnd(path,
                            [] {
                                raise(SIGTERM);
                                for (;;)
                                    pause();
                            }),
                ::testing::KilledBySignal(SIGTERM), "");
    EXPECT_EQ(Lines(path).size(), 1000u);
    EXPECT_EXIT(WriteAndEnd(path, [] { std::abort(); }), ::testing::KilledBySignal(SIGABRT), "");
    EXPECT_EQ(Lines(path).size(), 1000u);
    std::remove(path.c_str());
}

}  // namespace
