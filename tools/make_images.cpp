// Placeholder: writes empty data files until the generator lands.
#include <cstdio>
#include <string>
int main(int argc, char** argv) {
  if (argc < 2) return 2;
  for (const char* name : {"Scape.raw", "scape.tex", "skelv.rgba", "sky.raw"}) {
    FILE* f = fopen((std::string(argv[1]) + "/" + name).c_str(), "wb");
    if (!f) return 1;
    fclose(f);
  }
  return 0;
}
