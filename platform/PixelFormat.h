// The pixel format every window of the program is drawn with: window
// drawing, OpenGL, double buffering; RGBA with 24 colour and 32 depth bits.
// The renderer requests it; on Linux an X window's visual is fixed when the
// window is made, so the platform makes every window for this format and
// refuses a later request that the window's visual cannot meet. Both builds
// include it; it needs nothing but the Win32 types.
#pragma once

#include <windows.h>

// clang-format off
const PIXELFORMATDESCRIPTOR kPixelFormat = {
    40,                                                          // nSize
    1,                                                           // nVersion
    PFD_DRAW_TO_WINDOW | PFD_SUPPORT_OPENGL | PFD_DOUBLEBUFFER,  // dwFlags (0x25)
    PFD_TYPE_RGBA,                                               // iPixelType
    24,                                                          // cColorBits
    0, 0, 0, 0, 0, 0,                                            // colour bits and shifts
    0, 0,                                                        // alpha bits and shift
    0, 0, 0, 0, 0,                                               // accumulation bits
    32,                                                          // cDepthBits
    0,                                                           // cStencilBits
    0,                                                           // cAuxBuffers
    PFD_MAIN_PLANE,                                              // iLayerType
    0, 0, 0, 0};                                                 // reserved and masks
// clang-format on
static_assert(sizeof(PIXELFORMATDESCRIPTOR) == 40, "the descriptor's layout is fixed");
