// The settings file beside the DLL: what load reads, what every save writes, and toggles; and
// the user's own file that takes over where the one beside the DLL takes no write.
#include <windows.h>

#include <gtest/gtest.h>
#include <stdlib.h>

#include <climits>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <sstream>
#include <string>

#include "hostwin/control/modules.h"
#include "hostwin/control/profile.h"
#include "hostwin/control/shell.h"
#include "lightreport/KeyboardHid.h"
#include "settings/Settings.h"
#include "testbed/SimulatedKeyboard.h"

namespace {

constexpr char kDefaultFile[] =
    "[General]\r\nVU=1\r\nKeyboardLight=0\r\nKeyboardLightOffLevel=0\r\nLeavePlaylist=1\r\n"
    "LeaveVolume=1\r\nLeaveSettings=0\r\nSaveLcd=0\r\nSaveMkeys=0\r\nSaveKeyboard=0\r\n"
    "AlertVolume=1\r\nAlertSongChange=1\r\n";

class Settings : public ::testing::Test {
protected:
    void SetUp() override {
        std::string pattern = ::testing::TempDir() + "velm-settings-XXXXXX";
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        folder = pattern;
        UseDll(folder + "/gen_g15_velm.dll");
        UseAppData(folder + "/AppData");
        for (int item = 0; item < kSettingCount; ++item)
            g_settings[item] = -99;  // whatever an earlier test left
    }
    void TearDown() override {
        keyboard.reset();
        g_keyboardFound = 0;
        control::SetAppDataFolder("");
        control::SetProfileFileProtected(control::WindowsPath(File()), false);
        control::SetProfileFileUnreadable(control::WindowsPath(File()), false);
        control::SetFolderProtected(control::WindowsPath(folder), false);
        control::SetFolderProtected(control::WindowsPath(appData), false);
        std::error_code ignored;
        std::filesystem::remove_all(folder, ignored);
    }

    void UseDll(const std::string& hostPath) {
        module = control::RegisterNamedModule(control::WindowsPath(hostPath));
    }
    void UseAppData(const std::string& hostPath) {
        appData = hostPath;
        std::filesystem::create_directories(appData);
        control::SetAppDataFolder(control::WindowsPath(appData));
    }
    std::string File() const { return folder + "/VelmG15.ini"; }
    std::string PerUserFile() const { return appData + "/VelmG15/VelmG15.ini"; }
    // The file beside the DLL refuses every write, as a read-only file does on Windows.
    void ProtectFile() { control::SetProfileFileProtected(control::WindowsPath(File()), true); }
    bool AppDataIsEmpty() const { return std::filesystem::is_empty(appData); }
    static void Put(const std::string& path, const std::string& text) {
        std::ofstream(path, std::ios::binary) << text;
    }
    static std::string Read(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        if (!in)
            return "<no file>";
        std::stringstream text;
        text << in.rdbuf();
        return text.str();
    }
    static std::string Values() {
        std::string values;
        for (const SettingInfo& info : kSettingsTable)
            values += std::string(values.empty() ? "" : " ") + info.key + "=" +
                      std::to_string(GetSetting(info.item));
        return values;
    }
    void PlugKeyboard() {
        keyboard = std::make_unique<testbed::SimulatedKeyboard>();
        g_keyboardFound = FindKeyboard();
        ASSERT_EQ(g_keyboardFound, 1);
    }

