// The user's application-data folder as the shell hands it out, and a folder of one's own made
// in it: where the plug-in keeps its settings when its own folder takes no write.
#include <windows.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(ShellFolders, AppDataIsAFolderThereWithoutATrailingBackslashAndTakesAFolderOnce) {
    char path[MAX_PATH];
    ASSERT_EQ(SHGetFolderPathA(nullptr, CSIDL_APPDATA, nullptr, 0, path), S_OK);
    std::string folder = path;
    ASSERT_FALSE(folder.empty());
    EXPECT_NE(folder.back(), '\\') << folder;
    EXPECT_EQ(GetFileAttributesA(path), static_cast<DWORD>(FILE_ATTRIBUTE_DIRECTORY)) << folder;

    std::string own = folder + "\\VelmConformance";
    RemoveDirectoryA(own.c_str());
    EXPECT_TRUE(CreateDirectoryA(own.c_str(), nullptr)) << own;
    EXPECT_FALSE(CreateDirectoryA(own.c_str(), nullptr));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ALREADY_EXISTS));
    EXPECT_TRUE(RemoveDirectoryA(own.c_str()));
}

}  // namespace
