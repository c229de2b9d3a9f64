// Windows-1252, the ANSI code page of a Western Windows, which the program
// has on Linux too: both targets then mean the same bytes by its characters.
#pragma once

#include <cstdint>

namespace cp1252 {

// The character a byte stands for; the five bytes the code page leaves
// unassigned stand for the C1 controls of the same number, as on Windows.
uint16_t ToUnicode(unsigned char byte);
// The byte of a character; -1 when the code page lacks it.
int FromUnicode(uint32_t character);
// UTF-8 text in the code page, characters it lacks left out; returns how many
// bytes were written (at most capacity).
int FromUtf8(const char* text, int length, char* out, int capacity);

}  // namespace cp1252
