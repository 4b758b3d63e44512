// Frames as text art: one string per row, '#' for a lit pixel (a byte above 128) and '.' for a
// dark one. Reference frames live in tests/data; a failed comparison shows both frames and the
// rows that differ.
#pragma once

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace frameart {

using Art = std::vector<std::string>;

inline Art FromPixels(const unsigned char* pixels, int width, int height, int stride) {
    Art art;
    for (int y = 0; y < height; ++y) {
        std::string row;
        for (int x = 0; x < width; ++x)
            row += pixels[y * stride + x] > 128 ? '#' : '.';
        art.push_back(row);
    }
    return art;
}

// The lines of a file, without line ends; empty when it cannot be read.
inline Art Read(const std::string& path) {
    std::ifstream in(path);
    Art art;
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        art.push_back(line);
    }
    return art;
}

inline std::string Show(const Art& art) {
    std::string text;
    for (const auto& row : art)
        text += "  " + row + "\n";
    return text;
}

inline ::testing::AssertionResult Same(const Art& expected, const Art& actual) {
    if (expected == actual)
        return ::testing::AssertionSuccess();
    std::ostringstream rows;
    for (size_t y = 0; y < std::max(expected.size(), actual.size()); ++y)
        if (y >= expected.size() || y >= actual.size() || expected[y] != actual[y])
            rows << " " << y;
    return ::testing::AssertionFailure()
           << "the frames differ in rows" << rows.str() << "\nexpected (" << expected.size()
           << " rows):\n"
           << Show(expected) << "came (" << actual.size() << " rows):\n"
           << Show(actual);
}

}  // namespace frameart
