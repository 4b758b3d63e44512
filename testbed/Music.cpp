#include "testbed/Music.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace testbed {
namespace {

constexpr int kBands = 75;
constexpr int kWaveAt = 76;
constexpr int kSamples = 74;
// A moment is worked out in pieces of about a microsecond each, so that a player working ahead
// keeps a question waiting no longer than that.
constexpr int kPerPiece = 15;
constexpr int kBandPieces = (kBands + kPerPiece - 1) / kPerPiece;
constexpr int kSamplePieces = (kSamples + kPerPiece - 1) / kPerPiece;
constexpr int kPieces = kBandPieces + kSamplePieces;
// Moments further apart than this are not taken for a pace of asking.
constexpr int kLongestStepMs = 1000;

void Bands(int elapsedMs, int from, int to, char* data) {
    double t = elapsedMs / 1000.0;
    double beat = 0.6 + 0.4 * std::fabs(std::sin(t * 3.1));
    for (int band = from; band < to; ++band) {
        double shape = 1.0 - band / 90.0;
        double wobble = 0.5 + 0.5 * std::sin(t * (2.0 + band * 0.13) + band * 0.7);
        data[band] = static_cast<char>(std::lround(44.0 * shape * beat * wobble));
    }
}

// The wave swells and fades with the beat, so that a level meter on it walks through its whole
// range: the meter adds up the steps between samples, which at this amplitude and pitch come to
// about 12 times the amplitude.
void Samples(int elapsedMs, int from, int to, char* data) {
    double t = elapsedMs / 1000.0;
    double swell = std::fabs(std::sin(t * 2.3)) * (0.6 + 0.4 * std::sin(t * 0.7));
    double amplitude = 1.0 + 11.0 * swell;
    for (int i = from; i < to; ++i) {
        double sample = std::sin(t * 40.0 + i * 0.5) * 0.8 + std::sin(t * 7.0 + i * 0.11) * 0.2;
        data[kWaveAt + i] = static_cast<char>(std::lround(amplitude * sample));
    }
}

// One piece of a playing moment's data, into data that starts as silence.
void Piece(int elapsedMs, int piece, char* data) {
    if (piece < kBandPieces) {
        int from = piece * kPerPiece;
        Bands(elapsedMs, from, std::min(kBands, from + kPerPiece), data);
    } else {
        int from = (piece - kBandPieces) * kPerPiece;
        Samples(elapsedMs, from, std::min(kSamples, from + kPerPiece), data);
    }
}

void Whole(Moment moment, char* data) {
    std::memset(data, 0, kVisualDataSize);
    if (!moment.playing)
        return;
    for (int piece = 0; piece < kPieces; ++piece)
        Piece(moment.elapsedMs, piece, data);
}

}  // namespace

void Music::Fill(Moment moment, char* out) {
    std::lock_guard<std::mutex> lk(mu_);
    if (moment != last_) {
        before_ = last_;
        last_ = moment;
    }
    if (moment != shown_) {
        if (moment == ready_)
            std::memcpy(shownData_, readyData_, kVisualDataSize);
        else
            Whole(moment, shownData_);
        shown_ = moment;
    }
    std::memcpy(out, shownData_, kVisualDataSize);
}

void Music::WorkAhead(const std::function<bool()>& mayGoOn) {
    std::unique_lock<std::mutex> working(aheadMu_, std::try_to_lock);
    if (!working)
        return;
    Moment next;
    {
        std::lock_guard<std::mutex> lk(mu_);
        if (!ExpectedNextLocked(next) || next == ready_ || next == shown_)
            return;
    }
    if (ahead_.moment != next) {
        ahead_.moment = next;
        ahead_.piecesDone = 0;
        std::memset(ahead_.data, 0, kVisualDataSize);
    }
    while (ahead_.piecesDone < kPieces) {
        if (!mayGoOn())
            return;
        Piece(next.elapsedMs, ahead_.piecesDone++, ahead_.data);
    }
    std::lock_guard<std::mutex> lk(mu_);
    ready_ = next;
    std::memcpy(readyData_, ahead_.data, kVisualDataSize);
}

bool Music::ExpectedNextLocked(Moment& next) const {
    if (!last_.playing || !before_.playing)
        return false;
    int step = last_.elapsedMs - before_.elapsedMs;
    if (step <= 0 || step > kLongestStepMs)
        return false;
    next = Moment{last_.elapsedMs + step, true};
    return true;
}

Music& TheMusic() {
    static Music* music = new Music;  // never destroyed: a player thread may still use it at exit
    return *music;
}

}  // namespace testbed
