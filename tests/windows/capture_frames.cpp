// Captures a window's first drawn frames as fast as the X server hands them
// out, so two programs flying the same path can be compared at the same moment.
// Waits until the window shows more than one colour, then writes COUNT
// captures as STEM-00.ppm, STEM-01.ppm, ...
// Usage: capture_frames WINDOW_ID COUNT STEM
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

namespace {

struct Frame {
  int width = 0;
  int height = 0;
  std::vector<unsigned char> rgb;
};

// The channel value under mask, scaled to 8 bits.
unsigned char Channel(unsigned long pixel, unsigned long mask) {
  if (mask == 0) return 0;
  int shift = 0;
  while (((mask >> shift) & 1) == 0) ++shift;
  const unsigned long max = mask >> shift;
  return (unsigned char)(((pixel & mask) >> shift) * 255 / max);
}

// Reads what the screen shows in the window's area. The root window is read,
// not the window itself, so children with their own visuals (as an OpenGL
// drawable may be) come out as they are shown.
bool Capture(Display* display, Window window, Frame* frame) {
  XWindowAttributes attributes;
  if (!XGetWindowAttributes(display, window, &attributes)) return false;
  const Window root = DefaultRootWindow(display);
  int x = 0, y = 0;
  Window child;
  XTranslateCoordinates(display, window, root, 0, 0, &x, &y, &child);
  XImage* image = XGetImage(display, root, x, y, (unsigned)attributes.width,
                            (unsigned)attributes.height, AllPlanes, ZPixmap);
  if (!image) return false;
  frame->width = attributes.width;
  frame->height = attributes.height;
  frame->rgb.resize((size_t)frame->width * frame->height * 3);
  unsigned char* out = frame->rgb.data();
  for (int row = 0; row < frame->height; ++row) {
    for (int column = 0; column < frame->width; ++column) {
      const unsigned long pixel = XGetPixel(image, column, row);
      *out++ = Channel(pixel, image->red_mask);
      *out++ = Channel(pixel, image->green_mask);
      *out++ = Channel(pixel, image->blue_mask);
    }
  }
  XDestroyImage(image);
  return true;
}

// Before its first frame a window is one flat colour.
bool Drawn(const Frame& frame) {
  for (size_t i = 3; i < frame.rgb.size(); i += 3)
    if (frame.rgb[i] != frame.rgb[0] || frame.rgb[i + 1] != frame.rgb[1] ||
        frame.rgb[i + 2] != frame.rgb[2])
      return true;
  return false;
}

bool WritePpm(const Frame& frame, const std::string& path) {
  FILE* file = fopen(path.c_str(), "wb");
  if (!file) return false;
  fprintf(file, "P6\n%d %d\n255\n", frame.width, frame.height);
  const bool written = fwrite(frame.rgb.data(), 1, frame.rgb.size(), file) == frame.rgb.size();
  return fclose(file) == 0 && written;
}

// Traps the X error of a window that is already gone, so it fails the capture
// instead of ending the tool.
int IgnoreXError(Display*, XErrorEvent*) { return 0; }

}  // namespace

int main(int argc, char** argv) {
  if (argc != 4) {
    fprintf(stderr, "usage: capture_frames WINDOW_ID COUNT STEM\n");
    return 2;
  }
  const Window window = strtoul(argv[1], nullptr, 0);
  const int count = atoi(argv[2]);
  const std::string stem = argv[3];
  if (window == 0 || count < 1 || count > 100) {
    fprintf(stderr, "capture_frames: bad window id or count\n");
    return 2;
  }
  Display* display = XOpenDisplay(nullptr);
  if (!display) {
    fprintf(stderr, "capture_frames: cannot open display\n");
    return 1;
  }
  XSetErrorHandler(IgnoreXError);

  std::vector<Frame> frames(count);
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (!Capture(display, window, &frames[0]) || !Drawn(frames[0])) {
    if (std::chrono::steady_clock::now() > deadline) {
      fprintf(stderr, "capture_frames: the window showed no picture\n");
      XCloseDisplay(display);
      return 1;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  // All captures first, files afterwards, so the series is as dense as it can be.
  for (int i = 1; i < count; ++i) Capture(display, window, &frames[i]);
  XCloseDisplay(display);

  for (int i = 0; i < count; ++i) {
    char suffix[16];
    snprintf(suffix, sizeof suffix, "-%02d.ppm", i);
    if (frames[i].rgb.empty() || !WritePpm(frames[i], stem + suffix)) {
      fprintf(stderr, "capture_frames: could not write %s%s\n", stem.c_str(), suffix);
      return 1;
    }
  }
  return 0;
}
