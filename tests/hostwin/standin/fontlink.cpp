// The font links in the stand-in's registry: the same as the Wine test prefixes get from
// tests/wine/fontlink.reg, kept when a test clears the registry, and read as GDI reads them.
#include <windows.h>

#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "hostwin/control/registry.h"
#include "hostwin/src/hostwin_private.h"

namespace {

const char* const kKey = "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\FontLink\\SystemLink";

// The REG_MULTI_SZ values of a .reg file, as bytes: "name"=hex(7):.. lines, continued by '\'.
std::map<std::string, std::vector<BYTE>> MultiStringsOf(const std::string& path) {
    std::ifstream in(path);
    std::string all, line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\\') {
            line.pop_back();
            all += line;
        } else {
            all += line + "\n";
        }
    }
    std::map<std::string, std::vector<BYTE>> values;
    std::istringstream lines(all);
    while (std::getline(lines, line)) {
        size_t marker = line.find("\"=hex(7):");
        if (line.empty() || line[0] != '"' || marker == std::string::npos)
            continue;
        std::vector<BYTE> bytes;
        std::istringstream hex(line.substr(marker + 9));
        for (std::string byte; std::getline(hex, byte, ',');)
            bytes.push_back(static_cast<BYTE>(std::stoi(byte, nullptr, 16)));
        values[line.substr(1, marker - 1)] = bytes;
    }
    return values;
}

std::vector<BYTE> RegistryValue(const char* name) {
    HKEY key;
    std::vector<BYTE> data;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kKey, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return data;
    DWORD type = 0, size = 0;
    if (RegQueryValueExA(key, name, nullptr, &type, nullptr, &size) == ERROR_SUCCESS &&
        type == REG_MULTI_SZ) {
        data.resize(size);
        RegQueryValueExA(key, name, nullptr, nullptr, data.data(), &size);
    }
    RegCloseKey(key);
    return data;
}

void SetLinks(const char* family, const std::string& entries) {
    HKEY key;
    ASSERT_EQ(
        RegCreateKeyExA(HKEY_LOCAL_MACHINE, kKey, 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr),
        ERROR_SUCCESS);
    RegSetValueExA(key, family, 0, REG_MULTI_SZ, reinterpret_cast<const BYTE*>(entries.data()),
                   static_cast<DWORD>(entries.size()));
    RegCloseKey(key);
}

TEST(FontLinks, TheRegistryStartsWithTheLinksOfTheWinePrefix) {
    auto wine = MultiStringsOf(std::string(VELM_TEST_DATA) + "/../wine/fontlink.reg");
    ASSERT_EQ(wine.size(), 2u) << "Tahoma and Liberation Sans in tests/wine/fontlink.reg";
    for (const auto& [family, bytes] : wine)
        EXPECT_EQ(RegistryValue(family.c_str()), bytes) << family;
}

TEST(FontLinks, ClearingTheRegistryKeepsThem) {
    std::vector<BYTE> before = RegistryValue("Tahoma");
    control::ClearRegistry();
    EXPECT_FALSE(before.empty());
    EXPECT_EQ(RegistryValue("Tahoma"), before);
}

// "file,face", scaling values after it ignored, a file alone; empty entries end the list.
TEST(FontLinks, EntriesAreReadAsWindowsWritesThem) {
    SetLinks(
        "Velm Entries",
        std::string("dotum.ttf,Baekmuk Dotum,128,96\0unifont.otf\0,Only A Face\0\0ignored\0", 65));
    auto links = hostwin::SystemLinksOf("Velm Entries");
    ASSERT_EQ(links.size(), 3u);
    EXPECT_EQ(links[0].file, "dotum.ttf");
    EXPECT_EQ(links[0].face, "Baekmuk Dotum");
    EXPECT_EQ(links[1].file, "unifont.otf");
    EXPECT_EQ(links[1].face, "");
    EXPECT_EQ(links[2].file, "");
    EXPECT_EQ(links[2].face, "Only A Face");
    EXPECT_TRUE(hostwin::SystemLinksOf("Velm No Such Face").empty());
    control::ClearRegistry();
}

// A link is found by its face, or by its file alone; one that names a font the machine does not
// have is passed over.
TEST(FontLinks, LinkedFontsAreFoundByFaceOrFile) {
    SetLinks("DejaVu Sans", std::string("nowhere.ttf,No Such Face\0unifont.otf\0"
                                        "DOTUM.TTF,Baekmuk Dotum,128,96\0\0",
                                        69));
    auto font = hostwin::TextFont::Get("DejaVu Sans", -13, 400, false);
    ASSERT_NE(font, nullptr);
    std::vector<std::string> families;
    for (const auto& link : font->Links())
        families.push_back(link->FamilyName());
    EXPECT_EQ(families, (std::vector<std::string>{"Unifont", "Baekmuk Dotum"}));
    control::ClearRegistry();
}

}  // namespace
