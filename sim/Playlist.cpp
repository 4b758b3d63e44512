#include "sim/Playlist.h"

#include <climits>
#include <fstream>
#include <sstream>

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

// The code points of Windows-1252's bytes 0x80 to 0x9F; 0 where the code page has a hole.
constexpr unsigned kCp1252High[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178,
};

char ToCp1252(unsigned codePoint) {
    if (codePoint < 0x80 || (codePoint >= 0xA0 && codePoint <= 0xFF))
        return static_cast<char>(codePoint);
    for (int i = 0; i < 32; ++i)
        if (kCp1252High[i] == codePoint)
            return static_cast<char>(0x80 + i);
    return '?';
}

void AppendUtf8(unsigned codePoint, std::string& out) {
    if (codePoint < 0x80) {
        out += static_cast<char>(codePoint);
    } else if (codePoint < 0x800) {
        out += static_cast<char>(0xC0 | (codePoint >> 6));
        out += static_cast<char>(0x80 | (codePoint & 0x3F));
    } else {
        out += static_cast<char>(0xE0 | (codePoint >> 12));
        out += static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (codePoint & 0x3F));
    }
}

// UTF-8 to Windows-1252; a byte that does not start a well-formed sequence becomes '?'.
std::string Utf8ToCp1252(const std::string& text) {
    std::string out;
    for (size_t i = 0; i < text.size();) {
        auto byte = static_cast<unsigned char>(text[i]);
        int extra = byte < 0x80             ? 0
                    : (byte & 0xE0) == 0xC0 ? 1
                    : (byte & 0xF0) == 0xE0 ? 2
                    : (byte & 0xF8) == 0xF0 ? 3
                                            : -1;
        unsigned codePoint = extra == 0   ? byte
                             : extra == 1 ? byte & 0x1F
                             : extra == 2 ? byte & 0x0F
                                          : byte & 0x07;
        bool wellFormed = extra >= 0 && i + extra < text.size();
        for (int k = 1; wellFormed && k <= extra; ++k) {
            auto next = static_cast<unsigned char>(text[i + k]);
            wellFormed = (next & 0xC0) == 0x80;
            codePoint = (codePoint << 6) | (next & 0x3F);
        }
        if (!wellFormed) {
            out += '?';
            ++i;
            continue;
        }
        out += ToCp1252(codePoint);
        i += extra + 1;
    }
    return out;
}

// "#EXTINF:<seconds>[ attributes],<title>". Seconds may be negative (-1: unknown, as players
// write it) or have a fraction, which is dropped.
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

}  // namespace

std::string Cp1252ToUtf8(const std::string& text) {
    std::string out;
    for (unsigned char c : text) {
        unsigned codePoint = c >= 0x80 && c < 0xA0 ? kCp1252High[c - 0x80] : c;
        AppendUtf8(codePoint ? codePoint : '?', out);
    }
    return out;
}

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
    bool pending = false;
    testbed::Entry next{"", 0};
    std::istringstream in(text);
    int lineNumber = 0;
    for (std::string raw; std::getline(in, raw);) {
        ++lineNumber;
        std::string line = Trim(utf8 ? Utf8ToCp1252(raw) : raw);
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
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        error = {0, 0, "cannot read the playlist " + path};
        return false;
    }
    std::stringstream text;
    text << in.rdbuf();
    bool utf8 = path.size() >= 5 && path.compare(path.size() - 5, 5, ".m3u8") == 0;
    if (ReadM3u(text.str(), utf8, entries, error))
        return true;
    error.message = path + ": " + error.message;
    return false;
}

}  // namespace sim
