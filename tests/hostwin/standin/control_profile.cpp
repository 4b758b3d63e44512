// INI files the profile functions may not read. Windows opens the file for reading and writing
// to change it, so a file that is there but refuses reads gives every key its default and takes
// no write: it is never taken for a missing file and replaced by one holding the key alone.
// (The settings suite checks the control that makes a file refuse reads whoever the user.)
#include <windows.h>

#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "hostwin/control/modules.h"
#include "support/WholeFile.h"

namespace {

constexpr char kContent[] = "[Other]\nkeep=me\n[General]\nVU=0\n";

class UnreadableProfile : public ::testing::Test {
protected:
    void SetUp() override {
        std::string pattern = ::testing::TempDir() + "velm-unreadable-XXXXXX";
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        folder = pattern;
        file = folder + "/VelmG15.ini";
        windowsFile = control::WindowsPath(file);
        std::ofstream(file, std::ios::binary) << kContent;
    }
    void TearDown() override {
        std::error_code ignored;
        std::filesystem::remove_all(folder, ignored);
    }
    std::string Get(const char* key) {
        char buffer[16];
        GetPrivateProfileStringA("General", key, "dflt", buffer, sizeof buffer,
                                 windowsFile.c_str());
        return buffer;
    }

    std::string folder;
    std::string file;
    std::string windowsFile;
};

// Mode 200 refuses reads to an ordinary user only; where the tests run as the superuser, the
// file is given to one, and the calls are made by a child process that has become that user.
TEST_F(UnreadableProfile, AFileAnOrdinaryUserMayWriteButNotReadTakesNoWriteFromThem) {
    const uid_t kOrdinaryUser = 65534;
    ASSERT_EQ(chmod(folder.c_str(), 0755), 0);
    ASSERT_EQ(chmod(file.c_str(), 0200), 0);
    if (geteuid() == 0) {
        ASSERT_EQ(chown(file.c_str(), kOrdinaryUser, kOrdinaryUser), 0);
    }
    enum { kReadSomething = 1, kWrote = 2, kNoOrdinaryUser = 4 };
    pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        int outcome = 0;
        if (geteuid() == 0 && setuid(kOrdinaryUser) != 0)
            _exit(kNoOrdinaryUser);
        if (Get("VU") != "dflt")
            outcome |= kReadSomething;
        if (WritePrivateProfileStringA("General", "VU", "1", windowsFile.c_str()))
            outcome |= kWrote;
        _exit(outcome);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << "1: a value was read, 2: the write went through, "
                                         "4: no ordinary user to become";
    ASSERT_EQ(chmod(file.c_str(), 0600), 0);
    EXPECT_EQ(ReadWholeFile(file), kContent) << "the file was replaced";
}

}  // namespace
