#include <gtest/gtest.h>

#include <cmath>

// The system's headers first: they pick the Win32 names before GLX pulls in GL.
#include "RenderKit.h"
#include "console/CConsole.h"
#include "GlContext.h"

namespace {

// The lit colour of the overlay's white vertices: the logo's normal is 577
// units long and normals are not normalised, so the diffuse term of the
// viewer-fixed light saturates the colour on every vertex.
const double kLitWhite = 1.0;

std::vector<uint8_t> CodedSky() {
  // Texel (row, column) = (column, row, 128): every ceiling texel says where it is.
  std::vector<uint8_t> sky(256 * 256 * 3);
  for (int row = 0; row < 256; ++row)
    for (int col = 0; col < 256; ++col) {
      uint8_t* t = &sky[(row * 256 + col) * 3];
      t[0] = (uint8_t)col;
      t[1] = (uint8_t)row;
      t[2] = 128;
    }
  return sky;
}

std::vector<uint8_t> SkyWithFirstTexel(uint8_t r, uint8_t g, uint8_t b) {
  std::vector<uint8_t> sky(256 * 256 * 3, 30);
  sky[0] = r;
  sky[1] = g;
  sky[2] = b;
  return sky;
}

class Scenery : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(gl_.ok()) << "no GLX context on DISPLAY";
    CRenderer::SetFixedState();
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  }
  void DrawSkyFrom(Vector3 eye, Vector3 target) {
    CCamera camera(eye, target, {0, 1, 0});
    LoadWorldTransform(renderer_, camera);
    renderer_.DrawSkyBox();
  }
  GlContext gl_;
  CRenderer renderer_{};
};

// A camera 300 units from the middle of each wall, looking straight at it.
struct WallView {
  const char* name;
  Vector3 eye, target;
};
const WallView kWalls[] = {{"z=3072", {1536, 256, 2772}, {1536, 256, 3072}},
                           {"x=0", {300, 256, 1536}, {0, 256, 1536}},
                           {"x=3072", {2772, 256, 1536}, {3072, 256, 1536}},
                           {"z=0", {1536, 256, 300}, {1536, 256, 0}}};

TEST_F(Scenery, WallsShowTheFirstSkyTexelTintedBeforeFog) {
  glDisable(GL_FOG);
  UploadSlot(TEX_SKY, 256, 256, 3, SkyWithFirstTexel(255, 255, 255));
  for (const WallView& wall : kWalls) {
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    DrawSkyFrom(wall.eye, wall.target);
    for (int x : {20, 320, 620}) {
      for (int y : {100, 240, 380}) {
        EXPECT_RGB_NEAR(ReadPixel(x, y), 181, 188, 215, 1) << wall.name;
      }
    }
  }
  UploadSlot(TEX_SKY, 256, 256, 3, SkyWithFirstTexel(100, 200, 50));
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  DrawSkyFrom(kWalls[0].eye, kWalls[0].target);
  EXPECT_RGB_NEAR(ReadPixel(320, 240), 100 * 181 / 255.0, 200 * 188 / 255.0, 50 * 215 / 255.0, 1);
}

TEST_F(Scenery, WallsFadeIntoWhiteFogWithEyeDistance) {
  UploadSlot(TEX_SKY, 256, 256, 3, SkyWithFirstTexel(255, 255, 255));
  DrawSkyFrom(kWalls[0].eye, kWalls[0].target);
  // 300 world units are 96 eye units; GL_EXP2 with density 0.004.
  const double f = std::exp(-std::pow(0.004 * 96, 2));
  EXPECT_RGB_NEAR(ReadPixel(320, 240), 181 * f + 255 * (1 - f), 188 * f + 255 * (1 - f),
                  215 * f + 255 * (1 - f), 2);
}

TEST_F(Scenery, CeilingFirstRowLiesAlongTheFarEdgeAndFirstColumnAtXZero) {
  glDisable(GL_FOG);
  UploadSlot(TEX_SKY, 256, 256, 3, CodedSky());
  DrawSkyFrom({150, 300, 2900}, {100, 512, 2960});  // looking up into the corner x = 0, z = 3072
  struct Texel {
    int row, col;
  };
  for (Texel t : {Texel{0, 0}, Texel{0, 3}, Texel{2, 1}, Texel{5, 5}, Texel{1, 8}}) {
    // Texel centres: 12 world units per texel, rows counted from z = 3072.
    const Projected p = Project(12.0 * t.col + 6, 512, 3072 - (12.0 * t.row + 6));
    ASSERT_TRUE(p.onScreen()) << t.row << "," << t.col;
    EXPECT_RGB_NEAR(ReadPixel((int)p.x, (int)p.y), t.col, t.row, 128, 0) << t.row << "," << t.col;
  }
}

