// The settings file holding any bytes at all, read the way init reads it: LoadSettings takes
// each key through the profile functions and "%d", then writes all eleven back. Every setting
// must then hold what its key read as (or its default), and read back from the file as that.
// ParseSettingValue itself must agree with strtoll wherever the number fits in an int.
#include <windows.h>

#include <stdlib.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <fstream>
#include <string>

#include "fuzz/FuzzInput.h"
#include "fuzz/TempFolder.h"
#include "hostwin/control/modules.h"
#include "settings/Settings.h"

namespace {

int ReadAsPluginWould(const SettingInfo& info, const char* path) {
    char fallback[64];
    char value[64];
    std::snprintf(fallback, sizeof fallback, "%d", info.defaultValue);
    int result = info.defaultValue;
    if (GetPrivateProfileStringA("General", info.key, fallback, value, sizeof value, path) > 0)
        ParseSettingValue(value, result);
    return result;
}

void CheckParseAgainstStrtoll(const uint8_t* data, size_t size) {
    std::string text(reinterpret_cast<const char*>(data), size);
    text = text.c_str();  // up to the first NUL, as a C string ends
    int parsed = 12345;
    bool number = ParseSettingValue(text.c_str(), parsed);
    errno = 0;
    char* end = nullptr;
    long long expected = std::strtoll(text.c_str(), &end, 10);
    bool strtollNumber = end != text.c_str();
    fuzz::Expect(number == strtollNumber,
                 "ParseSettingValue and strtoll disagree on \"" + text + "\" being a number");
    if (!number)
        fuzz::Expect(parsed == 12345, "a failed parse changed the value");
    else if (errno != ERANGE && expected >= INT_MIN && expected <= INT_MAX)
        fuzz::Expect(parsed == expected, "\"" + text + "\" parsed as " + std::to_string(parsed));
    else
        fuzz::Expect(parsed == (expected < 0 ? INT_MIN : INT_MAX),
                     "\"" + text + "\" out of range parsed as " + std::to_string(parsed));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string& folder = fuzz::TempFolder("settings");
    static HMODULE module =
        control::RegisterNamedModule(control::WindowsPath(folder + "/gen_g15_velm.dll"));
    std::string file = folder + "/VelmG15.ini";
    std::ofstream(file, std::ios::binary | std::ios::trunc)
        .write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    std::string path = control::WindowsPath(file);

    int expected[kSettingCount];
    for (const SettingInfo& info : kSettingsTable)
        expected[info.item] = ReadAsPluginWould(info, path.c_str());
    LoadSettings(module);
    fuzz::Expect(GetSettingsPath() == path, "the settings file is not the one beside the module");
    for (const SettingInfo& info : kSettingsTable) {
        fuzz::Expect(GetSetting(info.item) == expected[info.item],
                     std::string(info.key) + " holds " + std::to_string(GetSetting(info.item)) +
                         ", read as " + std::to_string(expected[info.item]));
        fuzz::Expect(ReadAsPluginWould(info, path.c_str()) == GetSetting(info.item),
                     std::string(info.key) + " was not written back as it is held");
    }
    CheckParseAgainstStrtoll(data, size);
    return 0;
}
