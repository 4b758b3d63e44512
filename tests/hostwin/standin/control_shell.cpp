// The application-data folder the control side names. This suite's machine has one, as every
// Windows machine has, for the conformance cases: a fresh folder, removed at the end.
#include <windows.h>
#include <shlobj.h>

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <string>

#include "hostwin/control/modules.h"
#include "hostwin/control/shell.h"

namespace {

std::string g_appData;

class AppDataFolder : public ::testing::Environment {
public:
    void SetUp() override {
        std::string pattern = ::testing::TempDir() + "velm-appdata-XXXXXX";
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        g_appData = control::WindowsPath(pattern);
        control::SetAppDataFolder(g_appData);
    }
    void TearDown() override {
        control::SetAppDataFolder("");
        std::error_code ignored;
        std::filesystem::remove_all(control::HostPath(g_appData), ignored);
    }
};

::testing::Environment* const g_environment =
    ::testing::AddGlobalTestEnvironment(new AppDataFolder);

// Only S_OK hands out a path: a folder never named is not found, one named but not there gets
// the ANSI variant's S_FALSE, and a trailing backslash given is not handed out.
TEST(ControlShell, OnlyANamedFolderThatIsThereIsHandedOut) {
    char path[MAX_PATH];
    control::SetAppDataFolder("");
    EXPECT_EQ(SHGetFolderPathA(nullptr, CSIDL_APPDATA, nullptr, 0, path), E_FAIL);
    EXPECT_STREQ(path, "");
    control::SetAppDataFolder(g_appData + "\\gone");
    EXPECT_EQ(SHGetFolderPathA(nullptr, CSIDL_APPDATA, nullptr, 0, path), S_FALSE);
    EXPECT_STREQ(path, "");
    control::SetAppDataFolder(g_appData + "\\");
    EXPECT_EQ(SHGetFolderPathA(nullptr, CSIDL_APPDATA, nullptr, 0, path), S_OK);
    EXPECT_EQ(path, g_appData);
    control::SetAppDataFolder(g_appData);
}

}  // namespace
