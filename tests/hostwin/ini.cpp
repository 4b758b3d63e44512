// What the profile functions do with INI files, as Windows (and Wine) read and write them.
// The files are named relative to the working directory, which both builds can reach.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "support/WholeFile.h"

namespace {

class IniFile : public ::testing::Test {
protected:
    void SetUp() override {
        path = std::string("./velm-ini-") +
               ::testing::UnitTest::GetInstance()->current_test_info()->name() + ".ini";
        std::remove(path.c_str());
    }
    void TearDown() override {
        SetFileAttributesA(path.c_str(),
                           FILE_ATTRIBUTE_NORMAL);  // Windows removes no read-only file
        RemoveDirectoryA(path.c_str());
        std::remove(path.c_str());
    }

    void Put(const std::string& bytes) {
        FILE* file = std::fopen(path.c_str(), "wb");
        ASSERT_NE(file, nullptr) << "cannot create " << path;
        std::fwrite(bytes.data(), 1, bytes.size(), file);
        std::fclose(file);
    }
    std::string Raw() { return ReadWholeFile(path); }
    // The value read, and the length returned, with a 64-byte buffer unless said otherwise.
    std::string Get(const char* section, const char* key, const char* fallback, DWORD size = 64,
                    DWORD* length = nullptr) {
        char buffer[128];
        std::memset(buffer, '#', sizeof buffer);
        DWORD n = GetPrivateProfileStringA(section, key, fallback, buffer, size, path.c_str());
        if (length)
            *length = n;
        return std::string(buffer, n) + (buffer[n] == '\0' ? "" : "<unterminated>");
    }
    bool Set(const char* section, const char* key, const char* value) {
        return WritePrivateProfileStringA(section, key, value, path.c_str()) != 0;
    }

