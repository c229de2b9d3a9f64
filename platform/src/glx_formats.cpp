// GDI pixel formats on GLX: every GLX config of the screen is one pixel
// format, numbered from 1 in the server's order, and ChoosePixelFormat maps
// a descriptor onto the closest one. A screen has hundreds of configs and
// every attribute costs a call, so only what a choice compares is asked, and
// a format is described in full only when it is handed out.
#include <X11/Xutil.h>
#include <errno.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <array>
#include <map>
#include <vector>

#include "../PixelFormat.h"
#include "glx_choice.h"
#include "x11_internal.h"

namespace x11 {
namespace {

// The attributes a choice or a description reads, each asked once per config.
const int kAttributes[] = {GLX_VISUAL_ID,
                           GLX_DRAWABLE_TYPE,
                           GLX_RENDER_TYPE,
                           GLX_DOUBLEBUFFER,
                           GLX_CONFIG_CAVEAT,
                           GLX_RED_SIZE,
                           GLX_GREEN_SIZE,
                           GLX_BLUE_SIZE,
                           GLX_ALPHA_SIZE,
                           GLX_DEPTH_SIZE,
                           GLX_STENCIL_SIZE,
                           GLX_ACCUM_RED_SIZE,
                           GLX_ACCUM_GREEN_SIZE,
                           GLX_ACCUM_BLUE_SIZE,
                           GLX_ACCUM_ALPHA_SIZE,
                           GLX_SAMPLES,
                           GLX_LEVEL};
const int kAttributeCount = sizeof kAttributes / sizeof kAttributes[0];
enum Slot {
  kVisual,
  kDrawable,
  kRender,
  kDouble,
  kCaveat,
  kRed,
  kGreen,
  kBlue,
  kAlpha,
  kDepth,
  kStencil,
  kAccumRed,
  kAccumGreen,
  kAccumBlue,
  kAccumAlpha,
  kSamples,
  kLevel
};
const unsigned kDepthAsked = 1u << kAttributeCount;  // the X visual's depth

struct Config {
  GLXFBConfig config;
  std::array<int, kAttributeCount> values;
  unsigned asked;  // a bit per attribute already asked, and kDepthAsked
  bool described;  // format below complete
  PixelFormat format;
};

std::vector<Config>* g_configs = nullptr;  // kept for the life of the process

// NOTE: the GL library's first config query loads its driver and then asks
// the server for every config; an X server that dies meanwhile makes it follow
// a reply that never came, and crash. While a query runs, a crash with the
// connection gone (its socket at end of file) is the lost connection, said and
// ended as Xlib ends one; any other crash stays a crash.
volatile sig_atomic_t g_queryConnection = -1;
struct sigaction g_crashAction;

void OnCrashInQuery(int number) {
  char byte;
  const ssize_t got = recv(g_queryConnection, &byte, 1, MSG_PEEK | MSG_DONTWAIT);
  if (got == 0 || (got < 0 && errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR)) {
    static const char kLost[] = "x11: lost the connection to the X display\n";
    const ssize_t written = write(STDERR_FILENO, kLost, sizeof kLost - 1);
    (void)written;
    _exit(1);
  }
  sigaction(number, &g_crashAction, nullptr);  // the crash comes again, as before
}

class QueryGuard {
 public:
  QueryGuard() : m_outer(g_queryConnection == -1) {
    Display* display = GetDisplay();
    if (!m_outer || !display) return;
    // A connection Xlib already found dead ends here, with its own message.
    XSync(display, False);
    g_queryConnection = ConnectionNumber(display);
    struct sigaction action = {};
    action.sa_handler = OnCrashInQuery;
    sigemptyset(&action.sa_mask);
    sigaction(SIGSEGV, &action, &g_crashAction);
  }
  ~QueryGuard() {
    if (!m_outer || g_queryConnection == -1) return;
    sigaction(SIGSEGV, &g_crashAction, nullptr);
    g_queryConnection = -1;
  }
  QueryGuard(const QueryGuard&) = delete;
  QueryGuard& operator=(const QueryGuard&) = delete;

