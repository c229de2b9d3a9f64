// The screen the demo is drawn for, in pixels: the window's outer size, the
// viewport and perspective, the overlays' screen projection and, at its
// centre, the point the mouse steers from.
#pragma once

#include <cstdint>

const int32_t kScreenWidth = 640;
const int32_t kScreenHeight = 480;
