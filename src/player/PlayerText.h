// The player's texts taken into the one encoding the plug-in keeps inside, UTF-8. Its caption
// and entry titles come wide (every character) from a Unicode player, or in the system's ANSI
// code page from an old one.
#pragma once

#include <windows.h>

// The longest caption or entry title taken from the player, in UTF-16 units with the
// terminator, and the bytes its UTF-8 may need: at most three per unit.
constexpr int kPlayerTextChars = 512;
constexpr int kPlayerTextBytes = kPlayerTextChars * 3;

// Converts length units of wide text into out (size bytes with the terminator). What does not
// fit is cut before the first character that would not fit whole, so a cut never splits one;
// an unpaired surrogate becomes U+FFFD. Returns the bytes written without the terminator.
int WideToUtf8(const WCHAR* wide, int length, char* out, int size);
// The same for length bytes in the system's ANSI code page.
int AnsiToUtf8(const char* ansi, int length, char* out, int size);
