#include "render/CRenderer.h"

// Placeholder until the OpenGL device lands.
bool CRenderer::Init() { return true; }
void CRenderer::SetPerspective(int32_t, int32_t) {}
void CRenderer::BeginFrame() {}
void CRenderer::EndFrame() {}
bool CRenderer::DeInit() { return true; }
uint32_t AverageFrameRate(uint32_t, int32_t, int32_t) { return 0; }
