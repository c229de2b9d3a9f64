#include <gtest/gtest.h>

#include <cmath>

// The system's headers first: they pick the Win32 names before GLX pulls in GL.
#include "RenderKit.h"
#include "render/CRenderer.h"
#include "GlContext.h"

namespace {

class RendererState : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(gl_.ok()) << "no GLX context on DISPLAY"; }
  GlContext gl_;
  CRenderer renderer_{};
};

GLint Integer(GLenum name) {
  GLint value = -1;
  glGetIntegerv(name, &value);
  return value;
}

void ExpectVector(const GLfloat* actual, float x, float y, float z, float w) {
  EXPECT_FLOAT_EQ(actual[0], x);
  EXPECT_FLOAT_EQ(actual[1], y);
  EXPECT_FLOAT_EQ(actual[2], z);
  EXPECT_FLOAT_EQ(actual[3], w);
}

TEST_F(RendererState, FixedPipelineStateIsSetOnce) {
  CRenderer::SetFixedState();
  GLfloat v[4];
  glGetFloatv(GL_COLOR_CLEAR_VALUE, v);
  ExpectVector(v, 1, 1, 1, 1);
  EXPECT_EQ(Integer(GL_RENDER_MODE), GL_RENDER);
  EXPECT_EQ(Integer(GL_SHADE_MODEL), GL_SMOOTH);
  EXPECT_EQ(Integer(GL_FRONT_FACE), GL_CCW);
  EXPECT_EQ(Integer(GL_CULL_FACE_MODE), GL_BACK);
  for (GLenum on :
       {GL_DEPTH_TEST, GL_CULL_FACE, GL_TEXTURE_2D, GL_COLOR_MATERIAL, GL_FOG, GL_LIGHTING,
        GL_LIGHT1, GL_VERTEX_ARRAY, GL_NORMAL_ARRAY, GL_TEXTURE_COORD_ARRAY}) {
    EXPECT_TRUE(glIsEnabled(on)) << std::hex << on;
  }
  for (GLenum off : {GL_LIGHT0, GL_NORMALIZE, GL_BLEND, GL_COLOR_ARRAY}) {
    EXPECT_FALSE(glIsEnabled(off)) << std::hex << off;
  }
  GLfloat mode = 0;
  glGetTexEnvfv(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, &mode);
  EXPECT_EQ((GLenum)mode, (GLenum)GL_MODULATE);

  glGetLightfv(GL_LIGHT1, GL_AMBIENT, v);
  ExpectVector(v, 0.2f, 0.2f, 0.2f, 1);
  glGetLightfv(GL_LIGHT1, GL_DIFFUSE, v);
  ExpectVector(v, 0.5f, 0.5f, 0.5f, 1);
  glGetLightfv(GL_LIGHT1, GL_SPECULAR, v);
  ExpectVector(v, 0.8f, 0.8f, 0.8f, 1);
  glGetLightfv(GL_LIGHT1, GL_POSITION, v);  // eye coordinates: given under the identity
  ExpectVector(v, 512, 368, 512, kLightPositionW);

  EXPECT_EQ(Integer(GL_FOG_MODE), GL_EXP2);
  glGetFloatv(GL_FOG_DENSITY, v);
  EXPECT_FLOAT_EQ(v[0], 0.004f);
  glGetFloatv(GL_FOG_START, v);
  EXPECT_FLOAT_EQ(v[0], 0.5f);
  glGetFloatv(GL_FOG_END, v);
  EXPECT_FLOAT_EQ(v[0], 1.0f);
  glGetFloatv(GL_FOG_COLOR, v);
  ExpectVector(v, 1, 1, 1, 1);
  EXPECT_EQ(glGetError(), (GLenum)GL_NO_ERROR);
}

TEST_F(RendererState, PerspectiveWithHeightZeroUsesOneRow) {
  glMatrixMode(GL_PROJECTION);
  glTranslatef(5, 5, 5);  // whatever came before is replaced
  renderer_.SetPerspective(640, 0);
  GLint viewport[4];
  glGetIntegerv(GL_VIEWPORT, viewport);
  EXPECT_EQ(viewport[0], 0);
  EXPECT_EQ(viewport[1], 0);
  EXPECT_EQ(viewport[2], 640);
  EXPECT_EQ(viewport[3], 1);
  GLfloat p[16];
  glGetFloatv(GL_PROJECTION_MATRIX, p);
  const float f = 1.0f / std::tan((float)M_PI / 6.0f);  // 60 degrees vertical
  EXPECT_FLOAT_EQ(p[5], f);
  EXPECT_FLOAT_EQ(p[0], f / 640.0f);  // aspect = width
  EXPECT_FLOAT_EQ(p[10], -600.1f / 599.9f);
  EXPECT_FLOAT_EQ(p[14], -2.0f * 600.0f * 0.1f / 599.9f);
}

