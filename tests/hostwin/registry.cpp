// What the Windows registry does for the reads the product makes (and the writes that set
// them up).
#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>

namespace {

const char kKey[] = "SOFTWARE\\VelmConformance\\ServerBinary";

class Registry : public ::testing::Test {
protected:
    void SetUp() override {
        HKEY key;
        ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, kKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                                  &key, nullptr),
                  ERROR_SUCCESS);
        const char value[] = "C:\\service\\lcd.dll";
        ASSERT_EQ(RegSetValueExA(key, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(value),
                                 sizeof value),
                  ERROR_SUCCESS);
        RegCloseKey(key);
    }
    void TearDown() override {
        RegDeleteKeyA(HKEY_CURRENT_USER, kKey);
        RegDeleteKeyA(HKEY_CURRENT_USER, "SOFTWARE\\VelmConformance");
    }
};

TEST_F(Registry, DefaultValueReadsBackWithItsTerminator) {
    HKEY key;
    ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, kKey, 0, KEY_READ, &key), ERROR_SUCCESS);
    char buffer[MAX_PATH];
    DWORD size = sizeof buffer;
    DWORD type = 0;
    EXPECT_EQ(
        RegQueryValueExA(key, nullptr, nullptr, &type, reinterpret_cast<BYTE*>(buffer), &size),
        ERROR_SUCCESS);
    EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(size, sizeof "C:\\service\\lcd.dll");
    EXPECT_STREQ(buffer, "C:\\service\\lcd.dll");
    EXPECT_EQ(RegCloseKey(key), ERROR_SUCCESS);
}

TEST_F(Registry, KeyNamesIgnoreCase) {
    HKEY key;
    ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "software\\VELMCONFORMANCE\\serverbinary", 0,
                            KEY_READ, &key),
              ERROR_SUCCESS);
    RegCloseKey(key);
}

TEST_F(Registry, MissingKeyOrValueIsFileNotFound) {
    HKEY key;
    EXPECT_EQ(
        RegOpenKeyExA(HKEY_CURRENT_USER, "SOFTWARE\\VelmConformance\\Missing", 0, KEY_READ, &key),
        ERROR_FILE_NOT_FOUND);
    ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, kKey, 0, KEY_READ, &key), ERROR_SUCCESS);
    char buffer[16];
    DWORD size = sizeof buffer;
    EXPECT_EQ(
        RegQueryValueExA(key, "Missing", nullptr, nullptr, reinterpret_cast<BYTE*>(buffer), &size),
        ERROR_FILE_NOT_FOUND);
    RegCloseKey(key);
}

TEST_F(Registry, SmallBufferGetsMoreDataAndTheSizeNeeded) {
    HKEY key;
    ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, kKey, 0, KEY_READ, &key), ERROR_SUCCESS);
    char buffer[4];
    DWORD size = sizeof buffer;
    EXPECT_EQ(
        RegQueryValueExA(key, nullptr, nullptr, nullptr, reinterpret_cast<BYTE*>(buffer), &size),
        ERROR_MORE_DATA);
    EXPECT_EQ(size, sizeof "C:\\service\\lcd.dll");
    RegCloseKey(key);
}

TEST_F(Registry, ClosedKeyCannotBeClosedAgain) {
    HKEY key;
    ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, kKey, 0, KEY_READ, &key), ERROR_SUCCESS);
    EXPECT_EQ(RegCloseKey(key), ERROR_SUCCESS);
    EXPECT_EQ(RegCloseKey(key), ERROR_INVALID_HANDLE);
}

}  // namespace