 private:
  bool m_outer;
};

std::vector<Config>& Configs() {
  if (g_configs) return *g_configs;
  g_configs = new std::vector<Config>();
  Display* display = GetDisplay();
  int errorBase, eventBase;
  if (!display || !glXQueryExtension(display, &errorBase, &eventBase)) {
    if (display) Report("glx", "the X server has no GLX: no OpenGL pixel formats");
    return *g_configs;
  }
  int count = 0;
  GLXFBConfig* configs = glXGetFBConfigs(display, DefaultScreen(display), &count);
  for (int i = 0; i < count; ++i) g_configs->push_back({configs[i], {}, 0, false, {}});
  if (configs) XFree(configs);
  // The GL library opens its driver's files first: without a descriptor left it has none.
  if (count == 0 && AtDescriptorLimit())
    Report("glx", "no OpenGL pixel formats: too many open files (see ulimit -n)");
  return *g_configs;
}

int Get(Config& config, Slot slot) {
  if (!(config.asked & 1u << slot)) {
    config.values[slot] = 0;
    glXGetFBConfigAttrib(GetDisplay(), config.config, kAttributes[slot], &config.values[slot]);
    config.asked |= 1u << slot;
  }
  return config.values[slot];
}

int VisualDepth(Config& config) {
  if (!(config.asked & kDepthAsked)) {
    config.format.visualDepth = 0;
    if (XVisualInfo* info = glXGetVisualFromFBConfig(GetDisplay(), config.config)) {
      config.format.visualDepth = info->depth;
      XFree(info);
    }
    config.asked |= kDepthAsked;
  }
  return config.format.visualDepth;
}

const PixelFormat& Describe(Config& config) {
  if (config.described) return config.format;
  PixelFormat& format = config.format;
  format.visualDepth = VisualDepth(config);
  format.config = config.config;
  format.visual = (VisualID)Get(config, kVisual);
  format.drawToWindow = format.visual != 0 && (Get(config, kDrawable) & GLX_WINDOW_BIT);
  format.doubleBuffer = Get(config, kDouble) != 0;
  format.rgba = (Get(config, kRender) & GLX_RGBA_BIT) != 0;
  format.slow = Get(config, kCaveat) == GLX_SLOW_CONFIG;
  format.colorBits = Get(config, kRed) + Get(config, kGreen) + Get(config, kBlue);
  format.alphaBits = Get(config, kAlpha);
  format.depthBits = Get(config, kDepth);
  format.stencilBits = Get(config, kStencil);
  format.accumBits = Get(config, kAccumRed) + Get(config, kAccumGreen) + Get(config, kAccumBlue) +
                     Get(config, kAccumAlpha);
  format.samples = Get(config, kSamples);
  config.described = true;
  return format;
}

// A config's attribute as the choice compares it.
int Read(Config& config, glx::Attribute attribute) {
  switch (attribute) {
    case glx::kVisual:
      return Get(config, kVisual);
    case glx::kWindowDrawable:
      return (Get(config, kDrawable) & GLX_WINDOW_BIT) != 0;
    case glx::kRgba:
      return (Get(config, kRender) & GLX_RGBA_BIT) != 0;
    case glx::kLevel:
      return Get(config, kLevel);
    case glx::kDoubleBuffer:
      return Get(config, kDouble);
    case glx::kSlow:
      return Get(config, kCaveat) == GLX_SLOW_CONFIG;
    case glx::kColour:
      return Get(config, kRed) + Get(config, kGreen) + Get(config, kBlue);
    case glx::kAlpha:
      return Get(config, kAlpha);
    case glx::kDepth:
      return Get(config, kDepth);
    case glx::kStencil:
      return Get(config, kStencil);
    case glx::kAccum:
      return Get(config, kAccumRed) + Get(config, kAccumGreen) + Get(config, kAccumBlue) +
             Get(config, kAccumAlpha);
    case glx::kSamples:
      return Get(config, kSamples);
    default:
      return VisualDepth(config);
  }
}

// With buffering settled (every candidate buffered as asked), its answer
// needs no call.
glx::Reader ReaderOf(std::vector<Config>& configs, int settledBuffering = -1) {
  return [&configs, settledBuffering](size_t index, glx::Attribute attribute) {
    if (attribute == glx::kDoubleBuffer && settledBuffering >= 0) return settledBuffering;
    return Read(configs[index], attribute);
  };
}

// The configs GLX's own quick selection finds for a request, by number in
// the server's order; with sameBuffering, only those whose buffering is the
// request's.
std::vector<size_t> Selected(const PIXELFORMATDESCRIPTOR& request, bool sameBuffering) {
  std::vector<Config>& configs = Configs();
  const int any = (int)GLX_DONT_CARE;
  const bool rgba = request.iPixelType == PFD_TYPE_RGBA;
  const bool window = (request.dwFlags & PFD_DRAW_TO_WINDOW) != 0;
  const bool wantDouble = (request.dwFlags & PFD_DOUBLEBUFFER) != 0;
  const int attributes[] = {GLX_RENDER_TYPE,
                            rgba ? GLX_RGBA_BIT : GLX_COLOR_INDEX_BIT,
                            GLX_DRAWABLE_TYPE,
                            window ? GLX_WINDOW_BIT : any,
                            GLX_STEREO,
                            any,
                            GLX_TRANSPARENT_TYPE,
                            any,
                            GLX_DOUBLEBUFFER,
                            sameBuffering ? wantDouble : any,
                            None};
  int count = 0;
  Display* display = GetDisplay();
  GLXFBConfig* chosen =
      display ? glXChooseFBConfig(display, DefaultScreen(display), attributes, &count) : nullptr;
  std::map<GLXFBConfig, size_t> numbers;
  for (size_t i = 0; i < configs.size() && chosen; ++i) numbers[configs[i].config] = i;
  std::vector<bool> selected(configs.size(), false);
  for (int i = 0; i < count; ++i) {
    auto found = numbers.find(chosen[i]);
    if (found != numbers.end()) selected[found->second] = true;
  }
  if (chosen) XFree(chosen);
  std::vector<size_t> numbered;
  for (size_t i = 0; i < configs.size(); ++i)
    if (selected[i]) numbered.push_back(i);
  return numbered;
}

// The configs that can meet a request's flags, in the server's order: GLX's
// selection (an RGBA one needs no second look), else every eligible config.
// A choice for no particular window (*sameBuffering) first takes only the
// configs buffered as asked, and says whether there were any: the ranking
// would keep no others.
std::vector<size_t> Candidates(const PIXELFORMATDESCRIPTOR& request, bool* sameBuffering) {
  std::vector<Config>& configs = Configs();
  std::vector<size_t> candidates;
  if (*sameBuffering) candidates = Selected(request, true);
  *sameBuffering = !candidates.empty();
  if (candidates.empty()) candidates = Selected(request, false);
  const bool checked = !candidates.empty() && request.iPixelType == PFD_TYPE_RGBA;
  if (candidates.empty())
    for (size_t i = 0; i < configs.size(); ++i) candidates.push_back(i);
  if (checked) return candidates;
  std::vector<size_t> eligible;
  const glx::Reader read = ReaderOf(configs);
  for (size_t i : candidates)
    if (glx::Eligible(i, request, read)) eligible.push_back(i);
  return eligible;
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
  QueryGuard guard;
  std::vector<Config>& configs = Configs();
  if (index < 1 || index > (int)configs.size()) return nullptr;
  return &Describe(configs[(size_t)index - 1]);
}

int ChooseFormat(const PIXELFORMATDESCRIPTOR& request, VisualID windowVisual) {
  QueryGuard guard;
  std::vector<Config>& configs = Configs();
  bool sameBuffering = windowVisual == 0;
  const std::vector<size_t> candidates = Candidates(request, &sameBuffering);
  const int wantDouble = (request.dwFlags & PFD_DOUBLEBUFFER) != 0;
  const size_t closest = glx::Closest(candidates, request, windowVisual,
                                      ReaderOf(configs, sameBuffering ? wantDouble : -1));
  if (closest == glx::kNone) return 0;
  const int best = (int)closest + 1;
  if (windowVisual == 0) return best;
  // The window's visual was fixed for kPixelFormat when the window was made.
  // A request it falls short of where another format would not is refused,
  // loudly, rather than quietly given less.
  const PixelFormat& chosen = Describe(configs[closest]);
  if (chosen.visual == windowVisual) {
    const unsigned shortfalls = Shortfalls(chosen, request);
    if (shortfalls == 0) return best;
    unsigned unavoidable = ~0u;  // what every format falls short of
    for (size_t i : candidates) unavoidable &= Shortfalls(Describe(configs[i]), request);
    if ((shortfalls & ~unavoidable) == 0) return best;
  }
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
