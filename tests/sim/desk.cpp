// The desk of the interactive mode: what its keys do to the simulated world, and how it keeps
// the clock in step and plays a script.
#include <windows.h>

#include <gtest/gtest.h>

#include <initializer_list>
#include <string>
#include <vector>

#include "hostwin/control/desktop.h"
#include "sim/Desk.h"
#include "sim/Interactive.h"
#include "sim/Simulation.h"
#include "testbed/SimulatedLcdService.h"
#include "testbed/SoundCard.h"

namespace {

using sim::Screen;

TEST(SoftButtons, MeaningsFollowTheScreen) {
    auto now = sim::SoftButtonsOn(Screen::NowPlaying);
    EXPECT_TRUE(now[0].current) << "button 1 keeps the now-playing screen";
    EXPECT_STREQ(now[2].label, "Volume");
    auto volume = sim::SoftButtonsOn(Screen::Volume);
    EXPECT_STREQ(volume[2].label, "Next volume");
    EXPECT_FALSE(volume[0].current);
    auto settings = sim::SoftButtonsOn(Screen::Settings);
    EXPECT_STREQ(settings[3].label, "First setting");
    auto unknown = sim::SoftButtonsOn(Screen::Unknown);
    for (const auto& b : unknown)
        EXPECT_FALSE(b.current) << b.label;
}

TEST(Interactive, CatchUpStepsAtMostFiftyAndDropsALongStall) {
    std::vector<uint32_t> steps;
    auto advance = [&](uint32_t ms) { steps.push_back(ms); };
    double left = sim::CatchUp(120.6, advance);
    EXPECT_EQ(steps, (std::vector<uint32_t>{50, 50, 20}));
    EXPECT_NEAR(left, 0.6, 1e-9) << "the fraction is owed to the next round";
    steps.clear();
    sim::CatchUp(60000, advance);
    uint32_t total = 0;
    for (uint32_t s : steps)
        total += s;
    EXPECT_EQ(total, sim::kMaxCatchUpMs) << "a minute's stall catches up only so far";
}

sim::Options DeskOptions() {
    sim::Options options;
    options.pluginPath = std::string(VELM_BUILD_DIR) + "/gen_g15_velm.so";
    options.playlist = std::vector<testbed::Entry>{{"One", 100}, {"Two", 100}, {"Three", 100}};
    return options;
}

TEST(Desk, KeysActOnTheWorldAsTheDeskSays) {
    sim::Simulation simulation(DeskOptions());
    sim::Desk desk(simulation);
    std::vector<std::string> failures;
    int status = simulation.Run([&](sim::Simulation& s) {
        auto check = [&](bool ok, const std::string& what) {
            if (!ok)
                failures.push_back(what);
        };
        s.Advance(200);
        desk.Act(sim::Action::NextTrack);
        desk.Act(sim::Action::NextTrack);
        desk.Act(sim::Action::NextTrack);
        check(s.player().CurrentEntry() == 2, "n stops at the last entry");
        desk.Act(sim::Action::PreviousTrack);
        check(s.player().CurrentEntry() == 1, "p goes back one entry");

        DWORD wave = s.mixer().Volume(testbed::SoundCardLine::Wave);
        desk.Act(sim::Action::WaveUp);
        check(s.mixer().Volume(testbed::SoundCardLine::Wave) == wave + 6553,
              "w raises wave by 6553");
        for (int i = 0; i < 12; ++i)
            desk.Act(sim::Action::MasterDown);
        check(s.mixer().Volume(testbed::SoundCardLine::Master) == 0, "M stops at 0");

        // On the now-playing screen the plug-in lets the volume keys pass: the system turns the
        // master volume.
        desk.Act(sim::Action::VolumeUp);
        check(s.mixer().Volume(testbed::SoundCardLine::Master) == 1311,
              "a volume key that passed turns the master volume by 2 of 100");
        desk.Act(sim::Action::PlayPause);
        check(s.player().State() == testbed::PlayState::Paused,
              "Space on the now-playing screen reaches the player, which pauses");
        desk.Act(sim::Action::PlayPause);
        desk.Act(sim::Action::ScreenSaver);
        check(desk.View().saver, "s starts the screen saver");
        desk.Act(sim::Action::Replug);
        check(!s.lcdService().Plugged() && !desk.View().lcdPlugged, "u unplugs the LCD");
        desk.Act(sim::Action::Replug);
        check(s.lcdService().Plugged(), "u again plugs it back");
        desk.Act(sim::Action::LeftCtrl);
        check(desk.View().leftCtrl && !desk.View().rightCtrl, "[ holds left Ctrl");

        desk.Act(sim::Action::Soft3);
        sim::DeskView view = desk.View();
        check(view.buttons[2].down && !view.buttons[0].down, "button 3 drawn down");
        s.Advance(300);
        view = desk.View();
        check(!view.buttons[2].down, "and up again a moment later");
        check(view.screen == sim::Screen::Volume && view.buttons[2].current &&
                  std::string(view.buttons[2].label) == "Next volume",
              "on the volume screen button 3 selects the next volume");
        // The master volume's alert came first; button 3 on the volume screen then moved the
        // selection on to the player's volume, which the hook now takes the key for.
        desk.Act(sim::Action::VolumeUp);
        check(
            s.player().Volume() == 205 && s.mixer().Volume(testbed::SoundCardLine::Master) == 1311,
            "on the volume screen the plug-in steps the player's volume by 5");

        desk.Act(sim::Action::Soft2);
        s.Advance(200);
        view = desk.View();
        check(view.screen == sim::Screen::Playlist && view.buttons[1].current && view.hasFrame &&
                  view.priority >= 128,
              "the desk shows the plug-in's playlist screen and its frame");
        check(view.entry == 2 && view.entries == 3 && view.title == "Two" &&
                  view.lengthSeconds == 100,
              "the status shows entry 2 of 3, its title and length");
        check(view.playerVolume == 205 && view.mixer && view.keyboard, "the desk is all there");
        return 0;
    });
    EXPECT_EQ(status, 0);
    for (const auto& failure : failures)
        ADD_FAILURE() << "expected: " << failure;
    control::SetScreenSaverRunning(false);
}

TEST(Interactive, ScriptPlayerRunsCommandsWhenTheirWaitIsOverWithTheirCaption) {
    std::string text =
        "# Start\n"
        "track 2\n"
        "wait 500\n"
        "# Pause it\n"
        "pause on\n"
        "wait 100\n"
        "track 3\n";
    auto commands = sim::ParseScript(text, false);
    sim::Simulation simulation(DeskOptions());
    std::vector<std::string> failures;
    simulation.Run([&](sim::Simulation& s) {
        sim::ScriptPlayer script(commands, text);
        uint32_t start = s.Now();
        script.RunDue(s, start);
        if (s.player().CurrentEntry() != 1 || script.Caption() != "Start")
            failures.push_back("track 2 at once, captioned 'Start'");
        s.Advance(499);
        script.RunDue(s, s.Now());
        if (s.player().State() != testbed::PlayState::Playing)
            failures.push_back("no pause before the 500 ms are over");
        s.Advance(1);
        script.RunDue(s, s.Now());
        if (s.player().State() != testbed::PlayState::Paused || script.Caption() != "Pause it")
            failures.push_back("paused at 500 ms, captioned 'Pause it'");
        if (script.Done())
            failures.push_back("one command still to come");
        s.Advance(100);
        script.RunDue(s, s.Now());
        if (s.player().CurrentEntry() != 2 || !script.Done() ||
            script.Caption() != sim::ScriptPlayer::kHandOver)
            failures.push_back("track 3 at 600 ms, and done, handing the keys over");
        return 0;
    });
    for (const auto& failure : failures)
        ADD_FAILURE() << "expected: " << failure;
}

}  // namespace
