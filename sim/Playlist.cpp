#include "sim/Playlist.h"

#include <windows.h>

#include <climits>
#include <sstream>

#include "sim/FileText.h"
#include "sim/TextCheck.h"

namespace sim {
namespace {

constexpr char kExtInf[] = "#EXTINF:";
constexpr char kUtf8Mark[] = "\xEF\xBB\xBF";

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r';
}

std::string Trim(const std::string& text) {
    size_t begin = 0, end = text.size();
    while (begin < end && IsBlank(text[begin]))
        ++begin;
    while (end > begin && IsBlank(text[end - 1]))
        --end;
    return text.substr(begin, end - begin);
}

// "#EXTINF:<seconds>[ attributes],<title>". Seconds may have a fraction, which is dropped, or be
// negative: a length nobody knows (players write -1).
bool ParseExtInf(const std::string& line, int lineNumber, int& seconds, std::string& title,
                 PlaylistError& error) {
    size_t i = sizeof kExtInf - 1;
    while (i < line.size() && IsBlank(line[i]))
        ++i;
    size_t numberStart = i;
    if (i < line.size() && line[i] == '-')
        ++i;
    size_t digitsStart = i;
    long long value = 0;
    while (i < line.size() && line[i] >= '0' && line[i] <= '9') {
        value = value * 10 + (line[i] - '0');
        if (value > INT_MAX)
            value = INT_MAX;
        ++i;
    }
    if (i < line.size() && line[i] == '.' && i > digitsStart) {
        ++i;
        while (i < line.size() && line[i] >= '0' && line[i] <= '9')
            ++i;
    }
    bool ends = i == line.size() || line[i] == ',' || IsBlank(line[i]);
    if (i == digitsStart || !ends) {
        error = {lineNumber, static_cast<int>(numberStart) + 1,
                 "'" + line.substr(numberStart, line.find(',', numberStart) - numberStart) +
                     "' is not a length in seconds"};
        return false;
    }
    size_t comma = line.find(',', i);
    if (comma == std::string::npos) {
        error = {lineNumber, static_cast<int>(line.size()) + 1,
                 "#EXTINF needs a ',' before the title"};
        return false;
    }
    seconds = line[numberStart] == '-' ? 0 : static_cast<int>(value);
    title = Trim(line.substr(comma + 1));
    return true;
}

// Through the stand-in's own code pages, which are glibc's.
std::string Windows1252ToUtf8(const std::string& text) {
    if (text.empty())
        return text;
    int size = static_cast<int>(text.size());
    std::u16string wide(text.size(), u'\0');
    int units = MultiByteToWideChar(1252, 0, text.data(), size, wide.data(), size);
    int bytes = WideCharToMultiByte(CP_UTF8, 0, wide.data(), units, nullptr, 0, nullptr, nullptr);
    std::string utf8(static_cast<size_t>(bytes), '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide.data(), units, utf8.data(), bytes, nullptr, nullptr);
    return utf8;
}

}  // namespace

std::string TitleFromPath(const std::string& path) {
    size_t slash = path.find_last_of("/\\");
    std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    size_t dot = name.rfind('.');
    if (dot != std::string::npos && dot > 0)
        name.erase(dot);
    return name.empty() ? path : name;
}

bool ReadM3u(const std::string& original, bool utf8, std::vector<testbed::Entry>& entries,
             PlaylistError& error) {
    std::string text = original;
    if (text.compare(0, 3, kUtf8Mark) == 0) {
        text.erase(0, 3);
        utf8 = true;
    }
    entries.clear();
    // An 8-bit playlist may hold any byte above 0x7F; a control character means some other
    // kind of file.
    if (TextFault fault; !CheckText(text, utf8, fault)) {
        error = {fault.line, fault.column, fault.message};
        return false;
    }
    TextFault notUtf8;
    bool windows1252 = !utf8 && !CheckText(text, true, notUtf8);
    bool pending = false;
    testbed::Entry next{"", 0};
    std::istringstream in(text);
    int lineNumber = 0;
    for (std::string raw; std::getline(in, raw);) {
        ++lineNumber;
        std::string line = Trim(windows1252 ? Windows1252ToUtf8(raw) : raw);
        if (line.empty())
            continue;
        if (line.compare(0, sizeof kExtInf - 1, kExtInf) == 0) {
            // Columns count in the line as written, which leading blanks shift.
            size_t lead = raw.find_first_not_of(" \t");
            PlaylistError where;
            if (!ParseExtInf(line, lineNumber, next.lengthSeconds, next.title, where)) {
                where.column += static_cast<int>(lead);
                error = where;
                return false;
            }
            pending = true;
            continue;
        }
        if (line[0] == '#')
            continue;  // #EXTM3U and directives we have no use for
        if (!pending || next.title.empty())
            next.title = TitleFromPath(line);
        if (!pending)
            next.lengthSeconds = 0;
        entries.push_back(next);
        pending = false;
        next = {"", 0};
    }
    return true;
}

bool ReadM3uFile(const std::string& path, std::vector<testbed::Entry>& entries,
                 PlaylistError& error) {
    std::string text, cause;
    if (!ReadFileText(path, text, cause)) {
        error = {0, 0, "cannot read the playlist " + path + ": " + cause};
        return false;
    }
    bool utf8 = path.size() >= 5 && path.compare(path.size() - 5, 5, ".m3u8") == 0;
    return ReadM3u(text, utf8, entries, error);
}

}  // namespace sim
