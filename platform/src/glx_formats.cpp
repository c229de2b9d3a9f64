// GDI pixel formats on GLX: every GLX config of the screen is one pixel
// format, numbered from 1 in the server's order, and ChoosePixelFormat maps
// a descriptor onto the closest one.
#include <X11/Xutil.h>

#include <array>
#include <vector>

#include "../PixelFormat.h"
#include "x11_internal.h"

namespace x11 {
namespace {

int Attribute(Display* display, GLXFBConfig config, int name) {
  int value = 0;
  glXGetFBConfigAttrib(display, config, name, &value);
  return value;
}

PixelFormat Describe(Display* display, GLXFBConfig config) {
  PixelFormat format = {};
  format.config = config;
  format.visual = (VisualID)Attribute(display, config, GLX_VISUAL_ID);
  if (XVisualInfo* info = glXGetVisualFromFBConfig(display, config)) {
    format.visualDepth = info->depth;
    XFree(info);
  }
  format.drawToWindow =
      format.visual != 0 && (Attribute(display, config, GLX_DRAWABLE_TYPE) & GLX_WINDOW_BIT);
  format.doubleBuffer = Attribute(display, config, GLX_DOUBLEBUFFER) != 0;
  format.rgba = (Attribute(display, config, GLX_RENDER_TYPE) & GLX_RGBA_BIT) != 0;
  format.slow = Attribute(display, config, GLX_CONFIG_CAVEAT) == GLX_SLOW_CONFIG;
  format.colorBits = Attribute(display, config, GLX_RED_SIZE) +
                     Attribute(display, config, GLX_GREEN_SIZE) +
                     Attribute(display, config, GLX_BLUE_SIZE);
  format.alphaBits = Attribute(display, config, GLX_ALPHA_SIZE);
  format.depthBits = Attribute(display, config, GLX_DEPTH_SIZE);
  format.stencilBits = Attribute(display, config, GLX_STENCIL_SIZE);
  format.accumBits = Attribute(display, config, GLX_ACCUM_RED_SIZE) +
                     Attribute(display, config, GLX_ACCUM_GREEN_SIZE) +
                     Attribute(display, config, GLX_ACCUM_BLUE_SIZE) +
                     Attribute(display, config, GLX_ACCUM_ALPHA_SIZE);
  format.samples = Attribute(display, config, GLX_SAMPLES);
  return format;
}

const std::vector<PixelFormat>& Formats() {
  static std::vector<PixelFormat>* formats = nullptr;
  if (formats) return *formats;
  formats = new std::vector<PixelFormat>();  // kept for the life of the process
  Display* display = GetDisplay();
  int errorBase, eventBase;
  if (!display || !glXQueryExtension(display, &errorBase, &eventBase)) {
    if (display) Report("glx", "the X server has no GLX: no OpenGL pixel formats");
    return *formats;
  }
  int count = 0;
  GLXFBConfig* configs = glXGetFBConfigs(display, DefaultScreen(display), &count);
  for (int i = 0; i < count; ++i) formats->push_back(Describe(display, configs[i]));
  if (configs) XFree(configs);
  return *formats;
}

// How far a size is from the request: a shortfall weighs more than any excess.
int Distance(int requested, int actual) {
  return actual < requested ? 1000 + (requested - actual) : actual - requested;
}

// A format's distance from a request, compared in order; smaller is closer.
// The first element says whether the window of the given visual can use it.
typedef std::array<int, 10> Rank;

Rank RankFormat(const PixelFormat& format, const PIXELFORMATDESCRIPTOR& request,
                VisualID windowVisual) {
  bool wantDouble = (request.dwFlags & PFD_DOUBLEBUFFER) != 0;
  // The deepest depth buffer when the request cannot be met exactly.
  int depth = format.depthBits >= request.cDepthBits ? format.depthBits - request.cDepthBits
                                                     : 1000 + request.cDepthBits - format.depthBits;
  return {windowVisual != 0 && format.visual != windowVisual, format.doubleBuffer != wantDouble,
          format.slow, Distance(request.cColorBits, format.colorBits), depth,
          Distance(request.cAlphaBits, format.alphaBits),
          Distance(request.cStencilBits, format.stencilBits),
          Distance(request.cAccumBits, format.accumBits), format.samples,
          // A 32-bit visual with alpha may make a compositor blend the window.
          format.visualDepth > format.colorBits + request.cAlphaBits};
}

bool MeetsFlags(const PixelFormat& format, const PIXELFORMATDESCRIPTOR& request) {
  if ((request.dwFlags & PFD_DRAW_TO_WINDOW) && !format.drawToWindow) return false;
  return format.rgba == (request.iPixelType == PFD_TYPE_RGBA);
}

// The requested sizes and buffering a format falls short of, one bit each.
unsigned Shortfalls(const PixelFormat& format, const PIXELFORMATDESCRIPTOR& request) {
  const bool wantDouble = (request.dwFlags & PFD_DOUBLEBUFFER) != 0;
  return (unsigned)(format.doubleBuffer != wantDouble) |
         (unsigned)(format.colorBits < request.cColorBits) << 1 |
         (unsigned)(format.alphaBits < request.cAlphaBits) << 2 |
         (unsigned)(format.depthBits < request.cDepthBits) << 3 |
         (unsigned)(format.stencilBits < request.cStencilBits) << 4 |
         (unsigned)(format.accumBits < request.cAccumBits) << 5;
}

}  // namespace

const PixelFormat* GetPixelFormat(int index) {
  const std::vector<PixelFormat>& formats = Formats();
  if (index < 1 || index > (int)formats.size()) return nullptr;
  return &formats[(size_t)index - 1];
}

int ChooseFormat(const PIXELFORMATDESCRIPTOR& request, VisualID windowVisual) {
  const std::vector<PixelFormat>& formats = Formats();
  int best = 0;
  Rank bestRank = {};
  unsigned unavoidable = ~0u;  // what every format falls short of
  for (size_t i = 0; i < formats.size(); ++i) {
    if (!MeetsFlags(formats[i], request)) continue;
    unavoidable &= Shortfalls(formats[i], request);
    const Rank rank = RankFormat(formats[i], request, windowVisual);
    if (best == 0 || rank < bestRank) {
      best = (int)i + 1;
      bestRank = rank;
    }
  }
  if (best == 0 || windowVisual == 0) return best;
  // The window's visual was fixed for kPixelFormat when the window was made.
  // A request it falls short of where another format would not is refused,
  // loudly, rather than quietly given less.
  const PixelFormat& chosen = formats[(size_t)best - 1];
  if (chosen.visual == windowVisual && (Shortfalls(chosen, request) & ~unavoidable) == 0)
    return best;
  Report("glx",
         "the window's visual 0x%lx cannot give the pixel format asked for (%d colour, "
         "%d alpha, %d depth, %d stencil bits); windows are made for the program's own format",
         windowVisual, request.cColorBits, request.cAlphaBits, request.cDepthBits,
         request.cStencilBits);
  return 0;
}

int WindowFormat() {
  static const int format = ChooseFormat(kPixelFormat, 0);
  return format;
}

}  // namespace x11
