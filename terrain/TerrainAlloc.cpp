#include "terrain/TerrainAlloc.h"

#include <cstdlib>

void TerrainOutOfMemory(CLog& log, const char* what) {
  log.Print("Out of memory: %s\n", what);
  exit(EXIT_FAILURE);
}
