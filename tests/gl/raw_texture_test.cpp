// Raw images uploaded into their texture slots, read back from OpenGL.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "../unit/LogFile.h"
#include "TerrainTestFiles.h"
#include "terrain/CTerrainLoader.h"
#include "GlContext.h"

namespace {

class RawTexture : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(gl.ok()) << "no GL context on DISPLAY";
    // Loading the height file creates the slot names; these tests need only those.
    glGenTextures(3, TextureSlots);
  }
  void TearDown() override { delete[] image.pixels; }

  void Load(const char* path, int32_t slot, int32_t width, int32_t height, int32_t components) {
    CTerrainLoader().LoadRawTexture(path, &image, slot, width, height, components);
  }

  // Level 0 of the bound texture, tightly packed.
  std::vector<unsigned char> ReadBack(GLenum format, size_t bytes) {
    std::vector<unsigned char> pixels(bytes);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glGetTexImage(GL_TEXTURE_2D, 0, format, GL_UNSIGNED_BYTE, pixels.data());
    return pixels;
  }

  GlContext gl;
  LogFile log{"MTF.txt"};
  RawImage image = {};
};

GLint Bound() {
  GLint name = 0;
  glGetIntegerv(GL_TEXTURE_BINDING_2D, &name);
  return name;
}

GLint LevelParameter(GLint level, GLenum name) {
  GLint value = 0;
  glGetTexLevelParameteriv(GL_TEXTURE_2D, level, name, &value);
  return value;
}

GLint TexParameter(GLenum name) {
  GLint value = 0;
  glGetTexParameteriv(GL_TEXTURE_2D, name, &value);
  return value;
}

TEST_F(RawTexture, LogoIsUploadedAsRgbaWithNearestFilteringAndNoMipmaps) {
  const std::vector<unsigned char> bytes = PatternBytes(32768, 7, 1);
  TestFile file("logo.rgba", bytes);
  Load("logo.rgba", TEX_LOGO, 128, 64, 4);

  EXPECT_EQ(image.width, 128);
  EXPECT_EQ(image.height, 64);
  ASSERT_NE(image.pixels, nullptr);
  EXPECT_EQ(std::vector<unsigned char>(image.pixels, image.pixels + 32768), bytes);
  EXPECT_EQ((GLuint)Bound(), TextureSlots[TEX_LOGO]);
  EXPECT_EQ(LevelParameter(0, GL_TEXTURE_WIDTH), 128);
  EXPECT_EQ(LevelParameter(0, GL_TEXTURE_HEIGHT), 64);
  EXPECT_GT(LevelParameter(0, GL_TEXTURE_ALPHA_SIZE), 0);
  EXPECT_EQ(LevelParameter(1, GL_TEXTURE_WIDTH), 0);
  EXPECT_EQ(TexParameter(GL_TEXTURE_MAG_FILTER), GL_NEAREST);
  EXPECT_EQ(TexParameter(GL_TEXTURE_MIN_FILTER), GL_NEAREST);
  EXPECT_EQ(ReadBack(GL_RGBA, 32768), bytes);
  EXPECT_EQ(log.Added(), "");
}

TEST_F(RawTexture, SkyIsUploadedAsRgbFirstRowFirst) {
  const std::vector<unsigned char> bytes = PatternBytes(196608, 3, 2);
  TestFile file("sky test.raw", bytes);
  Load("sky test.raw", TEX_SKY, 256, 256, 3);
  EXPECT_EQ((GLuint)Bound(), TextureSlots[TEX_SKY]);
  EXPECT_EQ(LevelParameter(0, GL_TEXTURE_WIDTH), 256);
  EXPECT_EQ(LevelParameter(0, GL_TEXTURE_ALPHA_SIZE), 0);
  EXPECT_EQ(ReadBack(GL_RGB, 196608), bytes);
  EXPECT_EQ(log.Added(), "");
}

TEST_F(RawTexture, ShortFileLeavesTheUnreadPixelsZero) {
  TestFile file("short.rgba", std::vector<unsigned char>(1001, 0xAB));
  Load("short.rgba", TEX_LOGO, 128, 64, 4);
  // 250 whole pixels were read; the one byte of pixel 250 is cleared with the rest.
  std::vector<unsigned char> expected(32768, 0);
  std::fill(expected.begin(), expected.begin() + 1000, 0xAB);
  EXPECT_EQ(std::vector<unsigned char>(image.pixels, image.pixels + 32768), expected);
  EXPECT_EQ(ReadBack(GL_RGBA, 32768), expected);
  EXPECT_EQ(log.Added(), "");
}

