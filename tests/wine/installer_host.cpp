// The release's installer and its uninstaller, run silently under the 32-bit Wine as an
// administrator's script runs them: into a folder with a stand-in player, over an earlier
// install, while the player runs, and out again. Each run is a process of its own under the
// emulator, so the cases share their runs where they can.
#include <windows.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "support/PlayerLoop.h"
#include "support/WholeFile.h"

namespace {

namespace fs = std::filesystem;

const char kEntryKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\gen_g15_velm";
const char kPlayerKey[] = "Software\\Winamp";
const char kPlayerEntryKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Winamp";
const char kUninstaller[] = "gen_g15_velm-uninstall.exe";
// The installer's exit code when the player is running, and when the folder takes no file
// even with administrator rights.
const DWORD kPlayerRunning = 3;
const DWORD kNoRights = 4;

std::string BuildFolder() {
    char path[MAX_PATH];
    GetModuleFileNameA(nullptr, path, sizeof path);
    std::string folder = path;
    return folder.substr(0, folder.rfind('\\'));
}

const std::string kInstaller = BuildFolder() + "\\gen_g15_velm-" VELM_VERSION "-setup.exe";
// The stripped DLL that the release carries.
const std::string kReleasedDll = BuildFolder() + "\\release\\gen_g15_velm.dll";
// A blank in the path, as in "Program Files": /D= and _?= take the rest of the line unquoted.
const std::string kTestFolder = BuildFolder() + "\\installer test";

std::string AppDataSettings() {
    char appData[MAX_PATH];
    if (SHGetFolderPathA(nullptr, CSIDL_APPDATA, nullptr, 0, appData) != S_OK)
        return "<no application-data folder>";
    return std::string(appData) + "\\VelmG15";
}

// Runs the command line and waits for it; its exit code.
DWORD RunAndWait(std::string commandLine) {
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    if (!CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &process)) {
        ADD_FAILURE() << "cannot start " << commandLine << ": error " << GetLastError();
        return ~0u;
    }
    WaitForSingleObject(process.hProcess, INFINITE);
    DWORD code = ~0u;
    GetExitCodeProcess(process.hProcess, &code);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return code;
}

DWORD Install(const std::string& playerFolder) {
    return RunAndWait("\"" + kInstaller + "\" /S /D=" + playerFolder);
}

// The uninstaller as the system starts it, silently: like NSIS itself, from a copy in the
// temporary folder that is told where it belongs (_?=), so that it can remove its original;
// run so, it is waited for (the original would start the copy and end at once).
DWORD Uninstall(const std::string& pluginsFolder, const std::string& switches = "") {
    char temp[MAX_PATH];
    GetTempPathA(sizeof temp, temp);
    std::string copy = std::string(temp) + "velm-uninstall-test.exe";
    if (!CopyFileA((pluginsFolder + "\\" + kUninstaller).c_str(), copy.c_str(), FALSE)) {
        ADD_FAILURE() << "no uninstaller in " << pluginsFolder;
        return ~0u;
    }
    DWORD code = RunAndWait("\"" + copy + "\" /S " + switches + (switches.empty() ? "" : " ") +
                            "_?=" + pluginsFolder);
    DeleteFileA(copy.c_str());
    return code;
}

std::string Text(HKEY root, const char* key, const char* name) {
    char value[1024];
    DWORD size = sizeof value;
    if (RegGetValueA(root, key, name, RRF_RT_REG_SZ, nullptr, value, &size) != ERROR_SUCCESS)
        return "<no value>";
    return value;
}

DWORD Number(HKEY root, const char* key, const char* name) {
    DWORD value = 0, size = sizeof value;
    if (RegGetValueA(root, key, name, RRF_RT_REG_DWORD, nullptr, &value, &size) != ERROR_SUCCESS)
        return ~0u;
    return value;
}

bool KeyExists(HKEY root, const char* key) {
    HKEY opened;
    if (RegOpenKeyExA(root, key, 0, KEY_READ, &opened) != ERROR_SUCCESS)
        return false;
    RegCloseKey(opened);
    return true;
}

void SetText(HKEY root, const char* key, const char* name, const std::string& value) {
    HKEY opened;
    ASSERT_EQ(RegCreateKeyExA(root, key, 0, nullptr, 0, KEY_WRITE, nullptr, &opened, nullptr),
              ERROR_SUCCESS);
    RegSetValueExA(opened, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                   static_cast<DWORD>(value.size() + 1));
    RegCloseKey(opened);
}

void WriteBytes(const std::string& path, const std::string& bytes) {
    fs::create_directories(fs::path(path).parent_path());
    FILE* file = std::fopen(path.c_str(), "wb");
    ASSERT_NE(file, nullptr) << "cannot write " << path;
    std::fwrite(bytes.data(), 1, bytes.size(), file);
    std::fclose(file);
}

