#include "terrain/TerrainFiles.h"

#include <cstdio>
#include <cstring>

#include "base/Files.h"
#include "terrain/CTerrainLoader.h"

void ReadByteSamples(const char* path, uint8_t* samples, size_t count) {
  FILE* file = OpenRegularFile(path, FILE_READ_BINARY);
  if (!file) {
    TerrainLog.Print("Cannot open file '%s'\n", path);
    memset(samples, 0, count);
    return;
  }
  for (size_t n = 0; n < count; ++n) {
    const int value = fgetc(file);
    // End of file is not an error here: it is what a short file delivers.
    if (value == EOF && ferror(file)) {
      TerrainLog.Print("Cannot read file '%s'\n", path);
      memset(samples + n, 0, count - n);
      break;
    }
    samples[n] = (uint8_t)value;
  }
  fclose(file);
}

size_t ReadBlock(const char* path, uint8_t* buffer, size_t itemBytes, size_t items) {
  size_t itemsRead = 0;
  FILE* file = OpenRegularFile(path, FILE_READ_BINARY);
  if (!file) {
    TerrainLog.Print("Cannot open file '%s'\n", path);
  } else {
    itemsRead = fread(buffer, itemBytes, items, file);
    if (ferror(file)) TerrainLog.Print("Cannot read file '%s'\n", path);
    fclose(file);
  }
  // fread may have stored part of the element it could not finish; clear that too.
  memset(buffer + itemsRead * itemBytes, 0, (items - itemsRead) * itemBytes);
  return itemsRead;
}
