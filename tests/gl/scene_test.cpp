// The scene as the program draws it on its own window, from the files Init
// loads: the sky box under fog, the logo's blending, the quadtree's culling,
// the frame's order, the camera's flight and the driver log.
#include <cmath>
#include <vector>

#include "GlSupport.h"
#include "console/CConsole.h"
#include "platform/PixelFormat.h"

namespace {

// The fog factor of a point: GL_EXP2 with density 0.004 over its eye depth.
double Fog(const Vector3& p) {
  double m[16];
  glGetDoublev(GL_MODELVIEW_MATRIX, m);
  const double depth = std::fabs(m[2] * p.x + m[6] * p.y + m[10] * p.z + m[14]);
  return std::exp(-std::pow(0.004 * depth, 2));
}
Rgb Fogged(Rgb c, double f) {
  return {c.r * f + 255 * (1 - f), c.g * f + 255 * (1 - f), c.b * f + 255 * (1 - f)};
}

class Scene : public AppTest {};

// Looking at the middle of each wall, 450 high, from 300 units in front of it:
// the lower part of the picture shows the wall, the top the ceiling.
TEST_F(Scene, WallsShowTheFirstSkyTexelTintedAndFoggedUnderTheCeiling) {
  const Vector3 kWalls[] = {{1536, 450, 3072}, {0, 450, 1536}, {3072, 450, 1536}, {1536, 450, 0}};
  for (const Vector3& mid : kWalls) {
    SCOPED_TRACE(mid.x + mid.z * 10000);
    // 300 units towards the middle of the box, 1,536 units from each wall
    const float towards = 300 / 1536.0f;
    BeginFrameAt({mid.x + (1536 - mid.x) * towards, 450, mid.z + (1536 - mid.z) * towards}, mid);
    Renderer().DrawSkyBox();
    // The sky's first texel (0, 0, 128) times the wall colour (181, 188, 215) / 255.
    const Rgb wall = Fogged({0, 0, 128 * 215 / 255.0}, Fog(mid));
    for (int x : {20, 320, 610}) EXPECT_TRUE(Near(ReadPixel(x, 100), wall, 1.5)) << x;
    float depth = 1;
    glReadPixels(320, 100, 1, 1, GL_DEPTH_COMPONENT, GL_FLOAT, &depth);
    EXPECT_LT(depth, 1.0f) << "the walls are depth-tested";
    EXPECT_FALSE(Near(ReadPixel(320, 440), wall, 20)) << "the ceiling is above";
  }
}

// Looking up into the corner x = 0, z = 3072: each ceiling texel is 12 units
// square, the image's first row along z = 3072 and its first column at x = 0.
// (Without fog: the ceiling reaches behind the eye, where fog is approximate.)
TEST_F(Scene, CeilingShowsTheSkyImage) {
  BeginFrameAt({150, 300, 2900}, {100, 512, 2960});
  glDisable(GL_FOG);
  Renderer().DrawSkyBox();
  glEnable(GL_FOG);
  double modelview[16], projection[16];
  GLint viewport[4];
  glGetDoublev(GL_MODELVIEW_MATRIX, modelview);
  glGetDoublev(GL_PROJECTION_MATRIX, projection);
  glGetIntegerv(GL_VIEWPORT, viewport);
  for (int row : {0, 2, 5}) {
    for (int col : {0, 1, 3, 8}) {
      const double x = 12.0 * col + 6, z = 3072 - (12.0 * row + 6);
      double px, py, pz;
      gluProject(x, 512, z, modelview, projection, viewport, &px, &py, &pz);
      ASSERT_TRUE(px >= 0 && px < SKELV_CLIENT_WIDTH && py >= 0 && py < SKELV_CLIENT_HEIGHT)
          << row << "," << col;
      EXPECT_TRUE(Near(ReadPixel((int)px, (int)py), Rgb{(double)col, (double)row, 128}, 0))
          << row << "," << col;
    }
  }
}

// Over a known picture the logo adds the colour of its clear texels and leaves
// the picture alone under its opaque ones, evenly lit across the corner.
TEST_F(Scene, LogoAddsItsClearTexelsInTheLowerRightCorner) {
  glClearColor(40 / 255.0f, 40 / 255.0f, 40 / 255.0f, 1);
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  Renderer().DrawLogo();
  for (int y : {2, 61}) {
    for (int x : {512, 513, 570, 571, 630, 631}) {
      // the image's first row along the top edge, row 63 along the bottom
      const Rgb want = x % 2 ? Rgb{40, 40, 40} : Rgb{100, 130, 40 + 2 * (63.0 - y)};
      EXPECT_TRUE(Near(ReadPixel(x, y), want, 1)) << x << "," << y;
    }
  }
  EXPECT_TRUE(Near(ReadPixel(500, 30), {40, 40, 40}, 0)) << "outside the corner";
  glClearColor(1, 1, 1, 1);
  glDisable(GL_BLEND);
}

// The whole terrain without the tree: one strip per pair of rows, over every
// column, as the leaves' strips together make it.
void DrawWholeGrid() {
  glBindTexture(GL_TEXTURE_2D, TextureSlots[TEX_TERRAIN]);
  glColor3ub(255, 255, 255);
  std::vector<uint32_t> strip(2 * kGridSize);
  for (uint32_t z = 0; z + 1 < kGridSize; ++z) {
    for (uint32_t x = 0; x < kGridSize; ++x)
      strip[2 * x] = z * kGridSize + x, strip[2 * x + 1] = (z + 1) * kGridSize + x;
    glDrawElements(GL_TRIANGLE_STRIP, 2 * kGridSize, GL_UNSIGNED_INT, strip.data());
  }
}

// Culling leaves out only what cannot be seen: from poses along the flight
// and from any point and heading the camera can reach by steering (eye height
// 368, target within 10 of it), the quadtree's walk draws the very picture a
// draw of the whole grid draws, hills rising in front of the camera included.
TEST_F(Scene, QuadtreeDrawsWhatTheWholeGridDraws) {
  std::vector<std::pair<Vector3, Vector3>> poses = {
      {{128, 368, 128}, {585, 420, 400}},  // the start of the flight
      {{968, 368, 628}, {1425, 420, 900}},
      {{1956, 368, 1216}, {2413, 378, 1488}}};
  for (float x : {500.0f, 1500.0f, 2500.0f})
    for (float z : {700.0f, 2300.0f})
      for (int heading = 0; heading < 8; ++heading)
        for (float dy : {-10.0f, 10.0f})
          poses.push_back({{x, 368, z},
                           {x + 500 * std::cos(heading * 0.785f), 368 + dy,
                            z + 500 * std::sin(heading * 0.785f)}});
  for (const auto& [eye, target] : poses) {
    SCOPED_TRACE(::testing::Message() << eye.x << "," << eye.z << " to " << target.x << ","
                                      << target.y << "," << target.z);
    BeginFrameAt(eye, target);
    glColor3ub(0, 0, 0);  // the leaves draw in white whatever came before
    App().system->root->Render(Renderer().frustum);
    const std::string culled = ReadFrame();
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    DrawWholeGrid();
    EXPECT_EQ(DifferentPixels(culled, ReadFrame()), 0);
  }
}

// A frame shows the sky box, the terrain, the logo and, while the console is
// on, its panel, each drawn over the one before; and the next frame starts
// afresh, whatever state the overlays left.
TEST_F(Scene, FrameDrawsItsStepsInOrder) {
  for (uint8_t console : {0, 1}) {
    SCOPED_TRACE(console);
    Console.active = console;
    for (int frame = 0; frame < 2; ++frame) {
      SetCursorPos(kMouseCentreX, kMouseCentreY);
      GlobalCamera = CCamera({128, 368, 128}, {585, 420, 400}, {0, 1, 0});
      App().Frame();
    }
    // NOTE: Mesa keeps the back buffer's content through a swap.
    const std::string framed = ReadFrame();
    glDisable(GL_BLEND);
    BeginFrameAt({128, 368, 128}, {585, 420, 400});
    Renderer().DrawSkyBox();
    App().system->root->Render(Renderer().frustum);
    Renderer().DrawLogo();
    if (console) Console.DrawConsolePanel();
    EXPECT_LE(DifferentPixels(framed, ReadFrame()), 20);
    glDisable(GL_BLEND);
  }
  Console.active = 0;
}

// Each frame flies the camera 0.002 of its view offset and steers it by the
// real pointer's offset from the centre, where it puts the pointer back; the
// first steering brings the target's height into the pitch band.
TEST_F(Scene, CameraFliesAndSteersByThePointer) {
  GlobalCamera = CCamera({128, 368, 128}, {585, 420, 400}, {0, 1, 0});
  struct Step {
    int x, y;
    Rgb eye, target;  // as (x, y, z)
  } const kSteps[] = {{320, 240, {128.914, 368, 128.544}, {585.914, 420, 400.544}},
                      {330, 240, {129.828, 368, 129.088}, {584.0852, 378, 405.6443}},
                      {320, 250, {130.7365, 368, 129.6411}, {584.9937, 377.92, 406.1974}}};
  for (const Step& s : kSteps) {
    SetCursorPos(s.x, s.y);
    Renderer().BeginFrame();
    const Vector3 e = GlobalCamera.eye, t = GlobalCamera.target;
    EXPECT_TRUE(Near({e.x, e.y, e.z}, s.eye, 0.01)) << "eye";
    EXPECT_TRUE(Near({t.x, t.y, t.z}, s.target, 0.01)) << "target";
    POINT cursor = {};
    ASSERT_TRUE(GetCursorPos(&cursor));
    EXPECT_EQ(cursor.x * 1000 + cursor.y, 320240);
  }
  // Steering says whether it acted: not with the pointer at the centre.
  EXPECT_FALSE(GlobalCamera.MouseLook());
  SetCursorPos(321, 240);
  EXPECT_TRUE(GlobalCamera.MouseLook());
}

// A window no row high still gets a projection: one row, the width as the aspect.
TEST_F(Scene, PerspectiveOfNoHeightIsOneRowHigh) {
  Renderer().SetPerspective(640, 0);
  GLint viewport[4];
  float projection[16];
  glGetIntegerv(GL_VIEWPORT, viewport);
  glGetFloatv(GL_PROJECTION_MATRIX, projection);
  Renderer().SetPerspective(640, 480);
  EXPECT_EQ(viewport[2] * 10000 + viewport[3], 6400001);
  EXPECT_NEAR(projection[5] / projection[0], 640, 0.01);
}

// The driver's extension list is logged up to the last whole name that fits a message.
TEST_F(Scene, DriverLogCutsTheExtensionsAfterAWholeName) {
  const std::string log = ReadWholeFile(StartFolderFile("OpenGL.txt"));
  const size_t start = log.find("Extensions: ") + 12;
  const std::string logged = log.substr(start, log.find('\n', start) - start);
  const std::string all = (const char*)glGetString(GL_EXTENSIONS);
  ASSERT_GT(all.size(), 4095u) << "the driver's list fits a message; nothing to cut";
  EXPECT_EQ(all.compare(0, logged.size(), logged), 0);
  EXPECT_EQ(all[logged.size()], ' ');
  EXPECT_GT(logged.size(), 4000u);
}

// The window's visual was fixed for the program's pixel format: a request for
// more (a stencil buffer) is refused, not quietly given less, and one that no
// format meets (colour-index: Mesa has none) gets no format. (The program's
// own request is met: every picture in this file is drawn through it.)
TEST_F(Scene, WindowRefusesAPixelFormatItsVisualCannotGive) {
  const DWORD kSingle = PFD_DRAW_TO_WINDOW | PFD_SUPPORT_OPENGL;
  const struct {
    BYTE colour, alpha, depth, stencil, accum;
    DWORD flags;  // 0: the program's
    bool given;
  } kCases[] = {
      {0, 0, 0, 8, 0, 0, false},          // a stencil buffer other formats have
      {0, 0, 0, 0, 64, 0, false},         // an accumulation buffer of 4 x 16 bits, as others have
      {0, 8, 255, 0, 0, 0, false},        // alpha others have, though no format is that deep
      {255, 0, 0, 0, 0, kSingle, false},  // single buffering others have, though none that rich
      {0, 0, 255, 0, 0, 0, true},         // what no format has is not held against the window's
  };
  for (const auto& c : kCases) {
    PIXELFORMATDESCRIPTOR request = kPixelFormat;
    request.cAlphaBits = c.alpha, request.cStencilBits = c.stencil, request.cAccumBits = c.accum;
    if (c.colour) request.cColorBits = c.colour;
    if (c.depth) request.cDepthBits = c.depth;
    if (c.flags) request.dwFlags = c.flags;
    EXPECT_EQ(ChoosePixelFormat(Renderer().deviceContext, &request) != 0, c.given) << &c - kCases;
  }
  PIXELFORMATDESCRIPTOR colourIndex = kPixelFormat;
  colourIndex.iPixelType = 1;  // PFD_TYPE_COLORINDEX
  testing::internal::CaptureStderr();
  EXPECT_EQ(ChoosePixelFormat(Renderer().deviceContext, &colourIndex), 0);
  EXPECT_FALSE(wglMakeCurrent(Renderer().deviceContext, (HGLRC)1)) << "no such context";
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "") << "no format, so none to refuse";
}

}  // namespace
