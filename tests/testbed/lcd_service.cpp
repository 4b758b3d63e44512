// The stand-in LCD service: what it answers, how it arbitrates between applications, and what
// it reports to observers.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>

#include "testbed/LcdServiceCore.h"

namespace {

using testbed::LcdServiceCore;

struct App {
    LscConnectRecord connect;
    LscOpenRecord open;
};

class StandInService : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(core.Startup(), 0u); }
    App Attach(const char* name) {
        App app = {{name, 0, 0, 0, 0, -1}, {}};
        EXPECT_EQ(core.Connect(&app.connect), 0u);
        app.open.connection = app.connect.connection;
        EXPECT_EQ(core.OpenDevice(&app.open), 0u);
        return app;
    }
    DWORD Show(const App& app, DWORD priority, BYTE fill) {
        LscFrame frame;
        frame.format = 1;
        std::memset(frame.pixels, fill, sizeof frame.pixels);
        return core.ShowFrame(app.open.device, &frame, priority);
    }
    std::string OnLcd() {
        testbed::LcdShownFrame frame;
        return core.Displayed(frame) ? frame.application : "(nothing)";
    }
    LcdServiceCore core;
};

TEST_F(StandInService, HighestPriorityHoldsTheLcdAndTheLatestWinsAmongEquals) {
    App player = Attach("player"), mail = Attach("mail");
    Show(player, 128, 200);
    EXPECT_EQ(OnLcd(), "player");
    Show(mail, 128, 200);
    EXPECT_EQ(OnLcd(), "mail");
    Show(player, 255, 200);
    Show(mail, 128, 200);
    EXPECT_EQ(OnLcd(), "player") << "an alert outranks ordinary frames";
    Show(player, 0, 0);
    EXPECT_EQ(OnLcd(), "mail") << "a blank frame at priority 0 gives the LCD away";
    core.Disconnect(mail.connect.connection);
    EXPECT_EQ(OnLcd(), "player");
    core.Unplug();
    EXPECT_EQ(OnLcd(), "(nothing)");
}

TEST_F(StandInService, UnpluggedKeyboardAndRestartedServiceInvalidateHandles) {
    App app = Attach("app");
    core.Unplug();
    EXPECT_EQ(Show(app, 128, 0), static_cast<DWORD>(ERROR_DEVICE_NOT_CONNECTED));
    LscDeviceRecord description;
    EXPECT_EQ(core.FindDevice(app.connect.connection, 0, &description),
              static_cast<DWORD>(ERROR_NO_MORE_ITEMS));
    core.Plug();
    EXPECT_EQ(Show(app, 128, 0), static_cast<DWORD>(ERROR_DEVICE_NOT_CONNECTED))
        << "a device opened before the unplug stays gone";
    EXPECT_EQ(core.OpenDevice(&app.open), 0u);
    EXPECT_EQ(Show(app, 128, 0), 0u);
    core.Restart();
    EXPECT_EQ(Show(app, 128, 0), static_cast<DWORD>(ERROR_INVALID_HANDLE));
    EXPECT_EQ(core.Disconnect(app.connect.connection), static_cast<DWORD>(ERROR_INVALID_HANDLE));
    core.Stop();
    EXPECT_EQ(core.Connect(&app.connect), static_cast<DWORD>(RPC_S_SERVER_UNAVAILABLE));
}

TEST_F(StandInService, TapsLastOneReadingAndObserversSeeChangedReadingsOnly) {
    App app = Attach("app");
    std::vector<DWORD> readings;
    std::vector<std::string> calls;
    core.SetButtonsObserver([&](DWORD bits) { readings.push_back(bits); });
    core.SetCallObserver([&](const testbed::LcdCall& call) {
        calls.push_back(std::string(testbed::LcdEntryName(call.entry)) + "=" +
                        std::to_string(call.result));
    });
    DWORD bits = 99;
    core.Hold(1);
    core.Tap(8);
    core.ReadButtons(app.open.device, &bits);
    EXPECT_EQ(bits, 9u);
    core.ReadButtons(app.open.device, &bits);
    EXPECT_EQ(bits, 1u);
    core.ReadButtons(app.open.device, &bits);
    core.Release(1);
    core.FailNext(testbed::kLcdReadButtons, 1167);
    EXPECT_EQ(core.ReadButtons(app.open.device, &bits), 1167u);
    core.ReadButtons(app.open.device, &bits);
    EXPECT_EQ(readings, (std::vector<DWORD>{9, 1, 0}));
    EXPECT_EQ(calls.size(), 5u);
    EXPECT_EQ(calls[3], "read-buttons=1167");
}

TEST_F(StandInService, FailuresAnswerOnceOrUntilCleared) {
    App app = Attach("app");
    core.FailNext(testbed::kLcdShowFrame, 31);
    core.FailNext(testbed::kLcdShowFrame, 0);  // a planned success
    EXPECT_EQ(Show(app, 128, 0), 31u);
    EXPECT_EQ(Show(app, 128, 0), 0u);
    core.FailAlways(testbed::kLcdShowFrame, 1722);
    EXPECT_EQ(Show(app, 128, 0), 1722u);
    EXPECT_EQ(Show(app, 128, 0), 1722u);
    core.ClearFailures();
    EXPECT_EQ(Show(app, 128, 0), 0u);
    EXPECT_EQ(core.FrameCount(), 2u) << "refused frames are not kept";
    EXPECT_EQ(testbed::LcdEntryByName("show-frame"), testbed::kLcdShowFrame);
    EXPECT_EQ(testbed::LcdEntryByName("showframe"), -1);
}

}  // namespace
