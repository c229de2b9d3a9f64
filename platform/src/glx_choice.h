// Which GLX config answers a pixel-format request, apart from the server:
// the attributes come through a reader, and each term of the ranking is
// asked only of the configs still tied for best, so a choice over hundreds
// of configs reads little more than the first term of each.
#pragma once

#include <windows.h>

#include <cstddef>
#include <functional>
#include <vector>

namespace glx {

// What the choice compares; colour and accumulation sizes are the sums of
// their channels, kVisualDepth the X visual's depth, kLevel the overlay level.
enum Attribute {
  kVisual,
  kWindowDrawable,
  kRgba,
  kLevel,
  kDoubleBuffer,
  kSlow,
  kColour,
  kAlpha,
  kDepth,
  kStencil,
  kAccum,
  kSamples,
  kVisualDepth
};
// A config's attribute by its number in the candidates' list of the caller.
using Reader = std::function<int(size_t config, Attribute)>;

// Whether a config can draw what the request asks at all: a window (with an
// X visual), RGBA or colour index, in the main plane.
bool Eligible(size_t config, const PIXELFORMATDESCRIPTOR& request, const Reader& read);

// The candidate closest to the request, the terms compared in order: the
// window's visual (when one is given), the buffering, no slow caveat, the
// colour, depth, alpha, stencil and accumulation sizes (a shortfall weighs
// more than any excess, and the deepest depth buffer wins when none has
// what was asked), the fewest samples, and no visual deeper than its colour
// and the alpha asked (a compositor would blend the window). The earliest
// candidate wins a tie; kNone when there are no candidates.
const size_t kNone = (size_t)-1;
size_t Closest(std::vector<size_t> candidates, const PIXELFORMATDESCRIPTOR& request,
               unsigned long windowVisual, const Reader& read);

}  // namespace glx