TEST_F(Scenery, FromOutsideTheNearWallIsCulledAndTheInnerSideBeyondShows) {
  glDisable(GL_FOG);
  UploadSlot(TEX_SKY, 256, 256, 3, SkyWithFirstTexel(255, 255, 255));
  // Outside the x = 0 wall, looking through it at the inner side of the z = 0 wall.
  DrawSkyFrom({-100, 256, 1000}, {500, 256, 0});
  EXPECT_RGB_NEAR(ReadPixel(320, 240), 181, 188, 215, 1);
  const Projected inner = Project(500, 256, 0);
  const Projected outer = Project(0, 256, 1000 - 1000 / 6.0);
  EXPECT_NEAR(inner.x, 320, 1);
  EXPECT_NEAR(outer.x, 320, 1);
  EXPECT_NEAR(ReadDepth(320, 240), inner.depth, 1e-5);
  EXPECT_GT(ReadDepth(320, 240), outer.depth + 1e-4);
}

TEST_F(Scenery, SkyBoxLeavesLightingOnAndTheWallAttributesCurrent) {
  UploadSlot(TEX_SKY, 256, 256, 3, CodedSky());
  DrawSkyFrom(kWalls[0].eye, kWalls[0].target);
  EXPECT_TRUE(glIsEnabled(GL_LIGHTING));
  GLint bound = 0;
  glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
  EXPECT_EQ((GLuint)bound, TextureSlots[TEX_SKY]);
  GLfloat v[4];
  glGetFloatv(GL_CURRENT_COLOR, v);
  EXPECT_NEAR(v[0] * 255, 181, 0.01);
  EXPECT_NEAR(v[1] * 255, 188, 0.01);
  EXPECT_NEAR(v[2] * 255, 215, 0.01);
  glGetFloatv(GL_CURRENT_NORMAL, v);
  EXPECT_FLOAT_EQ(v[0], 1536);
  EXPECT_FLOAT_EQ(v[1], 256);
  EXPECT_FLOAT_EQ(v[2], 1);
  glGetFloatv(GL_CURRENT_TEXTURE_COORDS, v);
  EXPECT_EQ(v[0], 0.0f);
  EXPECT_EQ(v[1], 0.0f);
  EXPECT_EQ(glGetError(), (GLenum)GL_NO_ERROR);
}

class Logo : public Scenery {
 protected:
  // Texel (row, column) of the logo shows at window pixel (512 + column, 63 - row).
  static void SetTexel(std::vector<uint8_t>& logo, int row, int col, int r, int g, int b, int a) {
    uint8_t* t = &logo[(row * 128 + col) * 4];
    t[0] = (uint8_t)r;
    t[1] = (uint8_t)g;
    t[2] = (uint8_t)b;
    t[3] = (uint8_t)a;
  }
  void SetUp() override {
    Scenery::SetUp();
    std::vector<uint8_t> logo(128 * 64 * 4);
    for (int row = 0; row < 64; ++row)
      for (int col = 0; col < 128; ++col) SetTexel(logo, row, col, 255, 0, 0, 255);
    SetTexel(logo, 0, 1, 100, 60, 20, 0);
    SetTexel(logo, 63, 127, 20, 40, 60, 0);
    SetTexel(logo, 10, 64, 200, 200, 200, 128);
    UploadSlot(TEX_LOGO, 128, 64, 4, logo);
    glClearColor(50 / 255.0f, 50 / 255.0f, 50 / 255.0f, 1);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  }
};

