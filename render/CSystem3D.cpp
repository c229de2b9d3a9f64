#include "render/CSystem3D.h"

#include <new>

#include "base/OutOfMemory.h"
#include "base/Screen.h"
#include "console/CConsole.h"

namespace {
// The quadtree's root level and its leaves' level: 4^5 leaves of 6x6 cells.
const uint8_t kRootLevel = 1;
const uint8_t kLeafLevel = 6;
}  // namespace

// A member that cannot be allocated ends the process with a line in this log.
CSystem3D::CSystem3D()
    : root(nullptr),
      log(CheckAllocation(new (std::nothrow) CLog(LOG_FILE, "Sys3DLog.txt"), nullptr,
                          "3D system log")),
      renderer(CheckAllocation(new (std::nothrow) CRenderer, log, "renderer")),
      loader(CheckAllocation(new (std::nothrow) CTerrainLoader, log, "terrain loader")) {}

CSystem3D::~CSystem3D() {
  delete loader;
  delete renderer;
  delete log;
}

bool CSystem3D::Init() {
  log->Print("CSystem3D::Init()\n");
  const bool drawing = renderer->Init();
  renderer->SetPerspective(kScreenWidth, kScreenHeight);
  root =
      CheckAllocation(new (std::nothrow) CQuadNode(kRootLevel, kLeafLevel), log, "quadtree root");
  loader->LoadHeightFile("Scape.raw", root);
  TerrainLoader.LoadRawTexture("skelv.rgba", &LogoImage, TEX_LOGO, kLogoWidth, kLogoHeight, 4);
  TerrainLoader.LoadRawTexture("sky.raw", &SkyImage, TEX_SKY, kSkySize, kSkySize, 3);
  return drawing;
}

void CSystem3D::Frame() {
  renderer->BeginFrame();
  renderer->DrawSkyBox();
  root->Render(renderer->frustum);
  renderer->DrawLogo();
  if (Console.IsActive() == 1) Console.DrawConsolePanel();
  renderer->EndFrame();
}

bool CSystem3D::DeInit() {
  loader->FreeMesh();
  if (root) {
    delete root;
    root = nullptr;
  }
  log->Print("CSystem3D::DeInit()\n");
  renderer->DeInit();
  return true;
}
