// The terrain's data files as the loader reads them, whole, short, missing
// or not files at all: the terrain log, the arrays and the textures that result.
#include <algorithm>
#include <iomanip>
#include <sstream>

#include "GlSupport.h"
#include "math/Vector3.h"
#include "terrain/CTerrainLoader.h"

namespace {

std::string Pattern(size_t count, int step) {
  std::string bytes(count, '\0');
  for (size_t n = 0; n < count; ++n) bytes[n] = (char)(n * step % 256);
  return bytes;
}
std::string Hex(const std::string& bytes) {
  std::ostringstream hex;
  for (unsigned char b : bytes) hex << std::hex << std::setw(2) << std::setfill('0') << (int)b;
  return hex.str();
}

class TerrainFiles : public AppTest {};

TEST_F(TerrainFiles, HeightsAndColoursBecomeTheTerrainArrays) {
  struct Case {
    const char* name;
    std::string heights, texels, log;
    int height1000, texelLast;
  };
  const std::string read = "Reading height file 'Scape.raw'\n", done = "Finished reading file\n",
                    text = "Reading text file 'scape.tex'\n", whole = read + done + text + done,
                    unopened = read + "Cannot open file 'Scape.raw'\n" + done + text +
                               "Cannot open file 'scape.tex'\n" + done;
  const Case kCases[] = {
      {"whole files", Pattern(36864, 7), Pattern(110592, 3), whole, 1000 * 7 % 256,
       110591 * 3 % 256},
      // A short height file gives 255 for the missing samples, a short colour file black.
      {"short files", Pattern(100, 7), Pattern(30, 3), whole, 255, 0},
      {"missing files", "missing", "missing", unopened, 0, 0},
      {"folders in their place", "dir", "dir", unopened, 0, 0},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.name);
    ScratchFolder folder("terrain");
    TestFile heights("Scape.raw", c.heights), texels("scape.tex", c.texels);
    LogFile log(StartFolderFile("MTF.txt"));
    CTerrainLoader().LoadHeightFile("Scape.raw", nullptr);
    EXPECT_EQ(log.Added(), c.log);
    EXPECT_EQ(TerrainTexels[110591], c.texelLast);
    // Sample r * 192 + c stands at (16c, 2 * height, 16r) with texture coordinates (c, r) / 192.
    const Vector3& v = TerrainVertices[1000];  // row 5, column 40
    EXPECT_TRUE(Near({v.x, v.y, v.z}, {16 * 40, 2.0 * c.height1000, 16 * 5}, 0));
    EXPECT_FLOAT_EQ(TerrainTexCoords[36863].s, 191 / 192.0f);
    EXPECT_FLOAT_EQ(TerrainTexCoords[36863].t, 191 / 192.0f);
    // Each sample is lit by the normal of the triangle it spans with its +x and
    // +z neighbours; the last column and row, drawn too, take their inner neighbour's.
    int unlit = 0;
    for (int i = 0; i < 192 * 192; ++i) {
      const int inner = std::min(i / 192, 190) * 192 + std::min(i % 192, 190);
      Vector3 n;
      TriangleNormal(TerrainVertices[inner], TerrainVertices[inner + 1],
                     TerrainVertices[inner + 192], n);
      const Vector3& got = TerrainNormals[i];
      unlit += got.x != n.x || got.y != n.y || got.z != n.z;
    }
    EXPECT_EQ(unlit, 0);
    // The colour image is mipmapped.
    GLint width = 0;
    glBindTexture(GL_TEXTURE_2D, TextureSlots[TEX_TERRAIN]);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 1, GL_TEXTURE_WIDTH, &width);
    EXPECT_GT(width, 0);
    EXPECT_TRUE(CTerrainLoader().FreeMesh());  // the next case's load makes the mesh anew
  }
}

TEST_F(TerrainFiles, RawImagesBecomeTexturesWhateverTheFile) {
  struct Case {
    const char* name;
    std::string bytes;
    int width, height, components, slot;
    std::string log;
    int texels;        // width times height of the texture made
    std::string ends;  // its first and last texel as RGBA, in hex
  };
  const std::string unopened = "Cannot open file 'image.raw'\n",
                    cannot = "Cannot load 'image.raw': ";
  const Case kCases[] = {
      {"RGBA", "\1\2\3\4\5\6\7\10", 2, 1, 4, TEX_LOGO, "", 2, "01020304 05060708"},
      {"RGB rows not whole words", Pattern(27, 1), 3, 3, 3, TEX_SKY, "", 9, "000102ff 18191aff"},
      {"short file", "\11\12\13\14\15\16", 2, 2, 3, TEX_SKY, "", 4, "090a0bff 000000ff"},
      {"missing file", "missing", 2, 2, 3, TEX_SKY, unopened, 4, "000000ff 000000ff"},
      {"a folder in its place", "dir", 2, 2, 3, TEX_SKY, unopened, 4, "000000ff 000000ff"},
      {"luminance (read as red)", "\12\24\36\50", 2, 2, 1, TEX_LOGO, "", 4, "0a0000ff 280000ff"},
      {"unsupported layout", Pattern(20, 1), 2, 2, 5, TEX_LOGO,
       cannot + "unsupported image of 2 x 2 pixels, 5 components\n", 1, "000000ff 000000ff"},
      {"no such slot", Pattern(12, 1), 2, 2, 3, 3, cannot + "no texture slot 3\n", 0, ""},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.name);
    GLuint slot = 0;
    glGenTextures(1, &slot);
    TextureSlots[c.slot % 3] = slot;
    TestFile file("image.raw", c.bytes);
    LogFile log(StartFolderFile("MTF.txt"));
    RawImage image = {};
    EXPECT_TRUE(CTerrainLoader().LoadRawTexture("image.raw", &image, c.slot, c.width, c.height,
                                                c.components));  // whatever the file
    EXPECT_EQ(log.Added(), c.log);
    glBindTexture(GL_TEXTURE_2D, slot);
    GLint width = 0, height = 0;
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &width);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT, &height);
    ASSERT_EQ(width * height, c.texels);
    if (c.texels) {
      std::string texels(c.texels * 4, '\0');
      glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, &texels[0]);
      EXPECT_EQ(Hex(texels.substr(0, 4)) + " " + Hex(texels.substr(texels.size() - 4)), c.ends);
    }
    delete[] image.pixels;
  }
}

}  // namespace
