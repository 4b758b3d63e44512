// The player's text is 8-bit Windows-1252, the code page of a western Windows; around it the
// simulator meets UTF-8: in playlists written as UTF-8, in the log and on the terminal.
#pragma once

#include <string>

namespace sim {

// The code point of a Windows-1252 byte; 0 for the five bytes the code page leaves undefined.
unsigned Cp1252CodePoint(unsigned char byte);

void AppendUtf8(unsigned codePoint, std::string& out);

// UTF-8 to Windows-1252: '?' for what the code page cannot hold and for each byte that does not
// start a well-formed sequence.
std::string Utf8ToCp1252(const std::string& text);

// Windows-1252 to UTF-8, '?' for the undefined bytes.
std::string Cp1252ToUtf8(const std::string& text);

}  // namespace sim
