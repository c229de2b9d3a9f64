// Writes the four raw images of the demo into the folder given as the first
// argument: "Scape.raw", "scape.tex", "skelv.rgba" and "sky.raw". The output
// is the same on every run.
#include <cstdio>
#include <string>

#include "Images.h"

namespace {

bool WriteFile(const std::string& path, const Bytes& bytes) {
  FILE* file = fopen(path.c_str(), "wb");
  if (!file) {
    fprintf(stderr, "make_images: cannot create %s\n", path.c_str());
    return false;
  }
  const bool ok = fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
  if (fclose(file) != 0 || !ok) {
    fprintf(stderr, "make_images: cannot write %s\n", path.c_str());
    return false;
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    fprintf(stderr, "usage: make_images <output folder>\n");
    return 2;
  }
  const std::string folder = std::string(argv[1]) + "/";
  const Bytes heights = MakeHeights();
  const Bytes texels = MakeTerrainTexture(heights);
  const Bytes logo = MakeLogo();
  const Bytes sky = MakeSky();

  bool ok = WriteFile(folder + "Scape.raw", heights) && WriteFile(folder + "scape.tex", texels) &&
            WriteFile(folder + "skelv.rgba", logo) && WriteFile(folder + "sky.raw", sky);
  return ok ? 0 : 1;
}
