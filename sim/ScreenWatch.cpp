#include "sim/ScreenWatch.h"

namespace sim {

const char* ScreenName(Screen screen) {
    switch (screen) {
        case Screen::NowPlaying:
            return "now playing";
        case Screen::Volume:
            return "volume";
        case Screen::Playlist:
            return "playlist";
        case Screen::Settings:
            return "settings";
        default:
            return "unknown";
    }
}

ScreenWatch::ScreenWatch(std::function<int()> mixerReads) : mixerReads_(std::move(mixerReads)) {}

void ScreenWatch::OnPlayerMessage(const std::string& name) {
    std::lock_guard<std::mutex> lk(mu_);
    if (name == "get-caption") {
        inPass_ = true;
        followStep_ = false;
        judged_ = Screen::Unknown;
        mixerReadsAtCaption_ = mixerReads_();
        return;
    }
    if (!inPass_ || judged_ != Screen::Unknown)
        return;
    if (name == "get-playlist-position") {
        followStep_ = true;
    } else if (name == "get-playlist-length" && followStep_) {
        followStep_ = false;
    } else if (name == "get-playlist-length" || name == "get-entry-title") {
        judged_ = Screen::Playlist;
    } else if (name == "get-length" || name == "get-position") {
        judged_ = Screen::NowPlaying;
    } else if (name == "get-volume") {
        judged_ = Screen::Volume;
    }
}

void ScreenWatch::OnFrame() {
    std::lock_guard<std::mutex> lk(mu_);
    if (!inPass_)
        return;
    inPass_ = false;
    if (judged_ == Screen::Unknown)
        judged_ = mixerReads_() != mixerReadsAtCaption_ ? Screen::Volume : Screen::Settings;
    current_ = judged_;
}

Screen ScreenWatch::Current() const {
    std::lock_guard<std::mutex> lk(mu_);
    return current_;
}

}  // namespace sim
