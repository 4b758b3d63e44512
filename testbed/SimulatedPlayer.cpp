#include "testbed/SimulatedPlayer.h"

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <cstdio>
#include <cstring>

#include "player/PlayerMessages.h"
#include "testbed/Music.h"

namespace testbed {
namespace {

constexpr UINT kCallMessage = WM_APP + 1;
constexpr WCHAR kClassName[] = u"testbed player";

struct StartArgs {
    SimulatedPlayer* player;
    HANDLE ready;
};

std::atomic<SimulatedPlayer*> g_active{nullptr};
char g_visualData[kVisualDataSize];
std::atomic<int> g_visualRequest{0};

std::u16string ToWide(const std::string& utf8) {
    std::u16string wide(utf8.size(), u'\0');
    int units = utf8.empty()
                    ? 0
                    : MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()),
                                          wide.data(), static_cast<int>(wide.size()));
    wide.resize(static_cast<size_t>(units));
    return wide;
}

std::string FromWide(const std::u16string& wide, UINT codePage) {
    if (wide.empty())
        return "";
    int bytes = WideCharToMultiByte(codePage, 0, wide.data(), static_cast<int>(wide.size()),
                                    nullptr, 0, nullptr, nullptr);
    std::string text(static_cast<size_t>(bytes), '\0');
    WideCharToMultiByte(codePage, 0, wide.data(), static_cast<int>(wide.size()), text.data(), bytes,
                        nullptr, nullptr);
    return text;
}

std::string ToUtf8(const std::u16string& wide) {
    return FromWide(wide, CP_UTF8);
}

// What an old player, which keeps its titles in the system's ANSI code page, holds: '?' for
// every character the code page lacks.
std::string ToAnsi(const std::string& utf8) {
    return FromWide(ToWide(utf8), CP_ACP);
}

std::string FromAnsi(const std::string& ansi) {
    std::u16string wide(ansi.size(), u'\0');
    int units = ansi.empty()
                    ? 0
                    : MultiByteToWideChar(CP_ACP, 0, ansi.data(), static_cast<int>(ansi.size()),
                                          wide.data(), static_cast<int>(wide.size()));
    wide.resize(static_cast<size_t>(units));
    return ToUtf8(wide);
}

const char* StateName(PlayState s) {
    return s == PlayState::Playing ? "playing" : s == PlayState::Paused ? "paused" : "stopped";
}

// Asks after sent messages alone: asking after posted ones would take them for seen, and the
// wait for new ones would miss them. A posted one waits the few microseconds of the work.
bool NoMessageSent() {
    return HIWORD(GetQueueStatus(QS_SENDMESSAGE)) == 0;
}

std::atomic<VisualMode> g_visualMode{VisualMode::Music};
std::atomic<int> g_visualRequests{0};

// A load from the first page, which is never mapped: a real fault, not a signal raised. The
// address is read at run time so that the compiler cannot see the bad load coming.
volatile uintptr_t g_badAddress = 16;
__attribute__((noinline)) char* Crash() {
    const volatile char* bad = reinterpret_cast<const volatile char*>(g_badAddress);
    return reinterpret_cast<char*>(static_cast<uintptr_t>(*bad));
}

char* __cdecl VisualData() {
    VisualMode mode = g_visualMode.load();
    if (mode == VisualMode::Fault)
        return Crash();
    SimulatedPlayer* player = g_active.load();
    TheMusic().Fill(
        Moment{player ? player->ElapsedMs() : 0, player && player->State() == PlayState::Playing},
        g_visualData);
    if (mode == VisualMode::Silence)
        std::memset(g_visualData, 0, sizeof g_visualData);
    if (mode == VisualMode::Loud)
        for (int i = 76; i < 150; ++i)
            g_visualData[i] = static_cast<char>(i % 2 ? 127 : -128);
    return g_visualData;
}

void __cdecl VisualRequest(int wanted) {
    g_visualRequest.store(wanted);
    if (wanted == 1)
        ++g_visualRequests;
}

}  // namespace