TEST_F(RendererState, PerspectiveLeavesAnIdentityModelViewCurrent) {
  glMatrixMode(GL_MODELVIEW);
  glScalef(3, 3, 3);
  glMatrixMode(GL_TEXTURE);
  renderer_.SetPerspective(640, 480);
  EXPECT_EQ(Integer(GL_MATRIX_MODE), GL_MODELVIEW);
  GLfloat m[16];
  glGetFloatv(GL_MODELVIEW_MATRIX, m);
  for (int i = 0; i < 16; ++i) EXPECT_EQ(m[i], i % 5 == 0 ? 1.0f : 0.0f) << i;
  GLfloat p[16];
  glGetFloatv(GL_PROJECTION_MATRIX, p);
  EXPECT_FLOAT_EQ(p[0], p[5] * 480.0f / 640.0f);
}

TEST_F(RendererState, BeginFrameFliesTheCameraAndExtractsWorldPlanes) {
  CRenderer::SetFixedState();
  WarpPointer(kMouseCentreX, kMouseCentreY);  // no steering in this frame
  const CCamera before = GlobalCamera;
  renderer_.frameCount = 0;
  renderer_.BeginFrame();
  EXPECT_EQ(renderer_.frameCount, 1u);

  // One step of 0.002 of the horizontal offset, before the transform is built.
  EXPECT_FLOAT_EQ(GlobalCamera.eye.x, before.eye.x + 0.002f * (before.target.x - before.eye.x));
  EXPECT_FLOAT_EQ(GlobalCamera.eye.z, before.eye.z + 0.002f * (before.target.z - before.eye.z));
  EXPECT_EQ(GlobalCamera.target.y, before.target.y);

  const Vector3 eye = GlobalCamera.eye;
  const Vector3 target = GlobalCamera.target;
  const CFrustum& f = renderer_.frustum;
  auto distance = [](const Plane& p, const Vector3& v) {
    return p.a * v.x + p.b * v.y + p.c * v.z + p.d;
  };
  // Near and far lie 0.3125 and 1875 world units in front of the eye.
  EXPECT_NEAR(distance(f.planes[5], eye), -0.3125f, 1e-3f);
  EXPECT_NEAR(distance(f.planes[4], eye), 1875.0f, 1.0f);
  // The near plane faces along the view direction.
  const float dx = target.x - eye.x, dy = target.y - eye.y, dz = target.z - eye.z;
  const float length = std::sqrt(dx * dx + dy * dy + dz * dz);
  EXPECT_NEAR(f.planes[5].a, dx / length, 1e-4f);
  EXPECT_NEAR(f.planes[5].b, dy / length, 1e-4f);
  EXPECT_NEAR(f.planes[5].c, dz / length, 1e-4f);
  // The four side planes meet at the eye.
  for (int i = 0; i < 4; ++i) EXPECT_NEAR(distance(f.planes[i], eye), 0.0f, 0.01f) << i;
  EXPECT_TRUE(f.PointVisible(target.x, target.y, target.z));
  EXPECT_FALSE(f.PointVisible(eye.x - dx, eye.y - dy, eye.z - dz));

  // The picture was cleared to white and the depth buffer to the far end.
  EXPECT_RGB_NEAR(ReadPixel(320, 240), 255, 255, 255, 0);
  EXPECT_FLOAT_EQ(ReadDepth(320, 240), 1.0f);
  GlobalCamera = before;
}

TEST_F(RendererState, EveryFrameStartsWithBlendingOff) {
  CRenderer::SetFixedState();
  renderer_.deviceContext = nullptr;
  for (int frame = 0; frame < 2; ++frame) {
    renderer_.DrawLogo();
    EXPECT_TRUE(glIsEnabled(GL_BLEND));
    renderer_.EndFrame();
    EXPECT_FALSE(glIsEnabled(GL_BLEND));
  }
  EXPECT_EQ(glGetError(), (GLenum)GL_NO_ERROR);
}

}  // namespace
