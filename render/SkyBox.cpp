// The fixed scenery around the terrain: the sky box drawn in world
// coordinates, and the logo blended into the screen's lower-right corner.
#include "base/Screen.h"
#include "render/CRenderer.h"
#include "terrain/CTerrainLoader.h"

namespace {
const float kSampleValues = 256.0f;

// The logo, one texel per pixel, ends at the screen's right edge.
const float kLogoLeft = (float)(kScreenWidth - kLogoWidth);

// One corner of a sky-box quad.
struct Corner {
  float x, y, z;
};

void SendQuad(const Corner (&corners)[4]) {
  for (const Corner& c : corners) glVertex3f(c.x, c.y, c.z);
}
}  // namespace

// An open box without a floor around the terrain: a textured ceiling and four
// walls. Every quad winds counter-clockwise seen from inside, so culling shows
// only the inner sides. The walls carry the ceiling's last texture coordinate
// (0, 0), so each shows the sky image's first texel tinted, one flat colour.
void CRenderer::DrawSkyBox() {
  const float w = kGridSize * kGridSpacing;      // 3072 along x
  const float d = kGridSize * kGridSpacing;      // 3072 along z
  const float h = kSampleValues * kHeightScale;  // 512 high

  glBindTexture(GL_TEXTURE_2D, TextureSlots[TEX_SKY]);
  glDisable(GL_LIGHTING);
  glBegin(GL_QUADS);

  // Ceiling: s runs with x, t against z, so the image's first row lies along z = d.
  glColor3ub(255, 255, 255);
  glNormal3f(1536.0f, -1.0f, 1536.0f);
  glTexCoord2f(0.0f, 1.0f);
  glVertex3f(0.0f, h, 0.0f);
  glTexCoord2f(1.0f, 1.0f);
  glVertex3f(w, h, 0.0f);
  glTexCoord2f(1.0f, 0.0f);
  glVertex3f(w, h, d);
  glTexCoord2f(0.0f, 0.0f);
  glVertex3f(0.0f, h, d);

  glColor3ub(181, 188, 215);
  glNormal3f(1536.0f, 256.0f, -1.0f);
  SendQuad({{0.0f, h, d}, {w, h, d}, {w, 0.0f, d}, {0.0f, 0.0f, d}});
  glNormal3f(1.0f, 256.0f, 1536.0f);
  SendQuad({{0.0f, h, 0.0f}, {0.0f, h, d}, {0.0f, 0.0f, d}, {0.0f, 0.0f, 0.0f}});
  glNormal3f(-1.0f, 256.0f, 1536.0f);
  SendQuad({{w, 0.0f, 0.0f}, {w, 0.0f, d}, {w, h, d}, {w, h, 0.0f}});
  glNormal3f(1536.0f, 256.0f, 1.0f);
  SendQuad({{0.0f, 0.0f, 0.0f}, {w, 0.0f, 0.0f}, {w, h, 0.0f}, {0.0f, h, 0.0f}});

  glEnd();
  glEnable(GL_LIGHTING);
}

// Switches to the screen projection and blends the logo into the lower-right
// corner. The blend adds the incoming colour weighted by (1 - alpha): opaque
// texels leave the picture as it is. The projection and the blending stay in
// force for the console panel drawn after it.
void CRenderer::DrawLogo() {
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  // The screen projection of the overlays: one unit per pixel, y upwards.
  glOrtho(0.0, kScreenWidth, 0.0, kScreenHeight, 1.0, -1.0);
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();

  glEnable(GL_BLEND);
  glBlendFunc(GL_ONE_MINUS_SRC_ALPHA, GL_ONE);
  glBindTexture(GL_TEXTURE_2D, TextureSlots[TEX_LOGO]);

  // One texel per pixel; the image's first row along the top edge.
  glBegin(GL_QUADS);
  glNormal3f(576.0f, 32.0f, 1.0f);
  glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
  glTexCoord2f(0.0f, 1.0f);
  glVertex2f(kLogoLeft, 0.0f);
  glTexCoord2f(1.0f, 1.0f);
  glVertex2f((float)kScreenWidth, 0.0f);
  glTexCoord2f(1.0f, 0.0f);
  glVertex2f((float)kScreenWidth, (float)kLogoHeight);
  glTexCoord2f(0.0f, 0.0f);
  glVertex2f(kLogoLeft, (float)kLogoHeight);
  glEnd();
}