std::vector<Entry> SimulatedPlayer::DefaultPlaylist() {
    return {
        {"Velm Quartet - Morning on the Lake", 185},
        {"The Soft Buttons - Backlight Serenade", 242},
        {"Nine Volts - M1 M2 M3", 59},
        {"Lisa Marquee - A Title Long Enough To Scroll Across The Little Screen", 3600},
        {"Tahoma Seven - Small Print", 131},
    };
}

SimulatedPlayer::SimulatedPlayer(std::vector<Entry> playlist) : playlist_(std::move(playlist)) {
    // A Unicode window, as the player's main window is: its caption keeps every character.
    WNDCLASSW wc = {};
    wc.lpfnWndProc = WindowProc;
    wc.lpszClassName = kClassName;
    RegisterClassW(&wc);  // a second player finds the class already there
    HANDLE ready = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    StartArgs start{this, ready};
    thread_ = CreateThread(nullptr, 0, ThreadMain, &start, 0, &threadId_);
    WaitForSingleObject(ready, INFINITE);
    CloseHandle(ready);
    {
        std::lock_guard<std::mutex> lk(mu_);
        if (!playlist_.empty())
            LoadLocked(0);
    }
    g_active.store(this);
}

SimulatedPlayer::~SimulatedPlayer() {
    g_active.store(nullptr);
    PostMessageA(window_, WM_CLOSE, 0, 0);
    WaitForSingleObject(thread_, INFINITE);
    CloseHandle(thread_);
}

DWORD WINAPI SimulatedPlayer::ThreadMain(LPVOID param) {
    auto* s = static_cast<StartArgs*>(param);
    SimulatedPlayer* self = s->player;
    self->window_ = CreateWindowExW(0, kClassName, u"Winamp", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                    nullptr, self);
    SetEvent(s->ready);
    MSG msg;
    for (;;) {
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_QUIT)
                return 0;
            DispatchMessageW(&msg);
        }
        // Between the plug-in's questions the player works out the music it expects to be asked
        // for next, as a real player has its data ready when asked.
        TheMusic().WorkAhead(NoMessageSent);
        MsgWaitForMultipleObjects(0, nullptr, FALSE, INFINITE, QS_ALLINPUT);
    }
}

LRESULT CALLBACK SimulatedPlayer::WindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_CREATE) {
        auto* cs = reinterpret_cast<CREATESTRUCTW*>(lp);
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(cs->lpCreateParams));
        return 0;
    }
    auto* self = reinterpret_cast<SimulatedPlayer*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (!self)
        return DefWindowProcW(hwnd, msg, wp, lp);
    switch (msg) {
        case WM_CLOSE:
            DestroyWindow(hwnd);
            PostQuitMessage(0);
            return 0;
        case kCallMessage: {
            auto* fn = reinterpret_cast<std::function<void()>*>(lp);
            (*fn)();
            delete fn;
            std::lock_guard<std::mutex> lk(self->mu_);
            --self->pendingCalls_;
            return 0;
        }
        case WM_USER:
        case WM_COMMAND:
        case WM_GETTEXT: {
            PlayerMessage record{"", static_cast<long long>(static_cast<LONG_PTR>(wp)),
                                 static_cast<long long>(lp), "", true};
            LRESULT result = 0;
            if (!self->Overridden(msg, wp, lp, result, record))
                result = self->Answer(msg, wp, lp, record);
            if (msg == WM_USER)
                self->CheckPositionRequest(wp, lp, result);
            self->Observe(record);
            return result;
        }
        default:
            return DefWindowProcW(hwnd, msg, wp, lp);
    }
}