    std::string folder;
    std::string appData;         // the user's application-data folder
    HINSTANCE module = nullptr;  // the "DLL" whose folder holds the file
    std::unique_ptr<testbed::SimulatedKeyboard> keyboard;
};

TEST_F(Settings, WithoutAFileTheDefaultsHoldAndAllElevenAreWrittenInOrder) {
    LoadSettings(module);
    EXPECT_EQ(Read(File()), kDefaultFile);
    EXPECT_EQ(Values(),
              "VU=1 KeyboardLight=0 KeyboardLightOffLevel=0 LeavePlaylist=1 LeaveVolume=1 "
              "LeaveSettings=0 SaveLcd=0 SaveMkeys=0 SaveKeyboard=0 AlertVolume=1 "
              "AlertSongChange=1");
    EXPECT_STREQ(GetSettingsPath(), control::WindowsPath(File()).c_str());
    EXPECT_TRUE(AppDataIsEmpty()) << "a writable folder beside the DLL makes no per-user file";
}

TEST_F(Settings, ValuesReadAsDecimalsWithTheDefaultForWhatIsNotANumber) {
    Put(File(),
        "[Other]\nkeep=me\n[General]\nVU=abc\nLeaveSettings=7\nKeyboardLight= -3x\n"
        "LeavePlaylist=\nSaveLcd=+5\nSaveMkeys=99999999999\nAlertVolume=0\n");
    LoadSettings(module);
    EXPECT_EQ(GetSetting(kSettingVU), 1) << "abc reads as the default";
    EXPECT_EQ(GetSetting(kSettingLeaveSettings), 7) << "7 is on and stays 7";
    EXPECT_EQ(GetSetting(kSettingKeyboardLight), -3) << "blank, sign, digit, then ignored";
    EXPECT_EQ(GetSetting(kSettingLeavePlaylist), 1) << "an empty value reads as the default";
    EXPECT_EQ(GetSetting(kSettingSaveLcd), 5);
    EXPECT_EQ(GetSetting(kSettingSaveMkeys), INT_MAX) << "too large stays on";
    EXPECT_EQ(GetSetting(kSettingAlertVolume), 0);
    std::string written = Read(File());
    EXPECT_EQ(written.rfind("[Other]\r\nkeep=me\r\n[General]\r\n", 0), 0u) << written;
    EXPECT_NE(written.find("VU=1\r\n"), std::string::npos) << written;
    EXPECT_NE(written.find("LeaveSettings=7\r\n"), std::string::npos) << written;
    EXPECT_NE(written.find("KeyboardLight=-3\r\n"), std::string::npos) << written;
}

// As an editor may save it, with the UTF-8 mark first: the values are read, and the write-back
// finds their section instead of adding a second one that would shadow them.
TEST_F(Settings, AFileStartingWithTheUtf8MarkIsReadAndKeepsItsOneSection) {
    Put(File(), "\xEF\xBB\xBF[General]\r\nVU=0\r\nLeavePlaylist=0\r\n");
    LoadSettings(module);
    EXPECT_EQ(GetSetting(kSettingVU), 0);
    EXPECT_EQ(GetSetting(kSettingLeavePlaylist), 0);
    std::string written = Read(File());
    EXPECT_EQ(
        written.rfind("\xEF\xBB\xBF[General]\r\nVU=0\r\nLeavePlaylist=0\r\nKeyboardLight=0\r\n", 0),
        0u)
        << written;
    EXPECT_EQ(written.find("[General]", 4), std::string::npos) << "a second section: " << written;
}

TEST_F(Settings, ParsingFollowsScanfD) {
    const std::pair<const char*, int> numbers[] = {{"0", 0},
                                                   {"12", 12},
                                                   {"  42", 42},
                                                   {"\t-7", -7},
                                                   {"+3", 3},
                                                   {" -3a", -3},
                                                   {"5 6", 5},
                                                   {"-2147483648", INT_MIN},
                                                   {"-99999999999", INT_MIN}};
    for (auto [text, expected] : numbers) {
        int value = 1234;
        EXPECT_TRUE(ParseSettingValue(text, value)) << "'" << text << "'";
        EXPECT_EQ(value, expected) << "'" << text << "'";
    }
    for (const char* text : {"", "abc", "-", "+", " - 3", "x1"}) {
        int value = 1234;
        EXPECT_FALSE(ParseSettingValue(text, value)) << "'" << text << "'";
        EXPECT_EQ(value, 1234) << "a failed parse leaves the value alone";
    }
}

TEST_F(Settings, ToggleFlipsOnToZeroAndZeroToOneAndSavesEveryTime) {
    Put(File(), "[General]\nLeaveSettings=7\n");
    LoadSettings(module);
    ToggleSetting(kSettingLeaveSettings);
    EXPECT_EQ(GetSetting(kSettingLeaveSettings), 0);
    EXPECT_NE(Read(File()).find("LeaveSettings=0\r\n"), std::string::npos);
    ToggleSetting(kSettingLeaveSettings);
    EXPECT_EQ(GetSetting(kSettingLeaveSettings), 1);
    EXPECT_NE(Read(File()).find("LeaveSettings=1\r\n"), std::string::npos);
    ToggleSetting(kSettingKeyboardLightOffLevel);
    EXPECT_NE(Read(File()).find("KeyboardLightOffLevel=1\r\n"), std::string::npos);
}

TEST_F(Settings, AnItemOutsideTheListChangesNothingButStillRewritesTheFile) {
    LoadSettings(module);
    std::string before = Values();
    std::filesystem::remove(File());
    ToggleSetting(11);
    ToggleSetting(-1);
    EXPECT_EQ(Values(), before);
    EXPECT_EQ(Read(File()), kDefaultFile);
}

// A renamed DLL deep down: the module path fits, the settings file's does not. Cut to 259
// characters it would name "VelmG15.i", which must be neither read nor written: the settings
// go to the user's own file, as where the file beside the DLL takes no write.
TEST_F(Settings, AFilePathLongerThanMaxPathIsNeverUsedAndTheUsersOwnFileTakesOver) {
    // Folder components of 50 characters, the last one cut so that the folder, a backslash and
    // "VelmG15.ini" come to 261 characters: two more than a path can hold.
    std::string deep = folder;
    while (control::WindowsPath(deep).size() < 249)
        deep += "/" + std::string(50, 'd');
    deep.resize(deep.size() - (control::WindowsPath(deep).size() - 249));
    ASSERT_EQ(control::WindowsPath(deep).size() + 1 + 11, static_cast<size_t>(MAX_PATH + 1));
    ASSERT_NE(deep.back(), '/');
    std::filesystem::create_directories(deep);
    UseDll(deep + "/g.dll");
    std::string cut = deep + "/VelmG15.i";
    Put(cut, "[General]\nVU=0\n");

    LoadSettings(module);
    EXPECT_STREQ(GetSettingsPath(), control::WindowsPath(PerUserFile()).c_str());
    EXPECT_EQ(GetSetting(kSettingVU), 1) << "defaults, not the cut file's values";
    EXPECT_EQ(Read(cut), "[General]\nVU=0\n") << "the cut name was written to";
    ToggleSetting(kSettingLeaveSettings);
    EXPECT_EQ(GetSetting(kSettingLeaveSettings), 1) << "toggles still take effect";
    EXPECT_NE(Read(PerUserFile()).find("LeaveSettings=1\r\n"), std::string::npos)
        << "the toggle was lost: " << Read(PerUserFile());
    EXPECT_EQ(Read(cut), "[General]\nVU=0\n");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(deep),
                            std::filesystem::directory_iterator()),
              1)
        << "no other file appeared beside the DLL";

    control::SetAppDataFolder("");
    LoadSettings(module);
    EXPECT_STREQ(GetSettingsPath(), "") << "no file at all to be had";
    ToggleSetting(kSettingLeaveSettings);
    EXPECT_EQ(GetSetting(kSettingLeaveSettings), 1) << "the default, toggled in memory";
}

