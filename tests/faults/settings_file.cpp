// The settings file when it cannot be written, is not a file, or holds garbage: the plug-in
// runs with what it could read (keeping it in the user's own file where the one beside the DLL
// takes no write), and the file changes only where a setting was written, never because a
// fault made the plug-in write what it did not mean to.
#include <windows.h>

#include <cstdlib>
#include <random>

#include "hostwin/control/modules.h"
#include "hostwin/control/profile.h"
#include "support/FaultHarness.h"

namespace {

class SettingsFileFaults : public FaultHarness {
protected:
    std::string WindowsSettingsPath() const { return control::WindowsPath(SettingsFile()); }
    // An old time of last change, so that any write since shows in it, however soon it came.
    void BackDate() {
        std::filesystem::last_write_time(
            SettingsFile(), std::filesystem::file_time_type::clock::now() - std::chrono::hours(24));
    }
    void ToggleHighlightedSetting() {
        Tap(4);
        ASSERT_EQ(Screen(), kSettingsScreen);
        EXPECT_TRUE(Press(VK_MEDIA_PLAY_PAUSE)) << "play/pause toggles on the settings screen";
    }
    static std::string ReadFile(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        return in ? std::string(std::istreambuf_iterator<char>(in), {}) : "<no file>";
    }
    void TearDown() override {
        control::SetFolderProtected(control::WindowsPath(dllFolder), false);
        control::SetProfileFileProtected(WindowsSettingsPath(), false);
        SetFileAttributesA(WindowsSettingsPath().c_str(), FILE_ATTRIBUTE_NORMAL);
        FaultHarness::TearDown();
    }
};

// Windows refuses every write to a read-only file (the stand-in is told to, whoever runs the
// tests), even one that would change nothing: an installed file that already lists all eleven
// settings still turns the plug-in to the user's own file, which starts with what was read.
// The choice holds for the whole run, even once the file may be written again.
TEST_F(SettingsFileFaults, AReadOnlyFileIsReadAndTheUsersOwnFileTakesTheSettingsFromThen) {
    Start();
    Stop();
    for (const char* key : {"VU", "LeavePlaylist"})
        WritePrivateProfileStringA("General", key, "0", WindowsSettingsPath().c_str());
    ASSERT_TRUE(SetFileAttributesA(WindowsSettingsPath().c_str(), FILE_ATTRIBUTE_READONLY));
    control::SetProfileFileProtected(WindowsSettingsPath(), true);
    BackDate();
    FileState installed = Settings();

    Start();
    EXPECT_EQ(GetSetting(kSettingVU), 0) << "read from the file";
    EXPECT_EQ(GetSetting(kSettingLeavePlaylist), 0) << "read from the file";
    EXPECT_EQ(ReadFile(PerUserSettingsFile()), installed.bytes) << "the user's file, as read";
    ToggleHighlightedSetting();
    EXPECT_EQ(GetSetting(kSettingVU), 1);
    EXPECT_NE(ReadFile(PerUserSettingsFile()).find("\nVU=1\r"), std::string::npos);
    Tap(2);
    Run(4000);
    EXPECT_EQ(Screen(), kPlaylistScreen) << "LeavePlaylist=0 from the file keeps the screen";
    ExpectStillWorking("the refused writes");

    control::SetProfileFileProtected(WindowsSettingsPath(), false);
    ASSERT_TRUE(SetFileAttributesA(WindowsSettingsPath().c_str(), FILE_ATTRIBUTE_NORMAL));
    ToggleHighlightedSetting();
    EXPECT_NE(ReadFile(PerUserSettingsFile()).find("\nVU=0\r"), std::string::npos)
        << ReadFile(PerUserSettingsFile());
    Stop();
    EXPECT_SETTINGS_FILE(Settings(), installed, "the file beside the DLL");
}

// A folder that takes no new file (Program Files for an ordinary user): the user's folder is
// made and holds the defaults, every toggle lands there, and the next start reads it back, also
// once the folder beside the DLL takes files again (the player run once as administrator).
TEST_F(SettingsFileFaults, AReadOnlyFolderSendsTheSettingsToTheUsersOwnFileForGood) {
    control::SetFolderProtected(control::WindowsPath(dllFolder), true);
    Start();
    ToggleHighlightedSetting();
    Stop();
    EXPECT_FALSE(Settings().exists) << "nothing beside the DLL";
    std::string perUser = ReadFile(PerUserSettingsFile());
    EXPECT_EQ(perUser.rfind("[General]\r\nVU=0\r\nKeyboardLight=0\r\n", 0), 0u) << perUser;

    Start();
    EXPECT_EQ(GetSetting(kSettingVU), 0) << "read back from the user's file";
    ExpectStillWorking("a start on the user's file");
    Stop();
    EXPECT_EQ(ReadFile(PerUserSettingsFile()), perUser);

    control::SetFolderProtected(control::WindowsPath(dllFolder), false);
    Start();
    EXPECT_EQ(GetSetting(kSettingVU), 0) << "read back from the user's file";
    ToggleHighlightedSetting();
    Stop();
    EXPECT_FALSE(Settings().exists) << "the folder beside the DLL took the settings back";
    EXPECT_NE(ReadFile(PerUserSettingsFile()).find("\nVU=1\r"), std::string::npos);
}

TEST_F(SettingsFileFaults, AFolderWhereTheFileShouldBeGivesTheDefaultsAndStaysAFolder) {
    ASSERT_TRUE(std::filesystem::create_directory(SettingsFile()));
    FileState before = Settings();
    Start();
    for (const SettingInfo& info : kSettingsTable)
        EXPECT_EQ(GetSetting(info.item), info.defaultValue) << info.key;
    ToggleHighlightedSetting();
    EXPECT_EQ(GetSetting(kSettingVU), 0) << "toggled in memory";
    ExpectStillWorking("writes into a folder");
    Stop();
    FileState after = Settings();
    EXPECT_TRUE(after.folder) << "the folder is still a folder";
    EXPECT_TRUE(std::filesystem::is_empty(SettingsFile())) << "and nothing was put into it";
    EXPECT_TRUE(after.modified == before.modified) << "the folder was not touched";
}

// Garbage is read for what it yields; init then writes the eleven settings it holds, which is
// exactly what the profile functions make of the file when those eleven keys are written,
// and a later start with that file writes nothing at all.
TEST_F(SettingsFileFaults, GarbageIsReadForWhatItYieldsAndOnlyTheElevenKeysAreWritten) {
    std::mt19937 random(20061128);
    std::string garbage = "[General]\nVU= -3x\nAlertVolume=\n[Gen";
    const char pieces[] = "[]=\n\r \t;#-+0123456789AlertVolumeGeneralVU\xff\x80";
    for (int i = 0; i < 3000; ++i)
        garbage += i % 97 == 0 ? '\0' : pieces[random() % (sizeof pieces - 1)];
    std::ofstream(SettingsFile(), std::ios::binary) << garbage;
    std::string copy = dllFolder + "/expected.ini";
    std::ofstream(copy, std::ios::binary) << garbage;
    Start();
    for (const SettingInfo& info : kSettingsTable) {
        char text[32];
        std::snprintf(text, sizeof text, "%d", GetSetting(info.item));
        WritePrivateProfileStringA("General", info.key, text, control::WindowsPath(copy).c_str());
    }
    std::ifstream expected(copy, std::ios::binary);
    std::string expectedBytes((std::istreambuf_iterator<char>(expected)), {});
    EXPECT_EQ(Settings().bytes, expectedBytes);
    Stop();

    BackDate();
    FileState written = Settings();
    Start();
    ExpectStillWorking("a start with the file it wrote");
    Stop();
    EXPECT_SETTINGS_FILE(Settings(), written, "a second start with every value already there");
}

// Everything but a toggle leaves the file alone: keys on every screen, soft buttons, alerts,
// the screen saver, a lost LCD and a quit.
TEST_F(SettingsFileFaults, NothingButAToggleWritesTheFile) {
    Start();
    Stop();
    BackDate();
    FileState before = Settings();
    Start();
    for (int button : {2, 3, 4}) {
        Tap(button);
        for (DWORD key : {VK_VOLUME_UP, VK_VOLUME_DOWN, VK_LCONTROL, VK_RCONTROL})
            Press(key);
    }
    Tap(2);
    Press(VK_MEDIA_PLAY_PAUSE);
    mixer->SetVolume(testbed::SoundCardLine::Master, 1000);
    control::SetScreenSaverRunning(true);
    Run(500);
    control::SetScreenSaverRunning(false);
    service->Unplug();
    Run(300);
    service->Plug();
    Run(300);
    Stop();
    EXPECT_SETTINGS_FILE(Settings(), before, "a session without a toggle");

    Start();
    ToggleHighlightedSetting();
    Stop();
    FileState toggled = Settings();
    EXPECT_FALSE(toggled.modified == before.modified) << "a toggle writes";
    std::string expected = before.bytes;
    size_t vu = expected.find("VU=1");
    ASSERT_NE(vu, std::string::npos) << Describe(before);
    expected.replace(vu, 4, "VU=0");
    EXPECT_EQ(toggled.bytes, expected) << "only the toggled value changed";
}

}  // namespace
