#include "cp1252.h"

namespace cp1252 {
namespace {

// Bytes 128 to 159; 0 where the byte is unassigned.
const uint16_t kHighControls[32] = {0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0,      0x017D, 0,
                                    0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

}  // namespace

uint16_t ToUnicode(unsigned char byte) {
  if (byte < 0x80 || byte >= 0xA0) return byte;
  uint16_t character = kHighControls[byte - 0x80];
  return character ? character : byte;
}

int FromUnicode(uint32_t character) {
  if (character < 0x80 || (character >= 0xA0 && character <= 0xFF)) return (int)character;
  for (int i = 0; i < 32; ++i) {
    if (ToUnicode((unsigned char)(0x80 + i)) == character) return 0x80 + i;
  }
  return -1;
}

int FromUtf8(const char* text, int length, char* out, int capacity) {
  int written = 0;
  for (int i = 0; i < length;) {
    unsigned char lead = (unsigned char)text[i];
    int extra = lead < 0x80 ? 0 : lead >= 0xF0 ? 3 : lead >= 0xE0 ? 2 : lead >= 0xC0 ? 1 : -1;
    uint32_t character = extra > 0 ? lead & (0x3F >> extra) : lead;
    bool whole = extra >= 0 && i + extra < length;
    for (int k = 1; whole && k <= extra; ++k) {
      unsigned char next = (unsigned char)text[i + k];
      whole = (next & 0xC0) == 0x80;
      character = character << 6 | (next & 0x3F);
    }
    i += whole ? extra + 1 : 1;  // a broken sequence is skipped byte by byte
    int byte = whole ? FromUnicode(character) : -1;
    if (byte >= 0 && written < capacity) out[written++] = (char)byte;
  }
  return written;
}

}  // namespace cp1252