TEST_F(Settings, AModulePathCutByItsBufferUsesTheUsersOwnFile) {
    std::string name(MAX_PATH, 'x');
    UseDll(folder + "/" + name + ".dll");
    LoadSettings(module);
    EXPECT_STREQ(GetSettingsPath(), control::WindowsPath(PerUserFile()).c_str());
    EXPECT_EQ(Read(PerUserFile()), kDefaultFile);
}

// A file the user may write but not read: nothing is read from it, and the write-back, which
// cannot open it, fails, so the user's own file takes over and the file keeps what it holds.
TEST_F(Settings, AFileThatCannotBeReadIsLeftAsItIsAndTheUsersOwnFileTakesOver) {
    std::string beside = "[Other]\nkeep=me\n[General]\nVU=0\n";
    Put(File(), beside);
    control::SetProfileFileUnreadable(control::WindowsPath(File()), true);
    LoadSettings(module);
    control::SetProfileFileUnreadable(control::WindowsPath(File()), false);
    EXPECT_EQ(Read(File()), beside);
    EXPECT_STREQ(GetSettingsPath(), control::WindowsPath(PerUserFile()).c_str());
    EXPECT_EQ(Read(PerUserFile()), kDefaultFile);
}

// A read-only file beside the DLL: the user's file wins where it has a number, the file beside
// the DLL gives the rest, and from then on only the user's file is written.
TEST_F(Settings, WhereTheDllsFileTakesNoWriteTheUsersOwnFileWinsAndTakesTheToggles) {
    std::string beside = "[General]\nVU=0\nLeaveSettings=7\nSaveLcd=1\n";
    Put(File(), beside);
    ProtectFile();
    std::filesystem::create_directory(appData + "/VelmG15");
    Put(PerUserFile(), "[General]\nVU=5\nLeaveSettings=abc\nAlertVolume=0\n");
    LoadSettings(module);
    EXPECT_EQ(Values(),
              "VU=5 KeyboardLight=0 KeyboardLightOffLevel=0 LeavePlaylist=1 LeaveVolume=1 "
              "LeaveSettings=7 SaveLcd=1 SaveMkeys=0 SaveKeyboard=0 AlertVolume=0 "
              "AlertSongChange=1");
    EXPECT_STREQ(GetSettingsPath(), control::WindowsPath(PerUserFile()).c_str());
    ToggleSetting(kSettingSaveLcd);
    EXPECT_EQ(Read(PerUserFile()),
              "[General]\r\nVU=5\r\nLeaveSettings=7\r\nAlertVolume=0\r\nKeyboardLight=0\r\n"
              "KeyboardLightOffLevel=0\r\nLeavePlaylist=1\r\nLeaveVolume=1\r\nSaveLcd=0\r\n"
              "SaveMkeys=0\r\nSaveKeyboard=0\r\nAlertSongChange=1\r\n");
    EXPECT_EQ(Read(File()), beside);
}