LRESULT SimulatedPlayer::Answer(UINT msg, WPARAM wp, LPARAM lp, PlayerMessage& record) {
    std::lock_guard<std::mutex> lk(mu_);
    SettleLocked();
    auto number = [&](LRESULT value) {
        record.result = std::to_string(static_cast<long long>(value));
        return value;
    };
    auto address = [&](const void* p, const std::string& stands_for) {
        record.resultIsNumber = p == nullptr;
        record.result = p ? stands_for : "0";
        return reinterpret_cast<LRESULT>(p);
    };
    if (msg == WM_GETTEXT) {
        record.name = "get-caption";
        record.lparam = 0;  // a buffer address: different on every run
        const CaptionText& caption = CaptionAsAskedLocked();
        auto* buffer = reinterpret_cast<WCHAR*>(lp);
        size_t n = (buffer && wp) ? std::min<size_t>(caption.wide.size(), wp - 1) : 0;
        if (buffer && wp) {
            std::copy_n(caption.wide.data(), n, buffer);
            buffer[n] = u'\0';
        }
        record.resultIsNumber = false;
        record.result = n == caption.wide.size() ? caption.utf8 : ToUtf8(caption.wide.substr(0, n));
        return static_cast<LRESULT>(n);
    }
    if (msg == WM_COMMAND) {
        record.name = wp == kPlayerPlayCommand ? "play" : "command";
        if (wp == kPlayerPlayCommand) {
            LoadLocked(listPosition_);
        }
        return number(0);
    }
    int arg = static_cast<int>(wp);
    Position now = PositionLocked();
    switch (lp) {
        case kPlayerPlayTime:
            if (arg == 0) {
                record.name = "get-position";
                return number(now.state == PlayState::Stopped ? -1 : now.elapsedMs);
            }
            record.name = "get-length";
            return number(now.entry < static_cast<int>(playlist_.size())
                              ? playlist_[now.entry].lengthSeconds
                              : -1);
        case kPlayerVolume:
            if (arg == kPlayerQueryVolume) {
                record.name = "get-volume";
                return number(volume_);
            }
            record.name = "set-volume";
            volume_ = arg < 0 ? 0 : arg > 255 ? 255 : arg;
            return number(0);
        case kPlayerPlaylistLength:
            record.name = "get-playlist-length";
            return number(static_cast<LRESULT>(playlist_.size()));
        case kPlayerPlaylistPosition:
            record.name = "get-playlist-position";
            return number(listPosition_);
        case kPlayerSetPlaylistPosition:
            record.name = "set-playlist-position";
            if (arg >= 0 && arg < static_cast<int>(playlist_.size()))
                listPosition_ = arg;
            return number(0);
        case kPlayerEntryTitle: {
            record.name = "get-entry-title";
            if (arg < 0 || arg >= static_cast<int>(playlist_.size()))
                return address(nullptr, "");
            const std::string& kept = *ansiTitleStore_.insert(ToAnsi(playlist_[arg].title)).first;
            return address(kept.c_str(), FromAnsi(kept));
        }
        case kPlayerEntryTitleWide: {
            record.name = "get-entry-title-wide";
            if (!answersWideTitles_ || arg < 0 || arg >= static_cast<int>(playlist_.size()))
                return address(nullptr, "");
            return address(KeptWideTitleLocked(arg).c_str(), playlist_[arg].title);
        }
        case kPlayerVisualData:
            record.name = arg == 0 ? "get-vis-data-function" : "get-vis-request-function";
            if (arg == 0)
                return address(reinterpret_cast<const void*>(&VisualData), "function");
            if (arg == 1)
                return address(reinterpret_cast<const void*>(&VisualRequest), "function");
            return address(nullptr, "");
        default:
            record.name = "user-" + std::to_string(static_cast<long long>(lp));
            return number(0);
    }
}

bool SimulatedPlayer::Overridden(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result,
                                 PlayerMessage& record) {
    AnswerOverride answer;
    {
        std::lock_guard<std::mutex> lk(mu_);
        answer = answerOverride_;
    }
    if (!answer || !answer(msg, wp, lp, result))
        return false;
    record.name = msg == WM_GETTEXT ? "get-caption" : msg == WM_COMMAND ? "command" : "overridden";
    if (msg == WM_GETTEXT)
        record.lparam = 0;
    record.result = std::to_string(static_cast<long long>(result));
    return true;
}

