// The output manager against the testbed's LCD service, frame by frame: connecting, pushing
// frames, screens that expire, soft buttons, and recovery from every kind of loss.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "hostwin/control/gdi.h"
#include "lcd/LCDOutput.h"
#include "support/FrameArt.h"
#include "support/GdiScene.h"
#include "support/LcdWorld.h"

namespace {

using testbed::LcdShownFrame;

// A screen that lights the pixel (mark, 0) and notes its button events.
class Screen : public CLCDManager {
public:
    Screen(std::vector<std::string>& events, int mark) : events_(events), mark_(mark) {}
    void OnDraw(CLCDGfx& gfx) override {
        CLCDManager::OnDraw(gfx);
        SetPixel(gfx.GetDrawingDC(), mark_, 0, RGB(255, 255, 255));
    }
    void OnSoftButtonDown(int button) override { Note("down", button); }
    void OnSoftButtonUp(int button) override { Note("up", button); }
    void Start(DWORD start, DWORD expiration) {
        SetStartTime(start);
        SetExpiration(expiration);
    }

private:
    void Note(const char* what, int button) {
        events_.push_back(std::to_string(mark_) + " " + what + " " + std::to_string(button));
    }
    std::vector<std::string>& events_;
    int mark_;
};

class Output : public LcdWorld {
protected:
    static constexpr DWORD kStart = 1000;

    void TearDown() override {
        output.Shutdown();
        LcdWorld::TearDown();
    }
    // Registers and pins screen 1 (never expiring), opens the output and runs one frame.
    void OpenWithScreen() {
        main.Start(kStart, kNeverExpires);
        output.RegisterScreen(&main);
        output.PinScreen(&main);
        ASSERT_EQ(output.Open(nullptr), S_OK);
        Frame();
        ASSERT_NE(output.GetDevice(), kNoHandle) << "the first frame opens the device";
    }
    void Frame(DWORD step = 50) {
        now += step;
        output.Update(now);
        output.Draw();
    }
    LcdShownFrame LastFrame() const {
        LcdShownFrame frame;
        return service->LastFrame(frame) ? frame : LcdShownFrame{};
    }
    // Which screen marks the last frame carries (lit pixels in row 0).
    std::string Marks() const {
        LcdShownFrame frame = LastFrame();
        std::string marks;
        for (int x = 0; x < 160 && !frame.pixels.empty(); ++x)
            if (frame.pixels[x] > 128)
                marks += std::to_string(x) + " ";
        return marks;
    }