// A folder beside the DLL that takes no new file: the per-user folder is made, and its file
// starts with what was read (here nothing, so the defaults).
TEST_F(Settings, WhereTheDllsFolderTakesNoFileThePerUserFolderIsMadeWithTheSettingsRead) {
    control::SetFolderProtected(control::WindowsPath(folder), true);
    LoadSettings(module);
    EXPECT_EQ(Read(PerUserFile()), kDefaultFile);
    EXPECT_EQ(Read(File()), "<no file>");
}

// Once there, the user's own file keeps the settings for good: the folder beside the DLL taking
// writes again (the player run once as administrator) brings back none of its older values.
TEST_F(Settings, TheUsersOwnFileWinsAndTakesTheTogglesEvenWhereTheDllsFileTakesWritesAgain) {
    std::string beside = "[General]\nVU=1\nLeaveSettings=7\n";
    Put(File(), beside);
    std::filesystem::create_directory(appData + "/VelmG15");
    Put(PerUserFile(), "[General]\nVU=0\n");
    LoadSettings(module);
    ToggleSetting(kSettingSaveLcd);
    EXPECT_EQ(GetSetting(kSettingVU), 0) << "the user's file wins";
    EXPECT_EQ(GetSetting(kSettingLeaveSettings), 7) << "a key it lacks is read beside the DLL";
    EXPECT_STREQ(GetSettingsPath(), control::WindowsPath(PerUserFile()).c_str());
    EXPECT_NE(Read(PerUserFile()).find("SaveLcd=1\r\n"), std::string::npos);
    EXPECT_EQ(Read(File()), beside) << "the file beside the DLL is no longer written";
}

