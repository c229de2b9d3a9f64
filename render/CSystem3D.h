#pragma once

#include "base/CLog.h"
#include "render/CRenderer.h"
#include "terrain/CQuadNode.h"
#include "terrain/CTerrainLoader.h"

// Ties the rendering modules together: initialisation, the frame, shut-down.
class CSystem3D {
 public:
  CSystem3D();
  ~CSystem3D();
  CSystem3D(const CSystem3D&) = delete;
  CSystem3D& operator=(const CSystem3D&) = delete;

  // False when nothing can be drawn (the renderer has no context).
  bool Init();
  void Frame();
  bool DeInit();

  CQuadNode* root;
  CLog* log;
  CRenderer* renderer;
  CTerrainLoader* loader;
};
