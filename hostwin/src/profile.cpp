// INI files as the profile functions read and write them. The file is parsed into sections of
// keys the way Wine's profile code does (our referee): lines trimmed, blank lines dropped, a
// line without '=' kept as a key without value; only the first section of a name is seen.
// Every write reads the file, changes it and writes it back whole with CRLF line ends, in the
// encoding it was found in. A file that is there but cannot be read is never taken for a
// missing one: as Windows opens the file for reading and writing to change it, such a file
// takes no write, rather than being replaced by one holding the written key alone.
#include "hostwin_private.h"

#include <windows.h>

#include <fcntl.h>
#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace hostwin {
namespace {

struct Key {
    std::string name;
    std::optional<std::string> value;
};

struct Section {
    std::string name;  // "" for the keys before the first section header
    std::vector<Key> keys;
};

using Profile = std::vector<Section>;

std::mutex g_fileMu;
std::mutex g_observerMu;
ProfileWriteObserver g_observer;
std::set<std::string> g_protected;   // guarded by g_fileMu
std::set<std::string> g_unreadable;  // guarded by g_fileMu

bool IsProtected(const std::string& hostPath) {
    return g_protected.count(hostPath) > 0;
}

// Whether a file that is there may be written: not a folder, not protected, and writable as
// the system sees it (for the superuser, always).
bool MayWriteExisting(const std::string& hostPath) {
    struct stat info;
    return stat(hostPath.c_str(), &info) == 0 && !S_ISDIR(info.st_mode) && !IsProtected(hostPath) &&
           access(hostPath.c_str(), W_OK) == 0;
}

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
}

std::string_view TrimView(std::string_view text) {
    size_t begin = 0, end = text.size();
    while (begin < end && IsBlank(text[begin]))
        ++begin;
    while (end > begin && IsBlank(text[end - 1]))
        --end;
    return text.substr(begin, end - begin);
}

std::string Trim(std::string_view text) {
    return std::string(TrimView(text));
}

bool SameName(const std::string& a, const std::string& b) {
    return strcasecmp(a.c_str(), b.c_str()) == 0;
}

// Windows keeps profile files beside a path; a bare name would be in the Windows directory,
// which the stand-in does not have.
bool HasFolder(const char* file) {
    for (const char* p = file; *p; ++p)
        if (*p == '\\' || *p == '/')
            return true;
    return false;
}

