#include "sim/Terminal.h"

#include <curses.h>
#include <langinfo.h>
#include <signal.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <clocale>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <string>
#include <vector>

#include "sim/EndSignals.h"

namespace sim {
namespace {

// Full size: the LCD in half blocks inside a one-character bezel, and the lines below it.
constexpr int kFullWidth = kLcdWidth + 4;
constexpr int kFullRows = (kLcdHeight + 1) / 2;
// Compact: Braille cells of 2 x 4 dots.
constexpr int kCompactWidth = kLcdWidth / 2 + 4;
constexpr int kCompactRows = (kLcdHeight + 3) / 4;
constexpr int kLinesBelow = 9;

enum Pair : short { kLcdPair = 1, kBezelPair, kLedPair, kCurrentPair, kDimPair, kAlertPair };

// State that the signal handlers and the exit hooks reach; plain data only.
volatile std::sig_atomic_t g_signal = 0;
bool g_open = false;
bool g_termiosSaved = false;
struct termios g_savedTermios;
// What undoes the take-over, written straight to the terminal when a second signal comes while
// the run is stuck and ncurses cannot be called.
char g_restoreBytes[256];
size_t g_restoreLength = 0;
struct sigaction g_previous[3];
constexpr int kSignals[3] = {SIGINT, SIGTERM, SIGHUP};
bool g_utf8 = false;

void AppendCapability(const char* name) {
    char* value = tigetstr(const_cast<char*>(name));
    if (!value || value == reinterpret_cast<char*>(-1))
        return;
    size_t n = std::strlen(value);
    if (g_restoreLength + n > sizeof g_restoreBytes)
        return;
    std::memcpy(g_restoreBytes + g_restoreLength, value, n);
    g_restoreLength += n;
}

void OnSignal(int signal) {
    if (g_signal == 0) {
        g_signal = signal;  // the run ends at its next look, and quit runs
        return;
    }
    // Asked twice: the run does not get there. Only async-signal-safe calls from here.
    if (g_restoreLength) {
        ssize_t ignored = write(STDOUT_FILENO, g_restoreBytes, g_restoreLength);
        (void)ignored;
    }
    if (g_termiosSaved)
        tcsetattr(STDIN_FILENO, TCSANOW, &g_savedTermios);
    // The log's thread writes what the log holds and ends the process; or, if it cannot, at once.
    if (!ExitAfterLog(128 + signal))
        _exit(128 + signal);
}

void InstallSignalHandlers() {
    struct sigaction action {};
    action.sa_handler = OnSignal;
    sigemptyset(&action.sa_mask);
    for (int i = 0; i < 3; ++i)
        sigaction(kSignals[i], &action, &g_previous[i]);
}

void RemoveSignalHandlers() {
    for (int i = 0; i < 3; ++i)
        sigaction(kSignals[i], &g_previous[i], nullptr);
}

// The half blocks, Braille and box lines need a UTF-8 locale; without one the desk is drawn
// in ASCII.
bool ChooseLocale() {
    std::setlocale(LC_ALL, "");
    if (std::strcmp(nl_langinfo(CODESET), "UTF-8") == 0)
        return true;
    if (std::setlocale(LC_CTYPE, "C.UTF-8") && std::strcmp(nl_langinfo(CODESET), "UTF-8") == 0)
        return true;
    std::setlocale(LC_ALL, "");
    return false;
}

short AmberColour() {
    return COLORS >= 256 ? 214 : COLOR_YELLOW;
}

void StartColours() {
    if (!has_colors())
        return;
    start_color();
    use_default_colors();
    init_pair(kLcdPair, AmberColour(), COLOR_BLACK);
    init_pair(kBezelPair, COLORS >= 256 ? 245 : COLOR_WHITE, -1);
    init_pair(kLedPair, AmberColour(), -1);
    init_pair(kCurrentPair, COLOR_BLACK, AmberColour());
    init_pair(kDimPair, COLORS >= 256 ? 240 : COLOR_WHITE, -1);
    init_pair(kAlertPair, COLOR_RED, -1);
}

const char* Glyph(const char* unicode, const char* ascii) {
    return g_utf8 ? unicode : ascii;
}

bool Lit(const LitMask& lcd, int x, int y) {
    return x < kLcdWidth && y < kLcdHeight && lcd[y * kLcdWidth + x];
}

// Two pixel rows per character: upper half, lower half, both or none.
std::string HalfBlockRow(const LitMask& lcd, int row) {
    static const char* const kUnicode[4] = {" ", "\u2580", "\u2584", "\u2588"};
    static const char* const kAscii[4] = {" ", "'", ".", ":"};
    std::string line;
    for (int x = 0; x < kLcdWidth; ++x) {
        int cell = (Lit(lcd, x, 2 * row) ? 1 : 0) | (Lit(lcd, x, 2 * row + 1) ? 2 : 0);
        line += g_utf8 ? kUnicode[cell] : kAscii[cell];
    }
    return line;
}

// 2 x 4 pixels per character as Braille dots, or by how many are lit in ASCII.
std::string BrailleRow(const LitMask& lcd, int row) {
    static const int kDot[4][2] = {{0x01, 0x08}, {0x02, 0x10}, {0x04, 0x20}, {0x40, 0x80}};
    std::string line;
    for (int cx = 0; cx < kLcdWidth / 2; ++cx) {
        int bits = 0, count = 0;
        for (int dy = 0; dy < 4; ++dy)
            for (int dx = 0; dx < 2; ++dx)
                if (Lit(lcd, 2 * cx + dx, 4 * row + dy)) {
                    bits |= kDot[dy][dx];
                    ++count;
                }
        if (g_utf8) {
            // U+2800 + bits in UTF-8.
            line += static_cast<char>(0xE2);
            line += static_cast<char>(0xA0 | (bits >> 6));
            line += static_cast<char>(0x80 | (bits & 0x3F));
        } else {
            line += " .:+#"[(count + 1) / 2];
        }
    }
    return line;
}

// Characters (not bytes) of UTF-8 text; every glyph drawn here is one column wide.
// The columns the character at text[at] takes on the terminal (two for an East Asian wide
// one), and its length in bytes.
int CharacterColumns(const std::string& text, size_t at, size_t& length) {
    wchar_t character;
    std::mbstate_t state{};
    size_t n = std::mbrtowc(&character, text.data() + at, text.size() - at, &state);
    if (n == 0 || n > text.size() - at) {
        length = 1;
        return 1;
    }
    length = n;
    int columns = wcwidth(character);
    return columns < 0 ? 1 : columns;
}

int Columns(const std::string& text) {
    int n = 0;
    for (size_t at = 0, length = 0; at < text.size(); at += length)
        n += CharacterColumns(text, at, length);
    return n;
}

// Cut at the right edge of the terminal, where ncurses would go on in the next line.
std::string Clip(const std::string& text, int room) {
    int used = 0;
    for (size_t at = 0, length = 0; at < text.size(); at += length) {
        used += CharacterColumns(text, at, length);
        if (used > room)
            return text.substr(0, at);
    }
    return text;
}

void Put(int y, int x, const std::string& text, int pair = 0, attr_t extra = A_NORMAL) {
    if (y < 0 || y >= LINES || x < 0)
        return;
    attr_t attributes = (pair && has_colors() ? COLOR_PAIR(pair) : A_NORMAL) | extra;
    attron(attributes);
    mvaddstr(y, x, Clip(text, COLS - x).c_str());
    attroff(attributes);
}

std::string Repeat(const char* piece, int times) {
    std::string out;
    for (int i = 0; i < times; ++i)
        out += piece;
    return out;
}

void DrawBezel(int top, int left, int innerWidth, int innerRows, const DeskView& view) {
    std::string label = " G15 ";
    std::string horizontal = Glyph("\u2500", "-");
    std::string topLine = Glyph("\u256d", "+") + horizontal + label +
                          Repeat(horizontal.c_str(), innerWidth - 1 - 5) + Glyph("\u256e", "+");
    std::string bottomLine =
        Glyph("\u2570", "+") + Repeat(horizontal.c_str(), innerWidth) + Glyph("\u256f", "+");
    Put(top, left, topLine, kBezelPair);
    Put(top + innerRows + 1, left, bottomLine, kBezelPair);
    for (int r = 1; r <= innerRows; ++r) {
        Put(top + r, left, Glyph("\u2502", "|"), kBezelPair);
        Put(top + r, left + innerWidth + 1, Glyph("\u2502", "|"), kBezelPair);
    }
    const char* absent = !view.lcdService   ? " no LCD service "
                         : !view.lcdPlugged ? " unplugged "
                                            : "";
    if (*absent)
        Put(top, left + innerWidth - 3 - static_cast<int>(std::strlen(absent)), absent, kAlertPair,
            A_BOLD);
}

void DrawSoftButtons(int y, int left, int width, const DeskView& view) {
    int slot = width / 4;
    for (int n = 0; n < 4; ++n) {
        const SoftButtonView& b = view.buttons[n];
        std::string text = " " + std::to_string(n + 1) + " " + b.label + " ";
        int pair = b.down ? kCurrentPair : b.current ? kLedPair : kBezelPair;
        attr_t extra = b.down ? A_BOLD : b.current ? A_BOLD : A_NORMAL;
        int x = left + n * slot + (slot - static_cast<int>(text.size())) / 2;
        Put(y, x < left ? left : x, "[" + text + "]", pair, extra);
    }
}

std::string Level(int level, int most) {
    std::string out;
    for (int i = 0; i < most; ++i)
        out += i < level ? Glyph("\u25ae", "#") : Glyph("\u25af", "-");
    return out;
}

// The player's UTF-8 text as the terminal can show it: '?' for each character beyond ASCII on
// a terminal that takes no UTF-8.
std::string ShownText(const std::string& text) {
    if (g_utf8)
        return text;
    std::string ascii;
    for (unsigned char c : text)
        if ((c & 0xC0) != 0x80)
            ascii += c < 0x80 ? static_cast<char>(c) : '?';
    return ascii;
}

std::string Time(int seconds) {
    char text[32];
    std::snprintf(text, sizeof text, "%d:%02d", seconds / 60, seconds % 60);
    return text;
}

std::string Percent(unsigned value) {
    return std::to_string(value * 100 / 65535) + "%";
}

void DrawLights(int y, int x, const DeskView& view) {
    static const char* const kNames[4] = {"M1", "M2", "M3", "MR"};
    int column = x;
    if (!view.keyboard) {
        Put(y, column, "no keyboard on the HID bus", kDimPair);
        return;
    }
    for (int led = 0; led < 4; ++led) {
        bool lit = (view.mkeys & (1 << led)) == 0;  // a set bit darkens its LED
        Put(y, column, kNames[led], kBezelPair);
        Put(y, column + 3, lit ? Glyph("\u25cf", "*") : Glyph("\u25cb", "o"),
            lit ? kLedPair : kDimPair, lit ? A_BOLD : A_NORMAL);
        column += 5;
    }
    column += 2;
    Put(y, column, "backlight 1 " + Level(view.light1, 2), kBezelPair);
    column += 16;
    Put(y, column, "backlight 2 " + Level(view.light2 >> 4, 2), kBezelPair);
    column += 16;
    std::string ctrl =
        std::string("Ctrl ") + (view.leftCtrl ? "L" : "-") + " " + (view.rightCtrl ? "R" : "-");
    Put(y, column, ctrl, view.leftCtrl || view.rightCtrl ? kLedPair : kDimPair);
}

void DrawScreen(int y, int x, const DeskView& view) {
    std::string screen = std::string("screen: ") + ScreenName(view.screen);
    Put(y, x, screen, kBezelPair, A_BOLD);
    bool alert = view.hasFrame && view.priority >= 255;
    std::string priority = "priority " + (view.hasFrame ? std::to_string(view.priority) : "-") +
                           (alert ? " (alert)" : "");
    Put(y, x + Columns(screen) + 3, priority, alert ? kAlertPair : kBezelPair,
        alert ? A_BOLD : A_NORMAL);
}

void DrawStatus(int y, int x, int width, const DeskView& view) {
    const char* state = view.state == testbed::PlayState::Playing  ? Glyph("\u25b6", ">")
                        : view.state == testbed::PlayState::Paused ? Glyph("\u275a\u275a", "||")
                                                                   : Glyph("\u25a0", "[]");
    std::string times = Time(view.elapsedMs / 1000) + " / " +
                        (view.lengthSeconds > 0 ? Time(view.lengthSeconds) : "-:--");
    std::string line = std::string(state) + " " + std::to_string(view.entry) + "/" +
                       std::to_string(view.entries) + "  " + ShownText(view.title);
    int room = width - static_cast<int>(times.size()) - 2;
    if (Columns(line) > room)
        line = Clip(line, room - 3) + "...";
    Put(y, x, line, kLedPair, A_BOLD);
    Put(y, x + width - static_cast<int>(times.size()), times, kLedPair);
    std::string volumes = "volume " + std::to_string(view.playerVolume) + "/255";
    volumes += view.mixer ? "  wave " + Percent(view.wave) + "  master " + Percent(view.master)
                          : "  no mixer";
    volumes += std::string("  saver ") + (view.saver ? "on" : "off");
    char clock[32];
    std::snprintf(clock, sizeof clock, "t %u.%01u s", view.now / 1000, view.now % 1000 / 100);
    Put(y + 1, x, volumes, kBezelPair);
    Put(y + 1, x + width - static_cast<int>(std::strlen(clock)), clock, kDimPair);
}

// The keys that do something on this desk: without the LCD service there are no soft buttons
// to press and no LCD to unplug, without a mixer no volume for another program to turn.
void DrawHelp(int y, int x, const DeskView& view) {
    if (view.touring) {
        Put(y, x, "The tour is playing: q quits; the keys are yours when it is over.", kDimPair);
        return;
    }
    std::string first = view.lcdService ? "F1-F4/1-4 soft buttons  " : "";
    first += "Up/Down volume keys  Space play/pause  [ ] Ctrl L/R";
    std::string second = "n/p track  s saver  ";
    if (view.mixer)
        second += "w/W wave up/down  m/M master up/down  ";
    if (view.lcdService)
        second += "u unplug LCD  ";
    Put(y, x, first, kDimPair);
    Put(y + 1, x, second + "q quit", kDimPair);
}

// Word by word in lines of at most width columns.
std::vector<std::string> WrapWords(const std::string& text, int width) {
    std::vector<std::string> lines{""};
    for (size_t at = 0; at < text.size();) {
        size_t end = std::min(text.find(' ', at), text.size());
        std::string word = text.substr(at, end - at);
        at = end + 1;
        if (!lines.back().empty() &&
            static_cast<int>(lines.back().size() + 1 + word.size()) > width)
            lines.emplace_back();
        lines.back() += (lines.back().empty() ? "" : " ") + word;
    }
    return lines;
}

}  // namespace

Action ActionForKey(int key) {
    switch (key) {
        case KEY_F(1):
        case '1':
            return Action::Soft1;
        case KEY_F(2):
        case '2':
            return Action::Soft2;
        case KEY_F(3):
        case '3':
            return Action::Soft3;
        case KEY_F(4):
        case '4':
            return Action::Soft4;
        case KEY_UP:
            return Action::VolumeUp;
        case KEY_DOWN:
            return Action::VolumeDown;
        case ' ':
            return Action::PlayPause;
        case '[':
            return Action::LeftCtrl;
        case ']':
            return Action::RightCtrl;
        case 'n':
            return Action::NextTrack;
        case 'p':
            return Action::PreviousTrack;
        case 's':
            return Action::ScreenSaver;
        case 'w':
            return Action::WaveUp;
        case 'W':
            return Action::WaveDown;
        case 'm':
            return Action::MasterUp;
        case 'M':
            return Action::MasterDown;
        case 'u':
            return Action::Replug;
        case 'q':
        case 'Q':
            return Action::Quit;
        default:
            return Action::None;
    }
}

Terminal::~Terminal() {
    Close();
}

bool Terminal::Open(std::string& error) {
    if (!isatty(STDIN_FILENO) || !isatty(STDOUT_FILENO)) {
        error = "the interactive mode needs a terminal";
        return false;
    }
    g_utf8 = ChooseLocale();
    g_termiosSaved = tcgetattr(STDIN_FILENO, &g_savedTermios) == 0;
    // Ours before ncurses starts, so that it leaves them in place.
    InstallSignalHandlers();
    std::atexit([] { Close(); });
    if (!initscr()) {
        RemoveSignalHandlers();
        error = "cannot set up the terminal";
        return false;
    }
    g_open = true;
    g_restoreLength = 0;
    for (const char* capability : {"sgr0", "cnorm", "rmkx", "rmcup"})
        AppendCapability(capability);
    cbreak();
    noecho();
    keypad(stdscr, TRUE);
    set_escdelay(25);
    curs_set(0);
    StartColours();
    return true;
}

void Terminal::Close() {
    if (!g_open)
        return;
    g_open = false;
    endwin();
    if (g_termiosSaved)
        tcsetattr(STDIN_FILENO, TCSANOW, &g_savedTermios);
    RemoveSignalHandlers();
}

int Terminal::Signal() {
    return g_signal;
}

int Terminal::ReadKey(int timeoutMs) {
    timeout(timeoutMs);
    int key = getch();
    return key == ERR ? -1 : key;
}

void Terminal::Draw(const DeskView& view) {
    erase();
    int width = COLS, height = LINES;
    bool full = width >= kFullWidth && height >= kFullRows + 2 + kLinesBelow;
    bool compact = !full && width >= kCompactWidth && height >= kCompactRows + 2 + kLinesBelow;
    if (!full && !compact) {
        std::vector<std::string> lines =
            WrapWords("The desk needs a terminal of at least " + std::to_string(kCompactWidth) +
                          " x " + std::to_string(kCompactRows + 2 + kLinesBelow) + "; q quits.",
                      width);
        for (size_t i = 0; i < lines.size(); ++i)
            Put(static_cast<int>(i), 0, lines[i]);
        refresh();
        return;
    }
    int innerWidth = full ? kLcdWidth : kLcdWidth / 2;
    int rows = full ? kFullRows : kCompactRows;
    int left = (width - innerWidth - 2) / 2;
    DrawBezel(0, left, innerWidth, rows, view);
    for (int r = 0; r < rows; ++r)
        Put(1 + r, left + 1, full ? HalfBlockRow(view.lcd, r) : BrailleRow(view.lcd, r), kLcdPair);
    int y = rows + 2;
    DrawSoftButtons(y, left + 1, innerWidth, view);
    DrawLights(y + 2, left + 1, view);
    DrawScreen(y + 3, left + 1, view);
    DrawStatus(y + 4, left + 1, innerWidth, view);
    if (!view.caption.empty())
        Put(y + 6, left + 1, Clip(view.caption, innerWidth), kLedPair);
    DrawHelp(y + 7, left + 1, view);
    refresh();
}

}  // namespace sim