    std::vector<std::string> events;
    Screen main{events, 1};
    CLCDOutput output;
    DWORD now = kStart;
};

TEST_F(Output, OpenStartsTheClientAndTheFirstUpdateConnectsAndOpens) {
    output.RegisterScreen(&main);
    ASSERT_EQ(output.Open(nullptr), S_OK);
    EXPECT_EQ(g_lscConnectionCount, 1);
    EXPECT_EQ(service->CallCount(testbed::kLcdStartup), 1);
    EXPECT_EQ(service->CallCount(testbed::kLcdConnect), 0) << "Open does not connect yet";
    EXPECT_NE(main.GetGfx().GetDrawingDC(), nullptr) << "Open sets up the registered screens";
    EXPECT_STREQ(output.GetConnectContext().applicationName, "My App");
    EXPECT_EQ(output.GetConnectContext().connection, -1);

    output.Update(kStart);
    EXPECT_NE(output.GetConnection(), kNoHandle);
    EXPECT_NE(output.GetDevice(), kNoHandle);
    EXPECT_EQ(service->OpenDevices(), 1);
}

TEST_F(Output, ConnectRecordPassedToOpenIsUsedWhole) {
    LscConnectRecord context = {"Velm's G15 Winamp Plugin", 0, 0, 7, 9, 0};
    output.RegisterScreen(&main);
    ASSERT_EQ(output.Open(&context), S_OK);
    EXPECT_EQ(output.GetConnectContext().extra1, 7u);
    EXPECT_EQ(output.GetConnectContext().extra2, 9u);
    main.Start(kStart, kNeverExpires);
    output.PinScreen(&main);
    Frame();
    EXPECT_EQ(LastFrame().application, "Velm's G15 Winamp Plugin");
}

TEST_F(Output, ActiveScreenIsPushedAtTheOutputsPriorityAndButtonsArePolled) {
    OpenWithScreen();
    EXPECT_EQ(service->FrameCount(), 1u);
    EXPECT_EQ(LastFrame().priority, 128u);
    EXPECT_EQ(Marks(), "1 ");
    EXPECT_EQ(service->CallCount(testbed::kLcdReadButtons), 1);
    output.SetPriority(255);
    Frame();
    EXPECT_EQ(LastFrame().priority, 255u);
    EXPECT_EQ(service->FrameCount(), 2u);
}

// The whole path from an item's GDI calls to the bytes the service is shown.
TEST_F(Output, PushedFrameIsTheScreensDrawingPixelForPixel) {
    class Scene : public CLCDBase {
        void OnDraw(CLCDGfx& gfx) override { DrawGdiScene(gfx.GetDrawingDC()); }
    } scene;
    scene.SetSize(160, 43);
    CLCDManager screen;
    screen.AppendChild(&scene);
    screen.SetStartTime(kStart);
    screen.SetExpiration(kNeverExpires);
    output.RegisterScreen(&screen);
    output.PinScreen(&screen);
    ASSERT_EQ(output.Open(nullptr), S_OK);
    Frame();
    LcdShownFrame shown = LastFrame();
    ASSERT_EQ(shown.pixels.size(), static_cast<size_t>(kLcdPixelBytes));
    EXPECT_TRUE(frameart::Same(frameart::Read(std::string(VELM_TEST_DATA) + "/gdi_scene.txt"),
                               frameart::FromPixels(shown.pixels.data(), 160, 43, 160)));
}

TEST_F(Output, WithoutAnActiveScreenNothingIsPushedAndNoButtonsAreRead) {
    ASSERT_EQ(output.Open(nullptr), S_OK);
    for (int i = 0; i < 3; ++i)
        Frame();
    EXPECT_NE(output.GetDevice(), kNoHandle);
    EXPECT_EQ(service->FrameCount(), 0u);
    EXPECT_EQ(service->CallCount(testbed::kLcdReadButtons), 0);
}

TEST_F(Output, ScreensExpireByUnsignedElapsedTime) {
    Screen never{events, 2}, unstarted{events, 3}, wrapping{events, 4};
    never.Start(5, kNeverExpires);
    never.Update(4);  // the tick count wrapped: elapsed is 0xFFFFFFFF
    EXPECT_FALSE(never.IsExpired());
    EXPECT_TRUE(unstarted.IsExpired()) << "a screen never started counts as expired";
    unstarted.SetExpiration(kNeverExpires);
    EXPECT_TRUE(unstarted.IsExpired());
    wrapping.Start(0xFFFFFF00, 1000);
    wrapping.Update(0x100);
    EXPECT_EQ(wrapping.GetElapsed(), 0x200u);
    EXPECT_FALSE(wrapping.IsExpired());
    wrapping.Update(0x2E9);
    EXPECT_TRUE(wrapping.IsExpired()) << "elapsed 1001 > 1000";
}

TEST_F(Output, ExpiredScreenGivesWayToTheFirstLiveOneInRegistrationOrder) {
    Screen unstarted{events, 2}, brief{events, 3}, later{events, 4}, last{events, 5};
    brief.Start(kStart, 120);
    later.Start(kStart, kNeverExpires);
    last.Start(kStart, kNeverExpires);
    for (Screen* s : {&unstarted, &brief, &later, &last})
        output.RegisterScreen(s);
    output.PinScreen(&brief);
    ASSERT_EQ(output.Open(nullptr), S_OK);
    Frame();
    Frame();
    EXPECT_EQ(Marks(), "3 ");
    Frame();  // elapsed 150 > 120
    EXPECT_EQ(output.GetActiveScreen(), &later);
    EXPECT_FALSE(output.IsPinned()) << "the replacement is not pinned";
    EXPECT_EQ(Marks(), "4 ");
}

TEST_F(Output, WhenNoScreenIsLeftOneBlackFrameGoesOutAtPriorityZero) {
    Screen brief{events, 3};
    brief.Start(kStart, 60);
    output.RegisterScreen(&brief);
    output.PinScreen(&brief);
    ASSERT_EQ(output.Open(nullptr), S_OK);
    Frame();
    ASSERT_EQ(service->FrameCount(), 1u);
    Frame();  // expires: elapsed 100
    EXPECT_EQ(output.GetActiveScreen(), nullptr);
    ASSERT_EQ(service->FrameCount(), 2u);
    LcdShownFrame blank = LastFrame();
    EXPECT_EQ(blank.priority, 0u);
    EXPECT_EQ(blank.pixels, std::vector<BYTE>(kLcdPixelBytes, 0)) << "6880 zero bytes";
    for (int i = 0; i < 3; ++i)
        Frame();
    EXPECT_EQ(service->FrameCount(), 2u) << "only one blank frame";
}

TEST_F(Output, ButtonChangesBecomeDownAndUpEventsInBitOrder) {
    OpenWithScreen();
    service->Hold(kSoftButton1 | kSoftButton3);
    Frame();
    service->Release(kSoftButton1);
    Frame();
    Frame();  // unchanged: no events
    service->Release(kSoftButton3);
    service->Tap(kSoftButton4);
    Frame();
    Frame();
    std::vector<std::string> expected = {"1 down 1", "1 down 4", "1 up 1",
                                         "1 up 4",   "1 down 8", "1 up 8"};
    EXPECT_EQ(events, expected);
}

TEST_F(Output, ShowFrameLosingTheKeyboardKeepsTheConnection) {
    OpenWithScreen();
    int connection = output.GetConnection();
    service->FailNext(testbed::kLcdShowFrame, ERROR_DEVICE_NOT_CONNECTED);
    output.Draw();
    EXPECT_EQ(output.GetConnection(), connection);
    EXPECT_EQ(output.GetDevice(), kNoHandle);
    size_t frames = service->FrameCount();
    Frame();
    EXPECT_NE(output.GetDevice(), kNoHandle) << "the next Update opens the device again";
    EXPECT_EQ(output.GetConnection(), connection);
    EXPECT_EQ(service->CallCount(testbed::kLcdConnect), 1);
    EXPECT_EQ(service->FrameCount(), frames + 1);
}

TEST_F(Output, AnyOtherShowFrameErrorDropsDeviceAndConnection) {
    OpenWithScreen();
    service->FailNext(testbed::kLcdShowFrame, ERROR_GEN_FAILURE);
    output.Draw();
    EXPECT_EQ(output.GetConnection(), kNoHandle);
    EXPECT_EQ(output.GetDevice(), kNoHandle);
    EXPECT_EQ(service->OpenConnections(), 0) << "the connection is closed at the service too";
    Frame();
    EXPECT_NE(output.GetDevice(), kNoHandle);
    EXPECT_EQ(service->CallCount(testbed::kLcdConnect), 2);
}

TEST_F(Output, NoKeyboardYetKeepsTheConnectionAndAsksAgainEachUpdate) {
    service->Unplug();
    main.Start(kStart, kNeverExpires);
    output.RegisterScreen(&main);
    output.PinScreen(&main);
    ASSERT_EQ(output.Open(nullptr), S_OK);
    for (int i = 0; i < 3; ++i)
        Frame();
    EXPECT_NE(output.GetConnection(), kNoHandle);
    EXPECT_EQ(output.GetDevice(), kNoHandle);
    EXPECT_EQ(service->CallCount(testbed::kLcdConnect), 1);
    EXPECT_EQ(service->CallCount(testbed::kLcdFindDevice), 3);
    EXPECT_EQ(service->FrameCount(), 0u);
    service->Plug();
    Frame();
    EXPECT_EQ(service->FrameCount(), 1u);
    EXPECT_EQ(Marks(), "1 ");
}

// Not finding the keyboard for any reason but "none yet" ends the connection; a keyboard found
// but not opened keeps it, and the next frame tries the device again.
TEST_F(Output, FindFailingDropsTheConnectionAndOpenFailingKeepsIt) {
    OpenWithScreen();
    int connection = output.GetConnection();
    service->FailNext(testbed::kLcdShowFrame, ERROR_DEVICE_NOT_CONNECTED);
    output.Draw();
    ASSERT_EQ(output.GetDevice(), kNoHandle);
    service->FailNext(testbed::kLcdOpenDevice, ERROR_GEN_FAILURE);
    size_t frames = service->FrameCount();
    Frame();
    EXPECT_EQ(output.GetConnection(), connection) << "open failed: the connection stays";
    EXPECT_EQ(output.GetDevice(), kNoHandle) << "open failed: no device";
    EXPECT_EQ(service->OpenConnections(), 1);
    EXPECT_EQ(service->FrameCount(), frames) << "no frame without a device";
    Frame();
    EXPECT_NE(output.GetDevice(), kNoHandle) << "the next frame opens it";
    EXPECT_EQ(service->CallCount(testbed::kLcdConnect), 1);

    service->FailNext(testbed::kLcdShowFrame, ERROR_DEVICE_NOT_CONNECTED);
    output.Draw();
    ASSERT_EQ(output.GetConnection(), connection);
    service->FailNext(testbed::kLcdFindDevice, ERROR_GEN_FAILURE);
    int opens = service->CallCount(testbed::kLcdOpenDevice);
    Frame();
    EXPECT_EQ(output.GetConnection(), kNoHandle) << "find failed with 31: the connection goes";
    EXPECT_EQ(output.GetDevice(), kNoHandle);
    EXPECT_EQ(service->OpenConnections(), 0) << "closed at the service too";
    EXPECT_EQ(service->CallCount(testbed::kLcdOpenDevice), opens) << "nothing to open";
    Frame();
    EXPECT_NE(output.GetDevice(), kNoHandle) << "the next frame connects and opens again";
    EXPECT_EQ(service->CallCount(testbed::kLcdConnect), 2);
}

// One output through a long run of mishaps, frame by frame; after each it is driving the LCD
// again within a frame or two, without being recreated.
TEST_F(Output, RecoversFromEveryLossWithoutBeingRecreated) {
    OpenWithScreen();
    auto recovered = [&](const std::string& what) {
        for (int i = 0; i < 3; ++i)
            Frame();
        size_t frames = service->FrameCount();
        Frame();
        LcdShownFrame shown;
        EXPECT_EQ(service->FrameCount(), frames + 1) << "no frame pushed after " << what;
        EXPECT_TRUE(service->Displayed(shown) && shown.priority == 128)
            << "our frame is not on the LCD after " << what;
        EXPECT_EQ(service->OpenDevices(), 1) << "after " << what;
        EXPECT_EQ(service->OpenConnections(), 1) << "after " << what;
    };
    service->Unplug();
    Frame();
    EXPECT_EQ(output.GetDevice(), kNoHandle);
    Frame();
    service->Plug();
    recovered("unplug and replug");
    service->Restart();
    recovered("a service restart");
    service->Stop();
    for (int i = 0; i < 3; ++i)
        Frame();
    EXPECT_EQ(output.GetConnection(), kNoHandle) << "no connection while the service is down";
    service->Start();
    recovered("the service coming back");
    const int entries[] = {testbed::kLcdConnect, testbed::kLcdFindDevice, testbed::kLcdOpenDevice,
                           testbed::kLcdShowFrame, testbed::kLcdReadButtons};
    const DWORD codes[] = {ERROR_NO_MORE_ITEMS,
                           ERROR_SERVICE_NOT_ACTIVE,
                           ERROR_DEVICE_NOT_CONNECTED,
                           ERROR_INVALID_HANDLE,
                           RPC_S_SERVER_UNAVAILABLE,
                           ERROR_GEN_FAILURE,
                           0xDEADBEEF};
    for (int entry : entries) {
        for (DWORD code : codes) {
            // Connect, find and open only run while reconnecting: lose the device first.
            if (entry == testbed::kLcdConnect || entry == testbed::kLcdFindDevice ||
                entry == testbed::kLcdOpenDevice)
                service->FailNext(testbed::kLcdShowFrame, ERROR_GEN_FAILURE);
            service->FailNext(entry, code);
            recovered(std::string(testbed::LcdEntryName(entry)) + " answering " +
                      std::to_string(code));
        }
    }
    EXPECT_EQ(g_lscConnectionCount, 1);
}

TEST_F(Output, ReadButtonsErrorReleasesTheButtonsThatWereDown) {
    OpenWithScreen();
    service->Hold(kSoftButton2);
    Frame();
    int connection = output.GetConnection();
    service->FailNext(testbed::kLcdReadButtons, ERROR_DEVICE_NOT_CONNECTED);
    Frame();
    EXPECT_EQ(output.GetConnection(), connection);
    EXPECT_EQ(output.GetDevice(), kNoHandle);
    EXPECT_EQ(events, (std::vector<std::string>{"1 down 2", "1 up 2"}));
}

// The keyboard vanishing while a button is held: the button must come up, or the next press
// of it after the keyboard is back would be lost (it would read as still down).
TEST_F(Output, KeyboardLostWhilePushingAFrameReleasesTheHeldButtons) {
    OpenWithScreen();
    service->Hold(kSoftButton1);
    Frame();
    service->FailNext(testbed::kLcdShowFrame, ERROR_DEVICE_NOT_CONNECTED);
    service->Release(kSoftButton1);
    Frame();
    Frame();
    service->Hold(kSoftButton1);
    Frame();
    EXPECT_EQ(events, (std::vector<std::string>{"1 down 1", "1 up 1", "1 down 1"}));
}

TEST_F(Output, ShutdownOfTheLastOutputEndsTheClientAndOfAnEarlierOneDoesNot) {
    OpenWithScreen();
    CLCDOutput second;
    ASSERT_EQ(second.Open(nullptr), S_OK);
    EXPECT_EQ(service->CallCount(testbed::kLcdStartup), 1) << "one client for both outputs";
    output.Shutdown();
    EXPECT_EQ(output.GetDevice(), kNoHandle);
    EXPECT_EQ(output.GetConnection(), kNoHandle);
    EXPECT_EQ(service->OpenConnections(), 0);
    EXPECT_EQ(service->CallCount(testbed::kLcdCleanup), 0);
    EXPECT_TRUE(ModuleLoaded());
    second.Shutdown();
    EXPECT_EQ(service->CallCount(testbed::kLcdCleanup), 1);
    EXPECT_FALSE(ModuleLoaded());
}

// A second Shutdown of one output must not take the client from another output.
TEST_F(Output, RepeatedShutdownGivesBackOnlyOneShare) {
    OpenWithScreen();
    CLCDOutput second;
    ASSERT_EQ(second.Open(nullptr), S_OK);
    second.Shutdown();
    second.Shutdown();
    EXPECT_EQ(g_lscConnectionCount, 1);
    EXPECT_EQ(service->CallCount(testbed::kLcdCleanup), 0);
    size_t frames = service->FrameCount();
    Frame();
    EXPECT_EQ(service->FrameCount(), frames + 1) << "the first output still drives the LCD";
}

TEST_F(Output, OpenFailsWithoutAServiceAndLeavesTheCountAsItWas) {
    service->SetRegistration(testbed::LcdRegistration::Missing);
    output.RegisterScreen(&main);
    EXPECT_EQ(output.Open(nullptr), E_FAIL);
    EXPECT_EQ(g_lscConnectionCount, 0);
    EXPECT_NE(main.GetGfx().GetDrawingDC(), nullptr) << "the surfaces stay set up";
    EXPECT_EQ(output.GetConnectContext().applicationName, nullptr)
        << "the connect record is left untouched";
    output.Shutdown();
    EXPECT_EQ(g_lscConnectionCount, 0) << "a failed Open holds no share to give back";
}

// The output's own surface only serves the blank frame; without it the output still runs,
// and with no screen left it pushes nothing rather than a missing record.
TEST_F(Output, OutputWithoutItsOwnSurfaceStillRunsItsScreens) {
    Screen brief{events, 3};
    brief.Start(kStart, 60);
    output.RegisterScreen(&brief);
    output.PinScreen(&brief);
    control::FailCreateCompatibleDC();
    ASSERT_EQ(output.Open(nullptr), S_OK);
    EXPECT_EQ(g_lscConnectionCount, 1);
    EXPECT_EQ(service->CallCount(testbed::kLcdStartup), 1);
    Frame();
    EXPECT_EQ(Marks(), "3 ");
    Frame();
    EXPECT_EQ(output.GetActiveScreen(), nullptr);
    EXPECT_EQ(service->CallCount(testbed::kLcdShowFrame), 1) << "no blank frame to push";
}

}  // namespace