void SimulatedPlayer::CheckPositionRequest(WPARAM wp, LPARAM lp, LRESULT result) {
    std::lock_guard<std::mutex> lk(mu_);
    if (lp == kPlayerPlaylistLength) {
        lengthTold_ = static_cast<int>(result);
    } else if (lp == kPlayerSetPlaylistPosition) {
        long long position = static_cast<int>(wp);
        if (position < 0 || position >= lengthTold_)
            ++positionsOutsideList_;
    }
}

int SimulatedPlayer::PositionsOutsideList() const {
    std::lock_guard<std::mutex> lk(mu_);
    return positionsOutsideList_;
}

void SimulatedPlayer::SetAnswerOverride(AnswerOverride override) {
    std::lock_guard<std::mutex> lk(mu_);
    answerOverride_ = std::move(override);
}

void SimulatedPlayer::Observe(const PlayerMessage& record) {
    std::function<void(const PlayerMessage&)> observer;
    {
        std::lock_guard<std::mutex> lk(mu_);
        observer = observer_;
    }
    if (observer)
        observer(record);
}

SimulatedPlayer::Position SimulatedPlayer::PositionLocked() const {
    Position p{current_, state_, elapsedBase_};
    if (state_ != PlayState::Playing)
        return p;
    p.elapsedMs += static_cast<int>(GetTickCount() - playStart_);
    while (p.entry < static_cast<int>(playlist_.size())) {
        int lengthMs = playlist_[p.entry].lengthSeconds * 1000;
        if (lengthMs <= 0 || p.elapsedMs < lengthMs)
            return p;
        p.elapsedMs -= lengthMs;
        ++p.entry;
    }
    // Played to the end of the playlist: stopped on its last entry.
    return Position{static_cast<int>(playlist_.size()) - 1, PlayState::Stopped, 0};
}

void SimulatedPlayer::SettleLocked() {
    Position p = PositionLocked();
    if (p.entry != current_)
        listPosition_ = p.entry;
    current_ = p.entry < 0 ? 0 : p.entry;
    state_ = p.state;
    elapsedBase_ = p.elapsedMs;
    playStart_ = GetTickCount();
}

void SimulatedPlayer::LoadLocked(int index) {
    if (index < 0 || index >= static_cast<int>(playlist_.size()))
        return;
    current_ = listPosition_ = index;
    state_ = PlayState::Playing;
    elapsedBase_ = 0;
    playStart_ = GetTickCount();
}

std::string SimulatedPlayer::CaptionLocked() const {
    Position p = PositionLocked();
    if (playlist_.empty() || p.entry < 0)
        return "Winamp";
    return std::to_string(p.entry + 1) + ". " + playlist_[p.entry].title + " - Winamp" +
           (p.state == PlayState::Paused ? " [Paused]" : "");
}

// The caption changes a few times a song but is asked for at every pass: it is converted only
// when it changes.
const SimulatedPlayer::CaptionText& SimulatedPlayer::CaptionAsAskedLocked() {
    std::string text = CaptionLocked();
    if (text != caption_.text) {
        caption_.wide = ToWide(text);
        caption_.utf8 = ToUtf8(caption_.wide);
        caption_.text = std::move(text);
    }
    return caption_;
}

const std::u16string& SimulatedPlayer::KeptWideTitleLocked(int index) {
    if (keptWideTitles_.size() != playlist_.size())
        keptWideTitles_.assign(playlist_.size(), nullptr);
    const std::u16string*& kept = keptWideTitles_[index];
    if (!kept)
        kept = &*wideTitleStore_.insert(ToWide(playlist_[index].title)).first;
    return *kept;
}

void SimulatedPlayer::SetPlaylist(std::vector<Entry> playlist) {
    std::lock_guard<std::mutex> lk(mu_);
    playlist_ = std::move(playlist);
    keptWideTitles_.clear();
    current_ = listPosition_ = 0;
    state_ = PlayState::Stopped;
    elapsedBase_ = 0;
    if (!playlist_.empty())
        LoadLocked(0);
}

void SimulatedPlayer::PlayEntry(int index) {
    std::lock_guard<std::mutex> lk(mu_);
    LoadLocked(index);
}