bool Exists(const std::string& path) {
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

class Installer : public ::testing::Test {
protected:
    void SetUp() override {
        CleanUp();
        ASSERT_TRUE(Exists(kInstaller)) << kInstaller;
        released = ReadWholeFile(kReleasedDll);
        ASSERT_NE(released, "<no file>") << kReleasedDll;
    }
    void TearDown() override { CleanUp(); }

    static void CleanUp() {
        std::error_code ignored;
        fs::remove_all(kTestFolder, ignored);
        fs::remove_all(AppDataSettings(), ignored);
        RegDeleteKeyA(HKEY_LOCAL_MACHINE, kEntryKey);
        RegDeleteKeyA(HKEY_CURRENT_USER, kEntryKey);
        RegDeleteKeyA(HKEY_CURRENT_USER, kPlayerKey);
        RegDeleteKeyA(HKEY_LOCAL_MACHINE, kPlayerEntryKey);
    }

    // A player's folder with a stand-in for the player's program.
    static std::string PlayerFolder(const std::string& name) {
        std::string folder = kTestFolder + "\\" + name;
        WriteBytes(folder + "\\winamp.exe", "stand-in player");
        return folder;
    }

    std::string released;
};

TEST_F(Installer, InstallsOverAnEarlierInstallAndUninstallsKeepingTheSettings) {
    std::string player = PlayerFolder("My Winamp");
    std::string plugins = player + "\\Plugins";
    std::string dll = plugins + "\\gen_g15_velm.dll";
    std::string uninstaller = plugins + "\\" + kUninstaller;

    ASSERT_EQ(Install(player), 0u);
    EXPECT_TRUE(ReadWholeFile(dll) == released) << "the installed DLL is not the released one";
    EXPECT_TRUE(Exists(uninstaller));
    EXPECT_EQ(Text(HKEY_LOCAL_MACHINE, kEntryKey, "DisplayName"), "Velm's G15 Plugin for Winamp");
    EXPECT_EQ(Text(HKEY_LOCAL_MACHINE, kEntryKey, "DisplayVersion"), VELM_VERSION);
    EXPECT_EQ(Text(HKEY_LOCAL_MACHINE, kEntryKey, "Publisher"), "the gen_g15_velm authors");
    EXPECT_EQ(Text(HKEY_LOCAL_MACHINE, kEntryKey, "InstallLocation"), player);
    EXPECT_EQ(Text(HKEY_LOCAL_MACHINE, kEntryKey, "UninstallString"), "\"" + uninstaller + "\"");
    EXPECT_EQ(Text(HKEY_LOCAL_MACHINE, kEntryKey, "QuietUninstallString"),
              "\"" + uninstaller + "\" /S");
    // In KiB, of what was installed: the DLL and the uninstaller.
    auto installed = (fs::file_size(dll) + fs::file_size(uninstaller)) / 1024;
    DWORD estimated = Number(HKEY_LOCAL_MACHINE, kEntryKey, "EstimatedSize");
    EXPECT_TRUE(estimated + 2 >= installed && estimated <= installed + 1)
        << "EstimatedSize " << estimated << " KiB for " << installed << " KiB installed";
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, kEntryKey)) << "a second entry, the user's";

    // An earlier version, with the user's settings beside it and in the user's own folder.
    WriteBytes(dll, "an earlier version's DLL");
    const std::string settings = "[General]\r\nVU=0\r\n";
    WriteBytes(plugins + "\\VelmG15.ini", settings);
    WriteBytes(AppDataSettings() + "\\VelmG15.ini", settings);
    ASSERT_EQ(Install(player), 0u);
    EXPECT_TRUE(ReadWholeFile(dll) == released) << "the DLL over the earlier one is not replaced";
    EXPECT_EQ(ReadWholeFile(plugins + "\\VelmG15.ini"), settings);
    EXPECT_EQ(ReadWholeFile(AppDataSettings() + "\\VelmG15.ini"), settings);
    EXPECT_EQ(Text(HKEY_LOCAL_MACHINE, kEntryKey, "UninstallString"), "\"" + uninstaller + "\"");

    // Silent: the settings stay, and with them the Plugins folder that holds them.
    ASSERT_EQ(Uninstall(plugins), 0u);
    EXPECT_FALSE(Exists(dll));
    EXPECT_FALSE(Exists(uninstaller));
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kEntryKey));
    EXPECT_EQ(ReadWholeFile(plugins + "\\VelmG15.ini"), settings);
    EXPECT_EQ(ReadWholeFile(AppDataSettings() + "\\VelmG15.ini"), settings);
    EXPECT_EQ(ReadWholeFile(player + "\\winamp.exe"), "stand-in player");
}