TEST_F(RawTexture, MissingFileIsLoggedAndStillFillsTheSlot) {
  TestFile file = TestFile::Missing("absent.raw");
  Load("absent.raw", TEX_SKY, 256, 256, 3);
  EXPECT_EQ(log.Added(), "Cannot open file 'absent.raw'\n");
  EXPECT_EQ(LevelParameter(0, GL_TEXTURE_WIDTH), 256);
  EXPECT_EQ(ReadBack(GL_RGB, 196608), std::vector<unsigned char>(196608, 0));
}

TEST_F(RawTexture, UnreadableFileIsLoggedAndReadAsZero) {
  TestFile file = TestFile::Unreadable("folder.raw");
  Load("folder.raw", TEX_LOGO, 128, 64, 4);
  EXPECT_EQ(log.Added(), "Cannot open file 'folder.raw'\n");
  EXPECT_EQ(ReadBack(GL_RGBA, 32768), std::vector<unsigned char>(32768, 0));
}

TEST_F(RawTexture, OneAndTwoComponentsAreLuminanceAndLuminanceAlpha) {
  const std::vector<unsigned char> bytes = PatternBytes(16 * 8 * 2, 5, 0);
  TestFile file("grey.raw", bytes);
  Load("grey.raw", TEX_LOGO, 16, 8, 2);
  EXPECT_GT(LevelParameter(0, GL_TEXTURE_LUMINANCE_SIZE), 0);
  EXPECT_GT(LevelParameter(0, GL_TEXTURE_ALPHA_SIZE), 0);
  EXPECT_EQ(ReadBack(GL_LUMINANCE_ALPHA, bytes.size()), bytes);

  RawImage single = {};
  CTerrainLoader().LoadRawTexture("grey.raw", &single, TEX_SKY, 16, 8, 1);
  EXPECT_GT(LevelParameter(0, GL_TEXTURE_LUMINANCE_SIZE), 0);
  EXPECT_EQ(LevelParameter(0, GL_TEXTURE_ALPHA_SIZE), 0);
  EXPECT_EQ(ReadBack(GL_LUMINANCE, 128),
            std::vector<unsigned char>(bytes.begin(), bytes.begin() + 128));
  delete[] single.pixels;
  EXPECT_EQ(log.Added(), "");
}

TEST_F(RawTexture, UnsupportedLayoutGivesOneBlackTexelAndALogLine) {
  TestFile file("odd.raw", PatternBytes(40000, 1, 0));
  Load("odd.raw", TEX_LOGO, 128, 64, 5);
  EXPECT_EQ(log.Added(),
            "Cannot load 'odd.raw': unsupported image of 128 x 64 pixels, 5 components\n");
  EXPECT_EQ(image.width, 1);
  EXPECT_EQ(image.height, 1);
  EXPECT_EQ((GLuint)Bound(), TextureSlots[TEX_LOGO]);
  EXPECT_EQ(LevelParameter(0, GL_TEXTURE_WIDTH), 1);
  EXPECT_EQ(ReadBack(GL_RGB, 3), std::vector<unsigned char>(3, 0));

  RawImage negative = {};
  CTerrainLoader().LoadRawTexture("odd.raw", &negative, TEX_SKY, -4, 64, 3);
  EXPECT_EQ(negative.width, 1);
  delete[] negative.pixels;
  EXPECT_EQ(log.Added(),
            "Cannot load 'odd.raw': unsupported image of 128 x 64 pixels, 5 components\n"
            "Cannot load 'odd.raw': unsupported image of -4 x 64 pixels, 3 components\n");
}

TEST_F(RawTexture, RowsThatAreNotWholeWordsAreReadTightlyPacked) {
  const std::vector<unsigned char> bytes = PatternBytes(5 * 3 * 3, 11, 4);
  TestFile file("narrow.raw", bytes);
  Load("narrow.raw", TEX_SKY, 5, 3, 3);
  EXPECT_EQ(ReadBack(GL_RGB, bytes.size()), bytes);
  GLint alignment = 0;
  glGetIntegerv(GL_UNPACK_ALIGNMENT, &alignment);
  EXPECT_EQ(alignment, 4) << "the upload leaves the unpack alignment as it was";
}

TEST_F(RawTexture, SlotOutsideTheTableIsLoggedAndNothingIsLoaded) {
  TestFile file("logo.rgba", PatternBytes(32768, 7, 1));
  glBindTexture(GL_TEXTURE_2D, 0);
  Load("logo.rgba", 3, 128, 64, 4);
  EXPECT_EQ(log.Added(), "Cannot load 'logo.rgba': no texture slot 3\n");
  EXPECT_EQ(Bound(), 0);
  EXPECT_EQ(image.pixels, nullptr);
}

}  // namespace
