#include "sim/ScriptSource.h"

#include <windows.h>

#include <cstdio>

#include "sim/FileText.h"

namespace sim {
namespace {

constexpr char kUtf8Mark[] = "\xEF\xBB\xBF";

// A fault at the end of the text decoded so far.
TextFault FaultAtEnd(const std::string& text, const std::string& message) {
    size_t lastLineFeed = text.rfind('\n');
    size_t lineStart = lastLineFeed == std::string::npos ? 0 : lastLineFeed + 1;
    int line = 1;
    for (char c : text)
        line += c == '\n';
    return {line, static_cast<int>(text.size() - lineStart) + 1, message};
}

// One character of one or two UTF-16 units, as UTF-8.
void AppendCharacter(const char16_t* units, int count, std::string& text) {
    char utf8[4];
    int bytes = WideCharToMultiByte(CP_UTF8, 0, units, count, utf8, sizeof utf8, nullptr, nullptr);
    text.append(utf8, static_cast<size_t>(bytes));
}

// From the mark on: each code unit of two bytes, surrogates in pairs.
bool FromUtf16(const std::string& bytes, bool bigEndian, std::string& text, TextFault& fault) {
    auto unitAt = [&](size_t i) {
        auto first = static_cast<unsigned char>(bytes[i]);
        auto second = static_cast<unsigned char>(bytes[i + 1]);
        return bigEndian ? (first << 8) | second : (second << 8) | first;
    };
    text.clear();
    for (size_t i = 2; i < bytes.size(); i += 2) {
        if (i + 1 == bytes.size()) {
            fault = FaultAtEnd(text, "not a text file (its UTF-16 ends in half a character)");
            return false;
        }
        unsigned unit = unitAt(i);
        unsigned next = i + 3 < bytes.size() ? unitAt(i + 2) : 0;
        bool pair = unit >= 0xD800 && unit <= 0xDBFF && next >= 0xDC00 && next <= 0xDFFF;
        if (!pair && unit >= 0xD800 && unit <= 0xDFFF) {
            char name[8];
            std::snprintf(name, sizeof name, "0x%04X", unit);
            fault = FaultAtEnd(text, std::string("not a text file (it holds the UTF-16 unit ") +
                                         name + " without its pair)");
            return false;
        }
        char16_t units[2] = {static_cast<char16_t>(unit), static_cast<char16_t>(next)};
        AppendCharacter(units, pair ? 2 : 1, text);
        if (pair)
            i += 2;
    }
    return true;
}

// How messages name the part, where there are several.
std::string OriginOf(const ScriptPart& part, int commandsPart, int commandsParts) {
    if (part.file)
        return part.text == "-" ? "standard input" : part.text;
    return commandsParts == 1 ? "-e" : "-e #" + std::to_string(commandsPart);
}

bool PartText(const ScriptPart& part, const std::string& origin, std::string& text,
              std::string& problem) {
    TextFault fault;
    if (part.file) {
        std::string bytes, cause;
        if (!ReadFileText(part.text, bytes, cause)) {
            problem = "cannot read the script " +
                      (part.text == "-" ? std::string("from standard input") : part.text) + ": " +
                      cause;
            return false;
        }
        if (ScriptText(bytes, text, fault))
            return true;
    } else {
        text = part.text;
        if (CheckText(text, true, fault, "text"))
            return true;
    }
    problem = Where(origin, fault.line, fault.column) + ": " + fault.message;
    return false;
}

}  // namespace

bool ScriptText(const std::string& bytes, std::string& text, TextFault& fault) {
    bool littleEndian = bytes.rfind("\xFF\xFE", 0) == 0;
    bool bigEndian = bytes.rfind("\xFE\xFF", 0) == 0;
    if (littleEndian || bigEndian) {
        if (!FromUtf16(bytes, bigEndian, text, fault))
            return false;
    } else {
        text = bytes.rfind(kUtf8Mark, 0) == 0 ? bytes.substr(3) : bytes;
    }
    return CheckText(text, true, fault);
}

bool LoadScript(const std::vector<ScriptPart>& parts, std::vector<Command>& commands,
                std::string& problem) {
    int commandsParts = 0, commandsPart = 0;
    for (const ScriptPart& part : parts)
        commandsParts += !part.file;
    commands.clear();
    for (const ScriptPart& part : parts) {
        commandsPart += !part.file;
        std::string origin = parts.size() == 1 ? "" : OriginOf(part, commandsPart, commandsParts);
        std::string text;
        if (!PartText(part, origin, text, problem))
            return false;
        // -e's commands are separated by ';' as well as by lines.
        for (Command& command : ParseScript(text, !part.file)) {
            command.origin = origin;
            commands.push_back(std::move(command));
        }
    }
    return true;
}

}  // namespace sim