bool FolderExists(const std::string& hostPath) {
    size_t slash = hostPath.rfind('/');
    if (slash == std::string::npos)
        return true;
    std::string folder = slash == 0 ? "/" : hostPath.substr(0, slash);
    struct stat info;
    return stat(folder.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

// Lines end at CR, LF or both. Lines are looked at in place: every settings call parses the
// whole file, and a copy of each line would cost more than the rest of the call.
Profile Parse(std::string_view text) {
    Profile profile{Section{"", {}}};
    size_t pos = 0;
    while (pos < text.size()) {
        size_t end = text.find_first_of("\r\n", pos);
        if (end == std::string_view::npos)
            end = text.size();
        std::string_view line = TrimView(text.substr(pos, end - pos));
        pos = end + 1;
        if (line.empty())
            continue;
        if (line[0] == '[') {
            size_t close = line.rfind(']');
            if (close != std::string_view::npos)
                profile.push_back(Section{Trim(line.substr(1, close - 1)), {}});
            continue;
        }
        size_t equals = line.find('=');
        if (equals == std::string_view::npos)
            profile.back().keys.push_back(Key{std::string(line), std::nullopt});
        else
            profile.back().keys.push_back(
                Key{Trim(line.substr(0, equals)), Trim(line.substr(equals + 1))});
    }
    return profile;
}

std::string Serialize(const Profile& profile) {
    std::string text;
    for (const Section& section : profile) {
        if (!section.name.empty())
            text += "[" + section.name + "]\r\n";
        for (const Key& key : section.keys) {
            text += key.name;
            if (key.value)
                text += "=" + *key.value;
            text += "\r\n";
        }
    }
    return text;
}

// Returns false when the file cannot be read; error says why: ERROR_FILE_NOT_FOUND or
// ERROR_PATH_NOT_FOUND where there is no file, ERROR_ACCESS_DENIED where there is one that may
// not be read.
bool ReadWholeFile(const std::string& hostPath, std::string& text, DWORD& error) {
    struct stat info;
    if (g_unreadable.count(hostPath) > 0 && stat(hostPath.c_str(), &info) == 0) {
        error = ERROR_ACCESS_DENIED;
        return false;
    }
    // Plain reads into text, sized once: stdio's buffer would be one more allocation, and
    // every settings call reads the whole file.
    int file = open(hostPath.c_str(), O_RDONLY | O_CLOEXEC);
    if (file < 0) {
        if (errno != ENOENT && errno != ENOTDIR)
            error = ERROR_ACCESS_DENIED;
        else
            error = FolderExists(hostPath) ? ERROR_FILE_NOT_FOUND : ERROR_PATH_NOT_FOUND;
        return false;
    }
    if (fstat(file, &info) == 0 && S_ISREG(info.st_mode))
        text.reserve(static_cast<size_t>(info.st_size));
    char buffer[4096];
    ssize_t n;
    while ((n = read(file, buffer, sizeof buffer)) > 0 || (n < 0 && errno == EINTR))
        if (n > 0)
            text.append(buffer, static_cast<size_t>(n));
    int readError = n < 0 ? errno : 0;
    close(file);
    // What was read before a failed read is not the file: a write would put it back shorter.
    // A folder opens here but not on Windows, which refuses it as denied.
    if (readError != 0) {
        error = readError == EISDIR ? ERROR_ACCESS_DENIED : ERROR_READ_FAULT;
        return false;
    }
    return true;
}

bool WriteWholeFile(const std::string& hostPath, const std::string& text) {
    FILE* file = std::fopen(hostPath.c_str(), "wb");
    if (!file)
        return false;
    bool ok = std::fwrite(text.data(), 1, text.size(), file) == text.size();
    return std::fclose(file) == 0 && ok;
}

// The first section of that name (blanks around the name do not count); the keys before the
// first header are never found by name.
Section* FindSection(Profile& profile, const std::string& name) {
    for (size_t i = 1; i < profile.size(); ++i)
        if (SameName(profile[i].name, name))
            return &profile[i];
    return nullptr;
}

Key* FindKey(Section& section, const std::string& name) {
    for (Key& key : section.keys)
        if (SameName(key.name, name))
            return &key;
    return nullptr;
}

// A value wrapped in a matching pair of quotes is handed out without them.
std::string StripQuotes(const std::string& value) {
    if (value.size() >= 2 && (value[0] == '"' || value[0] == '\'') && value.back() == value[0])
        return value.substr(1, value.size() - 2);
    return value;
}

DWORD CopyOut(const std::string& value, LPSTR buffer, DWORD size) {
    if (!buffer || size == 0)
        return 0;
    DWORD n = static_cast<DWORD>(value.size() < size ? value.size() : size - 1);
    value.copy(buffer, n);
    buffer[n] = '\0';
    return n;
}

void NotifyWrite(const char* file, const char* section, const char* key) {
    ProfileWriteObserver observer;
    {
        std::lock_guard<std::mutex> lk(g_observerMu);
        observer = g_observer;
    }
    if (observer)
        observer(file, section, key ? key : "");
}

}  // namespace

void SetProfileWriteObserver(ProfileWriteObserver observer) {
    std::lock_guard<std::mutex> lk(g_observerMu);
    g_observer = std::move(observer);
}

void SetProfileFileProtected(const std::string& hostPath, bool isProtected) {
    std::lock_guard<std::mutex> lk(g_fileMu);
    if (isProtected)
        g_protected.insert(hostPath);
    else
        g_protected.erase(hostPath);
}

void SetProfileFileUnreadable(const std::string& hostPath, bool isUnreadable) {
    std::lock_guard<std::mutex> lk(g_fileMu);
    if (isUnreadable)
        g_unreadable.insert(hostPath);
    else
        g_unreadable.erase(hostPath);
}

}  // namespace hostwin