// No user's file to be had: the application-data folder unknown, missing, taking no new
// folder, or too deep for the file's path to fit (never cut). The settings read beside the
// DLL then live in memory, and the file beside the DLL stays the one tried, as before.
TEST_F(Settings, WithoutAUsersFileTheSettingsLiveInMemoryAndNothingIsMadeElsewhere) {
    std::string deep = folder + "/Deep";
    while (control::WindowsPath(deep).size() < 240)
        deep += "/" + std::string(50, 'd');
    deep.resize(deep.size() - (control::WindowsPath(deep).size() - 240));
    ASSERT_NE(deep.back(), '/');
    // The folder, "\VelmG15" and "\VelmG15.ini" come to 260: the path and its zero do not fit.
    ASSERT_EQ(control::WindowsPath(deep).size() + 8 + 12, static_cast<size_t>(MAX_PATH));
    const std::pair<const char*, std::function<void()>> machines[] = {
        {"unknown", [] { control::SetAppDataFolder(""); }},
        {"missing", [&] { control::SetAppDataFolder(control::WindowsPath(folder + "/Gone")); }},
        {"no new folder",
         [&] { control::SetFolderProtected(control::WindowsPath(appData), true); }},
        {"too deep", [&] { UseAppData(deep); }},
    };
    Put(File(), "[General]\nVU=0\n");
    ProtectFile();
    for (const auto& [name, setUp] : machines) {
        SCOPED_TRACE(name);
        setUp();
        LoadSettings(module);
        EXPECT_EQ(GetSetting(kSettingVU), 0) << "read beside the DLL";
        ToggleSetting(kSettingLeaveSettings);
        EXPECT_EQ(GetSetting(kSettingLeaveSettings), 1) << "toggles still take effect";
        EXPECT_STREQ(GetSettingsPath(), control::WindowsPath(File()).c_str());
        EXPECT_TRUE(AppDataIsEmpty());
        EXPECT_EQ(Read(File()), "[General]\nVU=0\n");
    }
    EXPECT_FALSE(std::filesystem::exists(folder + "/Gone"));
}

TEST_F(Settings, TogglingTheMkeyMeterSavesTheLedsItTakesAndGivesThemBack) {
    PlugKeyboard();
    LoadSettings(module);
    SetSavedLight(kLightMkeys, 9);  // as saved at start-up
    ToggleSetting(kSettingVU);      // on -> off: the saved M-key value goes back
    EXPECT_EQ(keyboard->Writes(), (std::vector<std::pair<int, int>>{{4, 9}}));
    EXPECT_EQ(GetSetting(kSettingVU), 0);
    keyboard->SetLights(1, 0x20, 6);
    keyboard->ClearReports();
    ToggleSetting(kSettingVU);  // off -> on: the present LEDs are kept, nothing written
    EXPECT_EQ(GetSavedLight(kLightMkeys), 6);
    EXPECT_TRUE(keyboard->Writes().empty());
    keyboard->SetLights(1, 0x20, 15);  // the meter drove them meanwhile
    ToggleSetting(kSettingVU);
    EXPECT_EQ(keyboard->Writes(), (std::vector<std::pair<int, int>>{{4, 6}}));
}

TEST_F(Settings, TogglingTheBacklightMeterSavesAndGivesBackTheLightItDrives) {
    PlugKeyboard();
    LoadSettings(module);
    keyboard->SetLights(2, 0x20, 0);
    ToggleSetting(kSettingKeyboardLight);  // off -> on
    EXPECT_EQ(GetSavedLight(kLightSelector1), 2);
    keyboard->SetLights(1, 0x20, 0);  // the meter drove it meanwhile
    keyboard->ClearReports();
    ToggleSetting(kSettingKeyboardLight);  // on -> off
    EXPECT_EQ(keyboard->Writes(), (std::vector<std::pair<int, int>>{{1, 2}}))
        << "selector 1 back as it was, selector 2 untouched";
}

}  // namespace
