// The one place that picks the platform headers: Win32 and OpenGL 1.1 with GLU.
// On Windows these are the SDK's; on Linux, platform/include provides the same
// names over Xlib, GLX and FluidSynth, and GL/GLU are Mesa's.
#pragma once

#include <windows.h>
#include <GL/gl.h>
#include <GL/glu.h>
