// The music the simulated player plays, as its visual data shows it: a spectrum in bytes 0..74
// and wave samples in 76..149 while playing, silence otherwise. The bytes are a function of the
// moment of play alone, so that runs repeat exactly, whichever thread works them out.
//
// Like a real player, which has its data ready when asked, the player works out the moment it
// expects to be asked for next while it has nothing else to do (WorkAhead); the plug-in's
// display thread then only copies it. A moment not worked out ahead is worked out when asked.
#pragma once

#include <functional>
#include <mutex>

namespace testbed {

constexpr int kVisualDataSize = 576;

struct Moment {
    int elapsedMs;
    bool playing;
    bool operator==(const Moment&) const = default;
};

class Music {
public:
    // The data at that moment into out, kVisualDataSize bytes.
    void Fill(Moment moment, char* out);
    // Works out the moment expected next, the next one after the last two asked for at the same
    // distance, a piece at a time while mayGoOn() holds; what is left waits for the next call.
    void WorkAhead(const std::function<bool()>& mayGoOn);

private:
    // A moment being worked out ahead, and how far it has got.
    struct Ahead {
        Moment moment{-1, false};
        int piecesDone = 0;
        char data[kVisualDataSize];
    };

    bool ExpectedNextLocked(Moment& next) const;

    std::mutex mu_;
    Moment shown_{-1, false};  // the moment last handed out, and its data
    char shownData_[kVisualDataSize];
    Moment ready_{-1, false};  // a moment worked out ahead, and its data
    char readyData_[kVisualDataSize];
    Moment last_{-1, false};  // the last two moments asked for, the latest first
    Moment before_{-1, false};

    std::mutex aheadMu_;  // held by the one thread working ahead
    Ahead ahead_;
};

// The one music of the process: the visual data's function is process-wide, as its address is.
Music& TheMusic();

}  // namespace testbed