    std::string path;
};

TEST_F(IniFile, MissingFileGivesTheDefaultWithoutTrailingBlanksOrQuotes) {
    DWORD length = 99;
    EXPECT_EQ(Get("General", "VU", "1", 64, &length), "1");
    EXPECT_EQ(length, 1u);
    EXPECT_EQ(Get("General", "VU", "dflt  "), "dflt") << "trailing blanks of the default go";
    EXPECT_EQ(Get("General", "VU", "  lead"), "  lead") << "leading blanks of the default stay";
    EXPECT_EQ(Get("General", "VU", "\"qd\""), "qd");
    EXPECT_EQ(Get("General", "VU", nullptr, 64, &length), "");
    EXPECT_EQ(length, 0u);
    EXPECT_EQ(Raw(), "<no file>") << "reading creates nothing";
}

TEST_F(IniFile, SectionsAndKeysAreFoundWhateverTheirCaseAndBlanks) {
    Put("  [ General ]  \n  VU  =  5  \nLeaveSettings\t=\t7\t\n");
    EXPECT_EQ(Get("general", "vu", "1"), "5");
    EXPECT_EQ(Get(" GENERAL ", " Vu ", "1"), "5");
    EXPECT_EQ(Get("General", "LeaveSettings", "0"), "7");
    EXPECT_EQ(Get("Nope", "VU", "d"), "d") << "a missing section gives the default";
    EXPECT_EQ(Get("General", "Nope", "d"), "d") << "a missing key gives the default";
}

TEST_F(IniFile, EmptyValueIsReadAsEmptyButAKeyWithoutEqualsGivesTheDefault) {
    Put("[General]\r\nEmpty=\r\nNoEquals\r\nComment=1;c\r\n");
    DWORD length = 99;
    EXPECT_EQ(Get("General", "Empty", "9", 64, &length), "");
    EXPECT_EQ(length, 0u) << "an empty value returns 0, not the default";
    EXPECT_EQ(Get("General", "NoEquals", "9"), "9");
    EXPECT_EQ(Get("General", "Comment", "9"), "1;c") << "no comments after a value";
}

TEST_F(IniFile, MatchingQuotesAroundAValueAreStripped) {
    Put("[General]\nQ=\"quoted\"\nS='x'\nHalf=\"half\nInner=\" sp \"\nMixed=\"a\"b\"\nOne=\"\n");
    EXPECT_EQ(Get("General", "Q", ""), "quoted");
    EXPECT_EQ(Get("General", "S", ""), "x");
    EXPECT_EQ(Get("General", "Half", ""), "\"half");
    EXPECT_EQ(Get("General", "Inner", ""), " sp ") << "blanks inside the quotes stay";
    EXPECT_EQ(Get("General", "Mixed", ""), "a\"b");
    EXPECT_EQ(Get("General", "One", ""), "\"");
}

TEST_F(IniFile, ABufferTooSmallGetsTheValueCutAndTerminated) {
    Put("[General]\nLong=0123456789\n");
    DWORD length = 0;
    EXPECT_EQ(Get("General", "Long", "", 5, &length), "0123");
    EXPECT_EQ(length, 4u);
    EXPECT_EQ(Get("General", "Long", "", 11, &length), "0123456789");
    EXPECT_EQ(length, 10u) << "exactly fitting";
    EXPECT_EQ(Get("General", "Long", "", 1, &length), "");
    EXPECT_EQ(length, 0u);
    EXPECT_EQ(Get("General", "Missing", "dflt", 3, &length), "df") << "the default is cut too";
}

TEST_F(IniFile, OnlyTheFirstSectionOfANameIsSeen) {
    Put("[A]\nk=1\n[General]\nVU=0\n[a]\nm=2\n");
    EXPECT_EQ(Get("A", "m", "none"), "none");
    ASSERT_TRUE(Set("A", "m", "3"));
    EXPECT_EQ(Raw(), "[A]\r\nk=1\r\nm=3\r\n[General]\r\nVU=0\r\n[a]\r\nm=2\r\n");
}

TEST_F(IniFile, FirstWriteCreatesTheFileAndSectionWithCrlfLines) {
    ASSERT_TRUE(Set("General", "VU", "1"));
    EXPECT_EQ(Raw(), "[General]\r\nVU=1\r\n");
    ASSERT_TRUE(Set("General", "KeyboardLight", "0"));
    ASSERT_TRUE(Set("general", "vu", "5"));
    EXPECT_EQ(Raw(), "[General]\r\nVU=5\r\nKeyboardLight=0\r\n")
        << "a key's value is replaced in place, new keys go last";
    EXPECT_EQ(Get("General", "VU", "1"), "5");
}

TEST_F(IniFile, WriteKeepsOtherSectionsAndKeysButTidiesEveryLine) {
    Put("; note\n[Other]\nx = 1 \n\n[General]\nVU=abc\nLeaveSettings=7\nNoEquals\n[Tail]\ny=2\n");
    ASSERT_TRUE(Set("General", "VU", "1"));
    ASSERT_TRUE(Set("General", "New", "  lead and trail  "));
    ASSERT_TRUE(Set("Added", "k", "v"));
    EXPECT_EQ(Raw(),
              "; note\r\n[Other]\r\nx=1\r\n[General]\r\nVU=1\r\nLeaveSettings=7\r\nNoEquals\r\n"
              "New=lead and trail\r\n[Tail]\r\ny=2\r\n[Added]\r\nk=v\r\n");
}

TEST_F(IniFile, WritingTheValueAlreadyThereLeavesTheFileAlone) {
    Put("[General]\nVU=1\n\n");
    ASSERT_TRUE(Set("General", "VU", "1"));
    EXPECT_EQ(Raw(), "[General]\nVU=1\n\n") << "nothing changed, nothing rewritten";
    ASSERT_TRUE(Set("General", "VU", "0"));
    EXPECT_EQ(Raw(), "[General]\r\nVU=0\r\n");
}

TEST_F(IniFile, NullValueRemovesTheKey) {
    Put("[General]\nVU=0\nKeep=1\n");
    ASSERT_TRUE(Set("General", "VU", nullptr));
    EXPECT_EQ(Raw(), "[General]\r\nKeep=1\r\n");
}

TEST_F(IniFile, WriteIntoAMissingFolderFailsAndCreatesNothing) {
    const char* inMissing = "./velm-ini-no-such-folder/x.ini";
    EXPECT_FALSE(WritePrivateProfileStringA("General", "VU", "1", inMissing));
    char buffer[8];
    EXPECT_EQ(GetPrivateProfileStringA("General", "VU", "d", buffer, sizeof buffer, inMissing), 1u);
    EXPECT_STREQ(buffer, "d");
}

// A file that starts with the UTF-8 mark (as many editors save it) is read through the mark, and
// keeps it when written: its section is found, not added again after it.
TEST_F(IniFile, TheUtf8MarkIsReadThroughAndKeptByAWrite) {
    const std::string mark = "\xEF\xBB\xBF";
    Put(mark + "[General]\r\nVU=0\r\nName=caf\xC3\xA9\r\n");
    EXPECT_EQ(Get("General", "VU", "1"), "0");
    EXPECT_EQ(Get("General", "Name", ""), "caf\xE9") << "UTF-8 in the file, ANSI in the call";
    ASSERT_TRUE(Set("General", "LeavePlaylist", "0"));
    ASSERT_TRUE(Set("General", "Other", "\xE9t\xE9"));
    EXPECT_EQ(Raw(), mark + "[General]\r\nVU=0\r\nName=caf\xC3\xA9\r\nLeavePlaylist=0\r\n" +
                         "Other=\xC3\xA9t\xC3\xA9\r\n");
}

// UTF-16 with its mark, either byte order, is read as text and written back as it came.
TEST_F(IniFile, AUtf16FileWithItsMarkIsReadAndWrittenInItsOwnByteOrder) {
    auto utf16 = [](const std::string& ascii, bool bigEndian) {
        std::string bytes = bigEndian ? "\xFE\xFF" : "\xFF\xFE";
        for (char c : ascii)
            bytes += bigEndian ? std::string{'\0', c} : std::string{c, '\0'};
        return bytes;
    };
    for (bool bigEndian : {false, true}) {
        SCOPED_TRACE(bigEndian ? "big-endian" : "little-endian");
        Put(utf16("[General]\r\nVU=0\r\n", bigEndian));
        EXPECT_EQ(Get("General", "VU", "1"), "0");
        ASSERT_TRUE(Set("General", "LeavePlaylist", "0"));
        EXPECT_EQ(Raw(), utf16("[General]\r\nVU=0\r\nLeavePlaylist=0\r\n", bigEndian));
    }
}

// The read-only attribute, as Wine maps it, is the file's lack of every write permission: a
// profile write to such a file goes through exactly when the system still lets this process
// write the file (on Windows never; under Wine, and so in the stand-in, for the superuser).
TEST_F(IniFile, AReadOnlyFileIsReadAndWrittenOnlyWhereTheSystemLetsItBeWritten) {
    Put("[General]\nVU=5\n");
    ASSERT_TRUE(SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_READONLY));
    EXPECT_EQ(GetFileAttributesA(path.c_str()) & FILE_ATTRIBUTE_READONLY,
              static_cast<DWORD>(FILE_ATTRIBUTE_READONLY));
    EXPECT_EQ(Get("General", "VU", "1"), "5");
    FILE* probe = std::fopen(path.c_str(), "r+b");
    bool writable = probe != nullptr;
    if (probe)
        std::fclose(probe);
    EXPECT_EQ(Set("General", "VU", "0"), writable);
    EXPECT_EQ(Raw(), writable ? "[General]\r\nVU=0\r\n" : "[General]\nVU=5\n");
    ASSERT_TRUE(SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL));
    EXPECT_EQ(GetFileAttributesA(path.c_str()) & FILE_ATTRIBUTE_READONLY, 0u);
    EXPECT_TRUE(Set("General", "VU", "7")) << "writable again";
    EXPECT_EQ(Get("General", "VU", "1"), "7");
}

// A folder where the file should be: it opens, but reading it fails, so every key has its
// default, the failure is told, and nothing can be written.
TEST_F(IniFile, AFolderOfThatNameGivesDefaultsAndTakesNoWrite) {
    ASSERT_TRUE(CreateDirectoryA(path.c_str(), nullptr));
    SetLastError(ERROR_SUCCESS);
    EXPECT_EQ(Get("General", "VU", "1"), "1");
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
    SetLastError(ERROR_SUCCESS);
    EXPECT_FALSE(Set("General", "VU", "0"));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
    EXPECT_EQ(GetFileAttributesA(path.c_str()) & FILE_ATTRIBUTE_DIRECTORY,
              static_cast<DWORD>(FILE_ATTRIBUTE_DIRECTORY))
        << "still a folder";
}

}  // namespace
