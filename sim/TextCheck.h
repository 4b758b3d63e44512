// What counts as text in the files and arguments velm-sim reads: no control character but tab,
// carriage return and line feed, and, where the text must be UTF-8, only well-formed UTF-8. A
// file that fails is some other kind of file, and the fault names the first byte that shows it.
#pragma once

#include <string>
#include <string_view>

namespace sim {

struct TextFault {
    int line = 0;
    int column = 0;  // in bytes from the start of the line, from 1
    std::string message;
};

// False, with the place of the first offending byte, when the text is not text; with utf8,
// also at the first byte that is not part of well-formed UTF-8. The message says "not <what>
// (it holds the byte 0x00)".
bool CheckText(const std::string& text, bool utf8, TextFault& fault,
               const std::string& what = "a text file");

// The length of the well-formed UTF-8 sequence at text[at], or 0 when there is none (a stray
// continuation byte, a cut or overlong sequence, a surrogate, a code point above U+10FFFF).
size_t Utf8SequenceLength(std::string_view text, size_t at);

}  // namespace sim