void SimulatedPlayer::SetPaused(bool paused) {
    std::lock_guard<std::mutex> lk(mu_);
    SettleLocked();
    if (paused && state_ == PlayState::Playing)
        state_ = PlayState::Paused;
    if (!paused && state_ == PlayState::Paused)
        state_ = PlayState::Playing;
}

void SimulatedPlayer::Stop() {
    std::lock_guard<std::mutex> lk(mu_);
    SettleLocked();
    state_ = PlayState::Stopped;
    elapsedBase_ = 0;
}

void SimulatedPlayer::Play() {
    std::lock_guard<std::mutex> lk(mu_);
    LoadLocked(listPosition_);
}

void SimulatedPlayer::PlayPause() {
    std::lock_guard<std::mutex> lk(mu_);
    SettleLocked();
    if (state_ == PlayState::Stopped)
        LoadLocked(listPosition_);
    else
        state_ = state_ == PlayState::Playing ? PlayState::Paused : PlayState::Playing;
}

void SimulatedPlayer::SetVolume(int volume) {
    std::lock_guard<std::mutex> lk(mu_);
    volume_ = volume < 0 ? 0 : volume > 255 ? 255 : volume;
}

void SimulatedPlayer::SetCurrentTitle(const std::string& title) {
    std::lock_guard<std::mutex> lk(mu_);
    SettleLocked();
    if (current_ < static_cast<int>(playlist_.size())) {
        playlist_[current_].title = title;
        if (current_ < static_cast<int>(keptWideTitles_.size()))
            keptWideTitles_[current_] = nullptr;
    }
}

int SimulatedPlayer::Volume() const {
    std::lock_guard<std::mutex> lk(mu_);
    return volume_;
}

int SimulatedPlayer::CurrentEntry() const {
    std::lock_guard<std::mutex> lk(mu_);
    return PositionLocked().entry;
}

int SimulatedPlayer::ListPosition() const {
    std::lock_guard<std::mutex> lk(mu_);
    Position p = PositionLocked();
    return p.entry != current_ ? p.entry : listPosition_;
}

PlayState SimulatedPlayer::State() const {
    std::lock_guard<std::mutex> lk(mu_);
    return PositionLocked().state;
}

int SimulatedPlayer::ElapsedMs() const {
    std::lock_guard<std::mutex> lk(mu_);
    return PositionLocked().elapsedMs;
}

std::string SimulatedPlayer::Caption() const {
    std::lock_guard<std::mutex> lk(mu_);
    return CaptionLocked();
}

int SimulatedPlayer::PlaylistLength() const {
    std::lock_guard<std::mutex> lk(mu_);
    return static_cast<int>(playlist_.size());
}

Entry SimulatedPlayer::EntryAt(int index) const {
    std::lock_guard<std::mutex> lk(mu_);
    return index >= 0 && index < static_cast<int>(playlist_.size()) ? playlist_[index]
                                                                    : Entry{"", 0};
}

void SimulatedPlayer::CallOnPlayerThread(std::function<void()> fn) {
    {
        std::lock_guard<std::mutex> lk(mu_);
        ++pendingCalls_;
    }
    PostMessageA(window_, kCallMessage, 0,
                 reinterpret_cast<LPARAM>(new std::function<void()>(std::move(fn))));
}

bool SimulatedPlayer::CallsPending() const {
    std::lock_guard<std::mutex> lk(mu_);
    return pendingCalls_ > 0;
}

void SimulatedPlayer::SetMessageObserver(std::function<void(const PlayerMessage&)> observer) {
    std::lock_guard<std::mutex> lk(mu_);
    observer_ = std::move(observer);
}

void SimulatedPlayer::SetWideTitles(bool answered) {
    std::lock_guard<std::mutex> lk(mu_);
    answersWideTitles_ = answered;
}

const char* PlayStateName(PlayState state) {
    return StateName(state);
}

void SimulatedPlayer::SetVisualMode(VisualMode mode) {
    g_visualMode.store(mode);
}

int SimulatedPlayer::VisualRequests() {
    return g_visualRequests.load();
}

}  // namespace testbed
