// Placeholder: writes an empty file until the generator lands.
#include <cstdio>
int main(int argc, char** argv) {
  if (argc < 2) return 2;
  FILE* f = fopen(argv[1], "wb");
  if (!f) return 1;
  fclose(f);
  return 0;
}
