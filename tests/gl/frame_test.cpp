#include <gtest/gtest.h>

#include <unistd.h>

#include <string>
#include <vector>

// The system's headers first: they pick the Win32 names before GLX pulls in GL.
#include "RenderKit.h"
#include "terrain/CQuadNode.h"
#include "GlContext.h"

namespace {

// One frame of the demo from its start pose with the shipped data files, on a
// test context instead of the window's: the frame's steps in the frame's order.
class Frame : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(gl_.ok()) << "no GLX context on DISPLAY";
    CRenderer::SetFixedState();
    renderer_.SetPerspective(640, 480);
    // The data files live next to the program; the logs stay where they were opened.
    char here[4096];
    ASSERT_TRUE(getcwd(here, sizeof here));
    ASSERT_EQ(chdir(SKELV_BUILD_DIR), 0);
    CTerrainLoader().LoadHeightFile("Scape.raw", &root_);
    TerrainLoader.LoadRawTexture("skelv.rgba", &LogoImage, TEX_LOGO, 128, 64, 4);
    TerrainLoader.LoadRawTexture("sky.raw", &SkyImage, TEX_SKY, 256, 256, 3);
    ASSERT_EQ(chdir(here), 0);
    WarpPointer(kMouseCentreX, kMouseCentreY);
  }
  void TearDown() override { CTerrainLoader().FreeMesh(); }

  // The frame from the start pose, with some of its pieces left out.
  std::vector<uint8_t> Draw(bool sky, bool terrain, bool logo) {
    GlobalCamera = CCamera({128, 368, 128}, {585, 420, 400}, {0, 1, 0});
    renderer_.BeginFrame();
    if (sky) renderer_.DrawSkyBox();
    if (terrain) root_.Render(renderer_.frustum);
    if (logo) renderer_.DrawLogo();
    std::vector<uint8_t> pixels(640 * 480 * 3);
    glFinish();
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, 640, 480, GL_RGB, GL_UNSIGNED_BYTE, pixels.data());
    glDisable(GL_BLEND);
    return pixels;
  }

  // Pixels that differ, counted inside and outside the logo's corner.
  struct Difference {
    int inLogo = 0, elsewhere = 0;
  };
  static Difference Compare(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b) {
    Difference d;
    for (int i = 0; i < 640 * 480; ++i) {
      if (a[i * 3] == b[i * 3] && a[i * 3 + 1] == b[i * 3 + 1] && a[i * 3 + 2] == b[i * 3 + 2])
        continue;
      const int x = i % 640, y = i / 640;
      (x >= 512 && y < 64 ? d.inLogo : d.elsewhere)++;
    }
    return d;
  }

  GlContext gl_;
  CRenderer renderer_{};
  CQuadNode root_{1, 6};
};

TEST_F(Frame, FirstFrameShowsSkyTerrainAndLogo) {
  const std::vector<uint8_t> full = Draw(true, true, true);
  SaveScreenshot("first_frame.ppm");
  const Difference noSky = Compare(full, Draw(false, true, true));
  const Difference noTerrain = Compare(full, Draw(true, false, true));
  const Difference noLogo = Compare(full, Draw(true, true, false));
  EXPECT_GT(noSky.elsewhere, 640 * 480 / 20) << "the sky box shows";
  EXPECT_GT(noTerrain.elsewhere, 640 * 480 / 20) << "the terrain shows";
  EXPECT_GT(noLogo.inLogo, 128 * 64 / 10) << "the logo shows";
  EXPECT_EQ(noLogo.elsewhere, 0) << "the logo stays in its corner";
}

}  // namespace
