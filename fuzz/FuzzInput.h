// Reading a fuzzer's bytes as a sequence of small choices, and failing loudly: a broken
// property aborts, which both libFuzzer and the corpus replay report with the input.
#pragma once

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace fuzz {

class Input {
public:
    Input(const uint8_t* data, size_t size) : data_(data), size_(size) {}

    bool Empty() const { return pos_ >= size_; }
    // The next byte, 0 once the input is used up.
    uint8_t Byte() { return pos_ < size_ ? data_[pos_++] : 0; }
    // A number from 0 to count - 1.
    int Pick(int count) { return count > 0 ? Byte() % count : 0; }
    int Range(int low, int high) {
        int span = high - low + 1;
        // Two statements: the order of the reads must not be left to the compiler.
        int value = Byte() << 8;
        value |= Byte();
        return low + value % span;
    }
    int32_t Int() {
        uint32_t value = 0;
        for (int i = 0; i < 4; ++i)
            value = (value << 8) | Byte();
        return static_cast<int32_t>(value);
    }
    // Up to maxLength bytes, as they come.
    std::string Text(size_t maxLength) {
        size_t length = Byte() % (maxLength + 1);
        std::string text;
        while (text.size() < length && !Empty())
            text += static_cast<char>(Byte());
        return text;
    }

private:
    const uint8_t* data_;
    size_t size_;
    size_t pos_ = 0;
};

[[noreturn]] inline void Broken(const std::string& what) {
    std::fprintf(stderr, "fuzz: %s\n", what.c_str());
    std::abort();
}

inline void Expect(bool held, const std::string& what) {
    if (!held)
        Broken(what);
}

}  // namespace fuzz