// Under Wine FindWindow also finds a message-only window, which stands in for the player's
// main window here.
TEST_F(Installer, WhileThePlayerRunsNeitherTheInstallerNorTheUninstallerChangesAnything) {
    // A folder that the installer makes, Plugins and all.
    std::string player = kTestFolder + "\\New Winamp";
    std::string plugins = player + "\\Plugins";
    std::string dll = plugins + "\\gen_g15_velm.dll";
    ASSERT_EQ(Install(player), 0u);
    WriteBytes(dll, "an earlier version's DLL");
    SetText(HKEY_LOCAL_MACHINE, kEntryKey, "DisplayVersion", "0.0.9");

    HWND window = playerloop::MakePlayerWindow(DefWindowProcA, "Winamp v1.x", "Winamp");
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(Install(player), kPlayerRunning);
    EXPECT_EQ(ReadWholeFile(dll), "an earlier version's DLL");
    EXPECT_EQ(Text(HKEY_LOCAL_MACHINE, kEntryKey, "DisplayVersion"), "0.0.9");
    EXPECT_EQ(Uninstall(plugins, "/REMOVESETTINGS"), kPlayerRunning);
    EXPECT_EQ(ReadWholeFile(dll), "an earlier version's DLL");
    EXPECT_TRUE(Exists(plugins + "\\" + kUninstaller));
    EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, kEntryKey));
    DestroyWindow(window);

    // Once the player has closed, the uninstall goes through and takes the folders it made.
    EXPECT_EQ(Uninstall(plugins), 0u);
    EXPECT_FALSE(Exists(plugins));
    EXPECT_FALSE(Exists(player));
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kEntryKey));
}

TEST_F(Installer, WithoutAFolderGivenFindsThePlayerThroughTheUsersKeyFirst) {
    std::string player = PlayerFolder("Winamp");
    std::string other = PlayerFolder("Machine's Winamp");
    SetText(HKEY_CURRENT_USER, kPlayerKey, "", player);
    SetText(HKEY_LOCAL_MACHINE, kPlayerEntryKey, "UninstallString",
            "\"" + other + "\\UninstWA.exe\"");
    ASSERT_EQ(RunAndWait("\"" + kInstaller + "\" /S"), 0u);
    std::string plugins = player + "\\Plugins";
    EXPECT_TRUE(ReadWholeFile(plugins + "\\gen_g15_velm.dll") == released)
        << "not installed into " << plugins;
    EXPECT_FALSE(Exists(other + "\\Plugins"));

    // With the documented switch, the settings go too, and so does the Plugins folder that
    // the installer made; the player's own folder and program stay.
    WriteBytes(plugins + "\\VelmG15.ini", "[General]\r\n");
    WriteBytes(AppDataSettings() + "\\VelmG15.ini", "[General]\r\n");
    ASSERT_EQ(Uninstall(plugins, "/REMOVESETTINGS"), 0u);
    EXPECT_FALSE(Exists(plugins));
    EXPECT_FALSE(Exists(AppDataSettings()));
    EXPECT_EQ(ReadWholeFile(player + "\\winamp.exe"), "stand-in player");
}

TEST_F(Installer, WithoutAFolderGivenPassesOverAUsersKeyWithoutThePlayer) {
    std::string gone = kTestFolder + "\\Removed Winamp";
    std::string player = PlayerFolder("Machine's Winamp");
    SetText(HKEY_CURRENT_USER, kPlayerKey, "", gone);
    SetText(HKEY_LOCAL_MACHINE, kPlayerEntryKey, "UninstallString",
            "\"" + player + "\\UninstWA.exe\" /S");
    ASSERT_EQ(RunAndWait("\"" + kInstaller + "\" /S"), 0u);
    EXPECT_TRUE(ReadWholeFile(player + "\\Plugins\\gen_g15_velm.dll") == released)
        << "not installed into " << player << "\\Plugins";
    EXPECT_FALSE(Exists(gone));
}

// Where the Plugins folder takes no file, the installer starts itself again with
// administrator rights and reports what that copy did. Wine lets the superuser, who may run
// these tests, write anywhere, and it starts a program "as administrator" like any other: a
// folder in the way of the installer's test file stands in for a folder that needs rights,
// which the copy meets too.
TEST_F(Installer, WhereTheFolderTakesNoFileTheCopyWithRightsReportsAndNothingChanges) {
    std::string player = PlayerFolder("Locked Winamp");
    std::string plugins = player + "\\Plugins";
    fs::create_directories(plugins + "\\gen_g15_velm-write-test.tmp");
    EXPECT_EQ(Install(player), kNoRights);
    EXPECT_FALSE(Exists(plugins + "\\gen_g15_velm.dll"));
    EXPECT_FALSE(Exists(plugins + "\\" + kUninstaller));
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kEntryKey));
}

}  // namespace
