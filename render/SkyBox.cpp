#include "render/CRenderer.h"

// Placeholder until the sky box and logo land.
void CRenderer::DrawSkyBox() {}
void CRenderer::DrawLogo() {}