using namespace hostwin;

extern "C" {

// Reads one key. Listing sections or keys (a null section or key) is not needed here and
// yields an empty list.
DWORD WINAPI GetPrivateProfileStringA(LPCSTR section, LPCSTR key, LPCSTR defaultValue, LPSTR buffer,
                                      DWORD size, LPCSTR file) {
    if (!section || !key || !file)
        return CopyOut("", buffer, size);
    // The default loses its trailing blanks, and its quotes like any value.
    std::string fallback = defaultValue ? defaultValue : "";
    while (!fallback.empty() && fallback.back() == ' ')
        fallback.pop_back();
    fallback = StripQuotes(fallback);

    std::string bytes;
    DWORD error = ERROR_FILE_NOT_FOUND;
    bool read;
    {
        std::lock_guard<std::mutex> lk(g_fileMu);
        read = HasFolder(file) && ReadWholeFile(ToHostPath(file), bytes, error);
    }
    if (!read) {
        SetLastError(error);
        return CopyOut(fallback, buffer, size);
    }
    ProfileText text = DecodeProfileFile(bytes);
    Profile profile = Parse(text.text);
    Section* found = FindSection(profile, ProfileTextFromAnsi(Trim(section), text.encoding));
    Key* entry = found ? FindKey(*found, ProfileTextFromAnsi(Trim(key), text.encoding)) : nullptr;
    if (!entry || !entry->value)
        return CopyOut(fallback, buffer, size);
    return CopyOut(ProfileTextToAnsi(StripQuotes(*entry->value), text.encoding), buffer, size);
}

// Sets one key (a null value removes it, a null key the whole section). A value that is
// already there leaves the file as it is.
BOOL WINAPI WritePrivateProfileStringA(LPCSTR section, LPCSTR key, LPCSTR value, LPCSTR file) {
    if (!section || !file || !HasFolder(file)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    std::string hostPath = ToHostPath(file);
    {
        std::lock_guard<std::mutex> lk(g_fileMu);
        std::string bytes;
        DWORD error;
        bool exists = ReadWholeFile(hostPath, bytes, error);
        if (!exists && error != ERROR_FILE_NOT_FOUND) {
            SetLastError(error);
            return FALSE;
        }
        // As on Windows, a file that is there is opened for writing before anything else, so
        // one that cannot be written fails every write, even one that would change nothing.
        if (exists && !MayWriteExisting(hostPath)) {
            SetLastError(ERROR_ACCESS_DENIED);
            return FALSE;
        }
        ProfileText text = DecodeProfileFile(bytes);
        auto inFile = [&](const char* ansi) {
            return ProfileTextFromAnsi(Trim(ansi), text.encoding);
        };
        Profile profile = Parse(text.text);
        std::string sectionName = inFile(section);
        Section* target = FindSection(profile, sectionName);
        bool changed = true;
        if (!key) {
            if (target)
                profile.erase(profile.begin() + (target - profile.data()));
            changed = target != nullptr;
        } else if (!value) {
            Key* entry = target ? FindKey(*target, inFile(key)) : nullptr;
            if (entry)
                target->keys.erase(target->keys.begin() + (entry - target->keys.data()));
            changed = entry != nullptr;
        } else {
            if (!target) {
                profile.push_back(Section{sectionName, {}});
                target = &profile.back();
            }
            std::string newValue = inFile(value);
            Key* entry = FindKey(*target, inFile(key));
            if (!entry) {
                target->keys.push_back(Key{inFile(key), newValue});
            } else if (entry->value && *entry->value == newValue) {
                changed = false;
            } else {
                entry->value = newValue;
            }
        }
        bool refused = IsProtected(hostPath) || (!exists && IsInProtectedFolder(hostPath));
        text.text = Serialize(profile);
        if (changed && (refused || !WriteWholeFile(hostPath, EncodeProfileFile(text)))) {
            SetLastError(ERROR_ACCESS_DENIED);
            return FALSE;
        }
    }
    NotifyWrite(file, section, key);
    return TRUE;
}

}  // extern "C"
