// A stand-in for the media player: a Unicode window on its own thread that answers the
// plug-in's messages from a playlist, a play state and a volume, and synthesises visual data.
// Its titles are UTF-8 here; it hands them out in UTF-16 and in the system's ANSI code page.
#pragma once

#include <windows.h>

#include <functional>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace testbed {

struct Entry {
    std::string title;  // UTF-8
    int lengthSeconds;
};

enum class PlayState { Stopped, Playing, Paused };
const char* PlayStateName(PlayState state);

// What the player's visual-data function hands out: the synthesized music (the default),
// silence (every byte 0), a loud wave (samples alternating -128 and 127) or a fault (the
// function itself crashes on a bad address).
enum class VisualMode { Music, Silence, Loud, Fault };

// One message from the plug-in, as the player answered it.
struct PlayerMessage {
    // "get-volume", "set-volume", "get-caption", ...: always one of the player's own literals,
    // so that naming a message copies nothing.
    std::string_view name;
    long long wparam;
    long long lparam;
    std::string result;  // a number, or the text or "function" that an address stands for
    bool resultIsNumber;
};

class SimulatedPlayer {
public:
    // Starts the player's thread and creates its window; playing the first entry.
    explicit SimulatedPlayer(std::vector<Entry> playlist = DefaultPlaylist());
    ~SimulatedPlayer();
    SimulatedPlayer(const SimulatedPlayer&) = delete;
    SimulatedPlayer& operator=(const SimulatedPlayer&) = delete;

    static std::vector<Entry> DefaultPlaylist();

    HWND Window() const { return window_; }
    DWORD ThreadId() const { return threadId_; }

    // Changes made from outside, as a user at the player would make them.
    void SetPlaylist(std::vector<Entry> playlist);
    void PlayEntry(int index);  // loads the entry and plays it from the start
    void SetPaused(bool paused);
    void Stop();
    void Play();  // what the player's play command does
    // The play/pause media key, as a player with global media keys takes it: pauses, resumes,
    // or plays the entry at the playlist position when stopped.
    void PlayPause();
    void SetVolume(int volume);
    void SetCurrentTitle(const std::string& title);
    // A player from before Unicode titles answers 0 to the wide entry title; the ANSI one,
    // in the system's code page, it answers always.
    void SetWideTitles(bool answered);

    int Volume() const;
    int CurrentEntry() const;
    int ListPosition() const;
    PlayState State() const;
    int ElapsedMs() const;
    std::string Caption() const;
    int PlaylistLength() const;
    // Requests to make an entry current that named none of the playlist as the player last
    // told its length (whether the length came from its list or from an answer override).
    int PositionsOutsideList() const;
    // Entry index of the playlist; an empty entry when there is none.
    Entry EntryAt(int index) const;

    // Runs fn on the player's thread, the way the player calls into its plug-ins. Returns at
    // once; done() turns true once fn has returned.
    void CallOnPlayerThread(std::function<void()> fn);
    bool CallsPending() const;

    // Called on the player's thread for every message the plug-in sends.
    void SetMessageObserver(std::function<void(const PlayerMessage&)> observer);

    // A player that answers nonsense: called on the player's thread before each WM_USER,
    // WM_COMMAND or WM_GETTEXT message is answered (for WM_GETTEXT, lp is the caller's buffer
    // and wp its size). Returning true answers with result instead, and the player does
    // nothing else; the message is still observed. Null answers as usual again.
    using AnswerOverride = std::function<bool(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result)>;
    void SetAnswerOverride(AnswerOverride override);

    // For every player: the visual data is process-wide, as the function's address is.
    static void SetVisualMode(VisualMode mode);
    // How often the visual-data request function has been called with 1.
    static int VisualRequests();

private:
    static DWORD WINAPI ThreadMain(LPVOID self);
    static LRESULT CALLBACK WindowProc(HWND, UINT, WPARAM, LPARAM);
    LRESULT Answer(UINT msg, WPARAM wp, LPARAM lp, PlayerMessage& record);
    bool Overridden(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result, PlayerMessage& record);
    void Observe(const PlayerMessage& record);

    // Where playback stands now: a track that has played to its end has given way to the next.
    struct Position {
        int entry;
        PlayState state;
        int elapsedMs;
    };
    // Lock held for the rest.
    Position PositionLocked() const;
    void SettleLocked();  // makes the present position the new starting point
    void LoadLocked(int index);
    std::string CaptionLocked() const;
    // The caption as the window hands it out: in UTF-16, and that again in UTF-8 for the record.
    struct CaptionText {
        std::string text;  // as made; "" before the first
        std::u16string wide;
        std::string utf8;
    };
    const CaptionText& CaptionAsAskedLocked();
    // Counts a request to make an entry current that lies outside the length last told.
    void CheckPositionRequest(WPARAM wp, LPARAM lp, LRESULT result);
    const std::u16string& KeptWideTitleLocked(int index);

    mutable std::mutex mu_;
    std::vector<Entry> playlist_;
    int current_ = 0;       // the loaded entry (the caption's), as of playStart_
    int listPosition_ = 0;  // the playlist position (function 125)
    PlayState state_ = PlayState::Stopped;
    int elapsedBase_ = 0;  // ms played at playStart_
    DWORD playStart_ = 0;
    int volume_ = 200;
    int pendingCalls_ = 0;
    // Entry titles handed out by address stay valid for the player's lifetime; each text is
    // kept once, however often it is asked for.
    std::set<std::string> ansiTitleStore_;
    std::set<std::u16string> wideTitleStore_;
    // Which kept wide text is each entry's, by index (null until asked for, and again once the
    // entry changes): the playlist screen asks for its rows' titles at every pass, and their
    // conversion and look-up were half of the player's work for each such question.
    std::vector<const std::u16string*> keptWideTitles_;
    bool answersWideTitles_ = true;
    CaptionText caption_;
    std::function<void(const PlayerMessage&)> observer_;
    AnswerOverride answerOverride_;
    long long lengthTold_ = -1;  // the last playlist length answered; -1 before the first
    int positionsOutsideList_ = 0;

    HWND window_ = nullptr;
    HANDLE thread_ = nullptr;
    DWORD threadId_ = 0;
};

}  // namespace testbed
