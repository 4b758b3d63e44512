// A whole file's bytes, for tests that check what was written to disk byte for byte.
#pragma once

#include <cstdio>
#include <string>

// The file's bytes, or "<no file>" when it cannot be opened.
inline std::string ReadWholeFile(const std::string& path) {
    FILE* file = std::fopen(path.c_str(), "rb");
    if (!file)
        return "<no file>";
    std::string text;
    for (int c; (c = std::fgetc(file)) != EOF;)
        text += static_cast<char>(c);
    std::fclose(file);
    return text;
}
