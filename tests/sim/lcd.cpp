// The simulator's LCD service: its commands, its option, and the events it logs.
#include <windows.h>

#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "lcd/LCDOutput.h"
#include "sim/Commands.h"
#include "sim/LcdEvents.h"
#include "support/SimRunner.h"
#include "sim/Simulation.h"
#include "testbed/SimulatedLcdService.h"

namespace {

// Exit status of a run; its output goes to output when given.
int RunSim(const std::string& arguments, std::string* output = nullptr) {
    simrunner::SimRun run = simrunner::RunSim(arguments);
    if (output)
        *output = run.output;
    return run.status;
}

void RunCommand(sim::Simulation& simulation, const std::string& line) {
    auto commands = sim::ParseScript(line, false);
    ASSERT_EQ(commands.size(), 1u);
    sim::ScriptError error;
    ASSERT_TRUE(sim::CheckScript(commands, {5}, error)) << line << ": " << error.message;
    ASSERT_TRUE(sim::FindCommand(commands[0].name)->run(simulation, commands[0])) << line;
}

TEST(SimLcd, CommandsAndOptionAreAcceptedAndBadArgumentsRefused) {
    std::string output;
    EXPECT_EQ(RunSim("-e 'unplug; wait 100; plug; soft 1; hold 2; wait 50; release 2; "
                     "service fail show-frame 1167; service restart'",
                     &output),
              0)
        << output;
    EXPECT_EQ(RunSim("--no-lcd-service -e 'wait 100'", &output), 0) << output;
    for (const char* bad : {"soft 0", "soft 5", "hold", "release x", "unplug now",
                            "service fail frame 1", "service fail show-frame -1",
                            "service fail show-frame 4294967296", "service restart now"})
        EXPECT_EQ(RunSim(std::string("-e '") + bad + "'"), 2) << bad;
    RunSim("--help", &output);
    for (const char* word : {"unplug", "plug", "service fail ENTRY CODE", "soft N", "hold N",
                             "release N", "--no-lcd-service"})
        EXPECT_NE(output.find(word), std::string::npos) << word << " missing from --help";
}

TEST(SimLcd, CommandsActOnTheServiceAndTheOptionLeavesItUninstalled) {
    {
        sim::Simulation simulation(sim::Options{});
        testbed::SimulatedLcdService& service = simulation.lcdService();
        EXPECT_EQ(LscStartup(), 0u) << "the desk's registry names the service";
        LscConnectRecord connect = {"app", 0, 0, 0, 0, -1};
        LscConnect(&connect);
        LscOpenRecord open = {connect.connection, 0, 0, 0, 0};
        LscOpenDevice(&open);
        DWORD bits = 0;
        RunCommand(simulation, "hold 3");
        RunCommand(simulation, "soft 1");
        LscReadButtons(open.device, &bits);
        EXPECT_EQ(bits, 5u);
        RunCommand(simulation, "release 3");
        LscReadButtons(open.device, &bits);
        EXPECT_EQ(bits, 0u) << "a soft press lasts one reading";
        RunCommand(simulation, "service fail read-buttons 31");
        EXPECT_EQ(LscReadButtons(open.device, &bits), 31u);
        RunCommand(simulation, "unplug");
        EXPECT_FALSE(service.Plugged());
        RunCommand(simulation, "plug");
        EXPECT_TRUE(service.Plugged());
        RunCommand(simulation, "service restart");
        EXPECT_EQ(LscReadButtons(open.device, &bits), static_cast<DWORD>(ERROR_INVALID_HANDLE));
        LscCleanup();
    }
    sim::Options options;
    options.lcdService = false;
    sim::Simulation without(options);
    EXPECT_EQ(LscStartup(), static_cast<DWORD>(RPC_S_SERVER_UNAVAILABLE));
}

// A screen that lights the top-left pixel.
class Corner : public CLCDManager {
public:
    void OnDraw(CLCDGfx& gfx) override { SetPixel(gfx.GetDrawingDC(), 0, 0, RGB(255, 255, 255)); }
};

TEST(SimLcd, LogsServiceCallsFramesAndChangedButtonReadings) {
    std::string path = ::testing::TempDir() + "/sim_lcd_log" + std::to_string(getpid());
    {
        sim::Log log;
        ASSERT_TRUE(log.Open(path));
        testbed::SimulatedLcdService service;
        uint32_t now = 0;
        sim::LogLcdEvents(service, log, [&] { return now; });
        Corner screen;
        screen.SetStartTime(1);
        screen.SetExpiration(kNeverExpires);
        CLCDOutput output;
        output.RegisterScreen(&screen);
        output.PinScreen(&screen);
        ASSERT_EQ(output.Open(nullptr), S_OK);
        for (now = 0; now < 200; now += 50) {
            if (now == 100)
                service.Hold(2);
            if (now == 150)
                service.FailNext(testbed::kLcdShowFrame, 1167);
            output.Update(now);
            output.Draw();
        }
        output.Shutdown();
        service.SetCallObserver(nullptr);
    }
    std::ifstream in(path);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    std::remove(path.c_str());
    ASSERT_GE(lines.size(), 8u);
    EXPECT_EQ(lines[0], R"({"t":0,"event":"lcd","call":"startup","result":0})");
    EXPECT_EQ(lines[1], R"({"t":0,"event":"lcd","call":"connect","result":0})");
    EXPECT_EQ(lines[4], R"({"t":0,"event":"lcd","call":"show-frame","result":0})");
    std::string row0 = "\"#" + std::string(159, '.') + "\"";
    std::string dark = "\"" + std::string(160, '.') + "\"";
    std::string rows = "[" + row0;
    for (int i = 1; i < 43; ++i)
        rows += "," + dark;
    EXPECT_EQ(lines[5], R"({"t":0,"event":"frame","priority":128,"rows":)" + rows + "]}");
    int frames = 0, buttons = 0;
    bool lost = false;
    for (const auto& line : lines) {
        frames += line.find("\"event\":\"frame\"") != std::string::npos;
        if (line.find("\"event\":\"buttons\"") != std::string::npos) {
            ++buttons;
            EXPECT_EQ(line, R"({"t":100,"event":"buttons","bits":2})");
        }
        lost |= line == R"({"t":150,"event":"lcd","call":"show-frame","result":1167})";
    }
    EXPECT_EQ(frames, 3) << "the frame the service refused is not logged as shown";
    EXPECT_EQ(buttons, 1) << "only the reading that changed";
    EXPECT_TRUE(lost);
    EXPECT_EQ(lines.back(), R"({"t":200,"event":"lcd","call":"cleanup","result":0})");
}

}  // namespace