TEST_F(Logo, OpaqueTexelsKeepThePictureAndClearOnesAddTheirLitColour) {
  renderer_.DrawLogo();
  EXPECT_RGB_NEAR(ReadPixel(512, 63), 50, 50, 50, 0);  // first texel, alpha 255
  EXPECT_RGB_NEAR(ReadPixel(600, 20), 50, 50, 50, 0);  // alpha 255
  EXPECT_RGB_NEAR(ReadPixel(513, 63), 50 + 100 * kLitWhite, 50 + 60 * kLitWhite,
                  50 + 20 * kLitWhite, 1);  // alpha 0: added in full
  EXPECT_RGB_NEAR(ReadPixel(639, 0), 50 + 20 * kLitWhite, 50 + 40 * kLitWhite, 50 + 60 * kLitWhite,
                  1);
  const double half = 1 - 128 / 255.0;  // alpha 128: weighted by 1 - alpha
  EXPECT_RGB_NEAR(ReadPixel(576, 53), 50 + 200 * kLitWhite * half, 50 + 200 * kLitWhite * half,
                  50 + 200 * kLitWhite * half, 1);
  EXPECT_RGB_NEAR(ReadPixel(511, 63), 50, 50, 50, 0);  // outside the quad
  EXPECT_RGB_NEAR(ReadPixel(513, 64), 50, 50, 50, 0);
}

TEST_F(Logo, AddsOnTopOfTheTerrainWhateverItsDepth) {
  // Something drawn close to the viewer first: the overlay lies at depth 0.5.
  glClearDepth(0.6);
  glClear(GL_DEPTH_BUFFER_BIT);
  glClearDepth(1.0);
  renderer_.DrawLogo();
  EXPECT_RGB_NEAR(ReadPixel(513, 63), 50 + 100 * kLitWhite, 50 + 60 * kLitWhite,
                  50 + 20 * kLitWhite, 1);
  EXPECT_NEAR(ReadDepth(513, 63), 0.5, 1e-3);
}

TEST_F(Logo, ConsolePanelIsDrawnInTheOverlayStateTheLogoLeaves) {
  renderer_.DrawLogo();
  GLint value = 0;
  glGetIntegerv(GL_BLEND_SRC, &value);
  EXPECT_EQ(value, GL_ONE_MINUS_SRC_ALPHA);
  glGetIntegerv(GL_BLEND_DST, &value);
  EXPECT_EQ(value, GL_ONE);
  glGetIntegerv(GL_TEXTURE_BINDING_2D, &value);
  EXPECT_EQ((GLuint)value, TextureSlots[TEX_LOGO]);
  GLfloat p[16];
  glGetFloatv(GL_PROJECTION_MATRIX, p);
  EXPECT_FLOAT_EQ(p[0], 2.0f / 640);
  EXPECT_FLOAT_EQ(p[5], 2.0f / 480);
  EXPECT_FLOAT_EQ(p[10], 1.0f);  // near 1, far -1
  EXPECT_FLOAT_EQ(p[12], -1.0f);
  EXPECT_FLOAT_EQ(p[13], -1.0f);

  // The half-transparent blue panel adds half of its lit blue.
  Console.DrawConsolePanel();
  EXPECT_RGB_NEAR(ReadPixel(320, 240), 50, 50, 50 + 255 * kLitWhite * 0.5, 1);
  EXPECT_RGB_NEAR(ReadPixel(320, 79), 50, 50, 50, 0);
  EXPECT_RGB_NEAR(ReadPixel(320, 400), 50, 50, 50, 0);
}

// Not a check: a picture of the scenery from the start pose, for looking at.
TEST_F(Scenery, ScreenshotFromTheStartPose) {
  std::vector<uint8_t> sky(256 * 256 * 3);
  for (int row = 0; row < 256; ++row)
    for (int col = 0; col < 256; ++col) {
      uint8_t* t = &sky[(row * 256 + col) * 3];
      const bool check = ((row / 32) + (col / 32)) % 2;
      t[0] = (uint8_t)(check ? 90 : 160);
      t[1] = (uint8_t)(120 + col / 4);
      t[2] = (uint8_t)(200 + row / 8);
    }
  UploadSlot(TEX_SKY, 256, 256, 3, sky);
  std::vector<uint8_t> logo(128 * 64 * 4);
  for (int i = 0; i < 128 * 64; ++i) {
    const int row = i / 128, col = i % 128;
    const bool letter = (row > 16 && row < 48) && ((col / 8) % 2);
    logo[i * 4 + 0] = 200;
    logo[i * 4 + 1] = 60;
    logo[i * 4 + 2] = 20;
    logo[i * 4 + 3] = letter ? 0 : 255;
  }
  UploadSlot(TEX_LOGO, 128, 64, 4, logo);
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  DrawSkyFrom({128, 368, 128}, {585, 420, 400});
  renderer_.DrawLogo();
  SaveScreenshot("scenery.ppm");
}

}  // namespace
