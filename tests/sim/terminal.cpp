// The interactive mode on a real terminal: velm-sim in a detached tmux session, driven with
// keys and read back from the pane.
#include <signal.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace {

std::string Output(const std::string& command) {
    std::string output;
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe)
        return output;
    char buffer[4096];
    size_t n;
    while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0)
        output.append(buffer, n);
    pclose(pipe);
    return output;
}

std::string ReadFile(const std::string& path) {
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

// One tmux server of our own, so that nothing of the user's is touched.
class Tmux {
public:
    explicit Tmux(const std::string& dir)
        : dir_(dir),
          socket_("velm-sim-test-" + std::to_string(getpid()) + "-" + std::to_string(++count_)) {}
    ~Tmux() { std::system((Base() + " kill-server >/dev/null 2>&1").c_str()); }

    // Runs velm-sim with arguments in a pane of that size, between a line of text before it
    // and its exit status after it, noting the terminal's settings on both sides. environment:
    // assignments for velm-sim, e.g. "TERM=dumb".
    void Start(const std::string& arguments, int width = 200, int height = 50,
               const std::string& environment = "") {
        std::ofstream(dir_ + "/run.sh")
            << "cd '" << dir_ << "'\n"
            << "stty -g > before\n"
            << "echo text-before-velm-sim\n"
            << "LANG=C.UTF-8 " << environment << " sh -c 'echo $$ > pid; exec " << VELM_BUILD_DIR
            << "/velm-sim " << arguments << "'\n"
            << "echo status=$?\n"
            << "stty -g > after\n"
            << "exec sleep 600\n";
        std::system((Base() + " -f /dev/null new-session -d -x " + std::to_string(width) + " -y " +
                     std::to_string(height) + " -s desk 'sh " + dir_ + "/run.sh'")
                        .c_str());
    }
    std::string Pane() const { return Output(Base() + " capture-pane -p -t desk"); }
    void Keys(const std::string& keys) const {
        std::system((Base() + " send-keys -t desk " + keys).c_str());
    }
    // Polls the pane until it holds text; false after a generous time, for slow machines.
    bool WaitFor(const std::string& text) const {
        auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        while (std::chrono::steady_clock::now() < deadline) {
            if (Pane().find(text) != std::string::npos)
                return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        return false;
    }

private:
    std::string Base() const { return "tmux -L " + socket_; }
    static inline int count_ = 0;  // a server of its own for each test in this process
    std::string dir_;
    std::string socket_;
};

// The LCD as the pane shows it, decoded from its half blocks into 43 rows of '#' and '.'.
std::vector<std::string> LcdInPane(const std::string& pane) {
    std::vector<std::string> lines;
    std::istringstream in(pane);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    size_t top = 0;
    while (top < lines.size() && lines[top].find("\u256d\u2500 G15") == std::string::npos)
        ++top;
    std::vector<std::string> rows(43);
    if (top + 22 >= lines.size())
        return {};
    for (int r = 0; r < 22; ++r) {
        const std::string& line = lines[top + 1 + r];
        size_t at = line.find("\u2502");
        if (at == std::string::npos)
            return {};
        at += 3;
        for (int x = 0; x < 160; ++x) {
            int cell;
            if (line.compare(at, 1, " ") == 0) {
                cell = 0, at += 1;
            } else if (line.compare(at, 3, "\u2580") == 0) {
                cell = 1, at += 3;
            } else if (line.compare(at, 3, "\u2584") == 0) {
                cell = 2, at += 3;
            } else if (line.compare(at, 3, "\u2588") == 0) {
                cell = 3, at += 3;
            } else {
                return {};
            }
            rows[2 * r] += cell & 1 ? '#' : '.';
            if (2 * r + 1 < 43)
                rows[2 * r + 1] += cell & 2 ? '#' : '.';
        }
    }
    return rows;
}

// The same from Braille cells of 2 x 4 dots, as a narrower terminal shows it.
std::vector<std::string> LcdInBraille(const std::string& pane) {
    static const int kDot[4][2] = {{0x01, 0x08}, {0x02, 0x10}, {0x04, 0x20}, {0x40, 0x80}};
    std::vector<std::string> lines;
    std::istringstream in(pane);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    size_t top = 0;
    while (top < lines.size() && lines[top].find("\u256d\u2500 G15") == std::string::npos)
        ++top;
    if (top + 11 >= lines.size())
        return {};
    std::vector<std::string> rows(44, std::string(160, '.'));
    for (int r = 0; r < 11; ++r) {
        const std::string& line = lines[top + 1 + r];
        size_t at = line.find("\u2502");
        if (at == std::string::npos)
            return {};
        at += 3;
        for (int cx = 0; cx < 80; ++cx, at += 3) {
            // U+2800 to U+28FF: E2 A0-A3 80-BF.
            if (at + 3 > line.size() || static_cast<unsigned char>(line[at]) != 0xE2)
                return {};
            int bits = ((static_cast<unsigned char>(line[at + 1]) & 0x03) << 6) |
                       (static_cast<unsigned char>(line[at + 2]) & 0x3F);
            for (int dy = 0; dy < 4; ++dy)
                for (int dx = 0; dx < 2; ++dx)
                    if (bits & kDot[dy][dx])
                        rows[4 * r + dy][2 * cx + dx] = '#';
        }
    }
    rows.pop_back();  // the dots below the LCD's last row
    return rows;
}

// The frames of the log shown at or after simulated time `from`, each as its 43 rows.
std::set<std::vector<std::string>> LoggedFrames(const std::string& log, long from = 0) {
    std::set<std::vector<std::string>> frames;
    std::istringstream in(ReadFile(log));
    for (std::string line; std::getline(in, line);) {
        size_t rows = line.find("\"rows\":[");
        if (line.find("\"event\":\"frame\"") == std::string::npos || rows == std::string::npos ||
            std::stol(line.substr(5)) < from)
            continue;
        std::vector<std::string> frame;
        for (size_t at = line.find('"', rows + 8); at != std::string::npos && frame.size() < 43;
             at = line.find('"', line.find('"', at + 1) + 1))
            frame.push_back(line.substr(at + 1, 160));
        frames.insert(frame);
    }
    return frames;
}

// Whether the pane shows, decoded, one of the frames logged since from. The pane and the log are
// read at slightly different moments (a frame may be drawn before its log line is written, and
// a capture may catch a redraw half done), so a mismatch is looked at again a few times.
template <typename Decode>
::testing::AssertionResult PaneShowsALoggedFrame(const Tmux& tmux, const std::string& log,
                                                 Decode decode, long from = 0) {
    size_t count = 0;
    for (int attempt = 0; attempt < 20; ++attempt) {
        std::vector<std::string> shown = decode(tmux.Pane());
        auto logged = LoggedFrames(log, from);
        count = logged.size();
        if (shown.size() == 43 && logged.count(shown))
            return ::testing::AssertionSuccess();
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    return ::testing::AssertionFailure()
           << "the pane's LCD is none of the " << count << " frames logged:\n"
           << tmux.Pane();
}

// The simulated time of the first event of the log that holds text, or -1.
long EventTime(const std::string& log, const std::string& text) {
    std::istringstream in(ReadFile(log));
    for (std::string line; std::getline(in, line);)
        if (line.find(text) != std::string::npos)
            return std::stol(line.substr(5));
    return -1;
}

class Terminal : public ::testing::Test {
protected:
    // The set-up installs tmux, so a machine without it is a fault of the machine, unless it
    // says it knows.
    void SetUp() override {
        if (std::system("tmux -V >/dev/null 2>&1") != 0) {
            const char* skip = std::getenv("VELM_SKIP_TERMINAL_TESTS");
            if (skip && std::string(skip) == "1")
                GTEST_SKIP() << "tmux is not installed: the interactive mode is not tried";
            FAIL() << "tmux is not installed (scripts/setup installs it); "
                      "VELM_SKIP_TERMINAL_TESTS=1 skips the terminal tests";
        }
        dir_ = ::testing::TempDir() + "/terminal" + std::to_string(getpid());
        std::filesystem::create_directories(dir_);
        tmux_ = std::make_unique<Tmux>(dir_);
    }
    void TearDown() override {
        tmux_.reset();
        if (!dir_.empty())
            std::filesystem::remove_all(dir_);
    }
    // The terminal is as it was: settings, the text before, no desk left on it.
    void ExpectTerminalGivenBack(const std::string& status) {
        ASSERT_TRUE(tmux_->WaitFor(status)) << "expected '" << status << "', came:\n"
                                            << tmux_->Pane();
        ASSERT_TRUE(tmux_->WaitFor("status=")) << tmux_->Pane();
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        std::string pane = tmux_->Pane();
        EXPECT_NE(pane.find("text-before-velm-sim"), std::string::npos)
            << "expected the text from before the desk back, came:\n"
            << pane;
        EXPECT_EQ(pane.find("G15"), std::string::npos) << "the desk stayed:\n" << pane;
        EXPECT_EQ(ReadFile(dir_ + "/before"), ReadFile(dir_ + "/after"))
            << "the terminal's settings changed";
        std::string log = ReadFile(dir_ + "/log.jsonl");
        EXPECT_NE(log.find("\"event\":\"quit\""), std::string::npos)
            << "expected the plug-in's quit to run";
    }
    std::string dir_;
    std::unique_ptr<Tmux> tmux_;
};

TEST_F(Terminal, ShowsTheLcdSwitchesToThePlaylistOnF2AndQuitGivesTheTerminalBack) {
    tmux_->Start("--log " + dir_ + "/log.jsonl");
    ASSERT_TRUE(tmux_->WaitFor("screen: now playing")) << tmux_->Pane();
    // The pane shows a frame the LCD was shown, pixel for pixel.
    ASSERT_TRUE(tmux_->WaitFor("Velm Quartet"));
    EXPECT_TRUE(PaneShowsALoggedFrame(*tmux_, dir_ + "/log.jsonl", LcdInPane));

    tmux_->Keys("F2");
    ASSERT_TRUE(tmux_->WaitFor("screen: playlist")) << tmux_->Pane();
    // The pass that reads the tapped button is followed by the one that shows the playlist.
    long tapped = EventTime(dir_ + "/log.jsonl", "\"event\":\"buttons\",\"bits\":2");
    long shownAt = EventTime(dir_ + "/log.jsonl", "\"event\":\"screen\",\"screen\":2");
    ASSERT_GE(tapped, 0) << "expected F2 to tap soft button 2";
    ASSERT_GE(shownAt, tapped) << "expected the playlist screen after the tap";
    EXPECT_LE(shownAt - tapped, 50) << "expected the playlist within one pass of the reading";
    EXPECT_TRUE(PaneShowsALoggedFrame(*tmux_, dir_ + "/log.jsonl", LcdInPane, shownAt))
        << "the playlist screen's frames";

    tmux_->Keys("q");
    ExpectTerminalGivenBack("status=0");
}

TEST_F(Terminal, ANarrowerTerminalShowsEveryPixelInBrailleDots) {
    tmux_->Start("--log " + dir_ + "/log.jsonl", 100, 30);
    ASSERT_TRUE(tmux_->WaitFor("screen: now playing")) << tmux_->Pane();
    ASSERT_TRUE(tmux_->WaitFor("Velm Quartet"));
    EXPECT_TRUE(PaneShowsALoggedFrame(*tmux_, dir_ + "/log.jsonl", LcdInBraille));
    tmux_->Keys("q");
    ExpectTerminalGivenBack("status=0");
}

TEST_F(Terminal, SigtermEndsTheRunInOrderAndGivesTheTerminalBack) {
    tmux_->Start("--log " + dir_ + "/log.jsonl");
    ASSERT_TRUE(tmux_->WaitFor("screen: now playing")) << tmux_->Pane();
    pid_t pid = std::atoi(ReadFile(dir_ + "/pid").c_str());
    ASSERT_GT(pid, 1);
    kill(pid, SIGTERM);
    ExpectTerminalGivenBack("status=143");
}

// Keys that would do nothing are not offered: without the LCD service no soft button or
// unplugging, without a mixer no volume for another program to turn.
TEST_F(Terminal, WithoutLcdServiceOrMixerTheDeskSaysSoAndOffersOnlyKeysThatWork) {
    tmux_->Start("--no-lcd-service --no-mixer --log " + dir_ + "/log.jsonl");
    ASSERT_TRUE(tmux_->WaitFor("Space play/pause")) << tmux_->Pane();
    std::string pane = tmux_->Pane();
    EXPECT_NE(pane.find("no LCD service"), std::string::npos) << pane;
    for (const char* absent : {"F1-F4", "w/W", "m/M", "u unplug"})
        EXPECT_EQ(pane.find(absent), std::string::npos) << absent << " offered:\n" << pane;
    tmux_->Keys("q");
    ExpectTerminalGivenBack("status=0");
}

struct KeyOrButtons {
    long t;
    std::string event;  // the log line from its event on
};

// The key and soft-button events of a log, in order.
std::vector<KeyOrButtons> KeysAndButtons(const std::string& log) {
    std::vector<KeyOrButtons> events;
    std::istringstream in(ReadFile(log));
    for (std::string line; std::getline(in, line);)
        if (line.find("\"event\":\"key\"") != std::string::npos ||
            line.find("\"event\":\"buttons\"") != std::string::npos)
            events.push_back({std::stol(line.substr(5)), line.substr(line.find(",\"event\""))});
    return events;
}

// The tour's captions say what it shows, so a key pressed while it plays does nothing but q.
// On the desk the tour runs at the terminal's pace, never ahead of the simulated clock: each
// key or button of the run must be the tour's own, as the tour logs it without a terminal, and
// no earlier in simulated time.
TEST_F(Terminal, WhileTheTourPlaysOnlyQWorks) {
    tmux_->Start("--demo --log " + dir_ + "/log.jsonl");
    ASSERT_TRUE(tmux_->WaitFor("Now playing: title, times")) << tmux_->Pane();
    EXPECT_TRUE(tmux_->WaitFor("The tour is playing: q quits")) << tmux_->Pane();
    for (const char* key : {"2", "Up", "Space"})
        tmux_->Keys(key);
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    tmux_->Keys("q");
    ExpectTerminalGivenBack("status=0");
    Output(std::string(VELM_BUILD_DIR) + "/velm-sim --demo --log " + dir_ +
           "/tour.jsonl </dev/null");
    auto tour = KeysAndButtons(dir_ + "/tour.jsonl");
    auto shown = KeysAndButtons(dir_ + "/log.jsonl");
    ASSERT_GT(tour.size(), 0u) << "the tour logged no key";
    ASSERT_LE(shown.size(), tour.size()) << "more keys than the tour's";
    for (size_t i = 0; i < shown.size(); ++i) {
        EXPECT_EQ(shown[i].event, tour[i].event) << "event " << i << " came from a key";
        EXPECT_GE(shown[i].t, tour[i].t) << "event " << i << " came before the tour's own";
    }
}

// A long run's progress on a terminal, in simulated time. A simulated day: an hour may be over
// before the line shows, a run of under two seconds saying nothing.
TEST_F(Terminal, ALongRunShowsItsProgressOnATerminal) {
    tmux_->Start("-e \"wait 86400000\" --log /dev/null");
    ASSERT_TRUE(tmux_->WaitFor("velm-sim: simulated ")) << tmux_->Pane();
    EXPECT_NE(tmux_->Pane().find(" of 24:00:00 ("), std::string::npos) << tmux_->Pane();
    pid_t pid = std::atoi(ReadFile(dir_ + "/pid").c_str());
    ASSERT_GT(pid, 1);
    kill(pid, SIGTERM);
    EXPECT_TRUE(tmux_->WaitFor("status=143")) << tmux_->Pane();
}

TEST_F(Terminal, ATerminalThatCannotPlaceTheCursorIsRefusedAndASmallOneToldSoInFewColumns) {
    tmux_->Start("--log " + dir_ + "/log.jsonl", 200, 50, "TERM=dumb");
    ASSERT_TRUE(tmux_->WaitFor("status=2")) << tmux_->Pane();
    EXPECT_NE(tmux_->Pane().find(
                  "velm-sim: cannot show the desk on this terminal (TERM=dumb): it cannot place "
                  "the cursor"),
              std::string::npos)
        << tmux_->Pane();
    EXPECT_FALSE(std::filesystem::exists(dir_ + "/log.jsonl")) << "refused before the run";

    Tmux small(dir_);
    small.Start("--log " + dir_ + "/log.jsonl", 24, 8);
    ASSERT_TRUE(small.WaitFor("q quits.")) << small.Pane();
    std::string pane = small.Pane(), words;
    std::istringstream lines(pane);
    for (std::string line; std::getline(lines, line);) {
        EXPECT_LE(line.size(), 24u) << line;
        words += (words.empty() ? "" : " ") + line.substr(0, line.find_last_not_of(' ') + 1);
    }
    EXPECT_EQ(words.rfind("The desk needs a terminal of at least 84 x 22; q quits.", 0), 0u)
        << pane;
    small.Keys("q");
    EXPECT_TRUE(small.WaitFor("status=0")) << small.Pane();
}

}  // namespace
