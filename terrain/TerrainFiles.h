// Reading the headerless data files of the terrain module. Every failure is
// one line in the terrain log, and the caller always gets a fully defined buffer.
#pragma once

#include <cstddef>
#include <cstdint>

// Reads count bytes one at a time. A short file leaves 255 in every missing
// byte (the end-of-file result cut to 8 bits); a file that cannot be opened or
// read is logged, and the bytes it did not deliver are 0. Anything but a
// regular file counts as a file that cannot be opened.
void ReadByteSamples(const char* path, uint8_t* samples, size_t count);

// Reads up to items elements of itemBytes bytes with one block read and returns
// how many were read. Every element not read in full is zero-filled; a file that
// cannot be opened or read is logged.
size_t ReadBlock(const char* path, uint8_t* buffer, size_t itemBytes, size_t items);
