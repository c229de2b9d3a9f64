#include "glx_choice.h"

#include <climits>

namespace glx {
namespace {

// How far a size is from the request: a shortfall weighs more than any excess.
int Distance(int requested, int actual) {
  return actual < requested ? 1000 + (requested - actual) : actual - requested;
}

const int kTerms = 10;

// One term of a config's rank; smaller is closer.
int Term(int term, size_t config, const PIXELFORMATDESCRIPTOR& request, unsigned long windowVisual,
         const Reader& read) {
  switch (term) {
    case 0:
      return windowVisual != 0 && (unsigned long)read(config, kVisual) != windowVisual;
    case 1:
      return (read(config, kDoubleBuffer) != 0) != ((request.dwFlags & PFD_DOUBLEBUFFER) != 0);
    case 2:
      return read(config, kSlow) != 0;
    case 3:
      return Distance(request.cColorBits, read(config, kColour));
    case 4:  // the deepest depth buffer when the request cannot be met
      return Distance(request.cDepthBits, read(config, kDepth));
    case 5:
      return Distance(request.cAlphaBits, read(config, kAlpha));
    case 6:
      return Distance(request.cStencilBits, read(config, kStencil));
    case 7:
      return Distance(request.cAccumBits, read(config, kAccum));
    case 8:
      return read(config, kSamples);
    default:  // a 32-bit visual with alpha may make a compositor blend the window
      return read(config, kVisualDepth) > read(config, kColour) + request.cAlphaBits;
  }
}

}  // namespace

bool Eligible(size_t config, const PIXELFORMATDESCRIPTOR& request, const Reader& read) {
  if ((request.dwFlags & PFD_DRAW_TO_WINDOW) &&
      (read(config, kVisual) == 0 || !read(config, kWindowDrawable)))
    return false;
  return (read(config, kRgba) != 0) == (request.iPixelType == PFD_TYPE_RGBA) &&
         read(config, kLevel) == 0;
}

size_t Closest(std::vector<size_t> candidates, const PIXELFORMATDESCRIPTOR& request,
               unsigned long windowVisual, const Reader& read) {
  std::vector<size_t> tied;
  for (int term = 0; term < kTerms; ++term) {
    int best = INT_MAX;  // the first config clears what the last term left
    for (size_t config : candidates) {
      const int rank = Term(term, config, request, windowVisual, read);
      if (rank < best) {
        best = rank;
        tied.clear();
      }
      if (rank == best) tied.push_back(config);
    }
    candidates.swap(tied);
  }
  return candidates.empty() ? kNone : candidates.front();
}

}  // namespace glx
