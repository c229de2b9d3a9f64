// The choice of a GLX config for a pixel-format request, over made-up
// configs: each term decides only between the configs the terms before it
// left tied, and the earliest config wins a tie.
#include <gtest/gtest.h>

#include <array>
#include <map>

#include "platform/PixelFormat.h"
#include "platform/src/glx_choice.h"

namespace {

using namespace glx;
using Config = std::array<int, kVisualDepth + 1>;
// The program's own format with some attributes changed.
Config M(const std::map<Attribute, int>& changes = {}) {
  Config config = {0x21, 1, 1, 0, 1, 0, 24, 0, 32, 0, 0, 0, 24};
  for (const auto& [attribute, value] : changes) config[attribute] = value;
  return config;
}
Reader Of(const std::vector<Config>& configs) {
  return [&configs](size_t i, Attribute a) { return configs.at(i)[a]; };
}

TEST(GlxChoice, EachTermDecidesBetweenTheConfigsTiedBeforeIt) {
  // The request as a config: kVisual the window's visual (0: any), the sizes asked.
  const Config noVisual = M({{kVisual, 0}}), single = M({{kDoubleBuffer, 0}}),
               depth24 = M({{kDepth, 24}}), alpha = M({{kAlpha, 8}}), stencil = M({{kStencil, 8}});
  const struct {
    const char* name;
    Config asked;
    std::vector<Config> configs;
    size_t expected;
  } kCases[] = {
      {"the window's visual first",
       M({{kVisual, 0x22}}),
       {M({{kVisual, 0x22}, {kDepth, 16}}), M()},
       0},
      {"no visual asked: any", noVisual, {M(), M({{kVisual, 0}, {kDepth, 16}})}, 0},
      {"single buffering asked", single, {M(), M({{kDoubleBuffer, 0}})}, 1},
      {"none double", M(), {M({{kDoubleBuffer, 0}, {kDepth, 16}}), M({{kDoubleBuffer, 0}})}, 1},
      {"a slow config loses to a smaller one", M(), {M({{kSlow, 1}}), M({{kColour, 16}})}, 1},
      {"a shortfall outweighs an excess",
       M(),
       {M({{kColour, 16}}), M({{kColour, 48}, {kSamples, 2}})},
       1},
      {"the deepest when none is deep enough",
       M(),
       {M({{kDepth, 16}}), M({{kDepth, 24}}), M({{kDepth, 24}, {kAlpha, 8}})},
       1},
      {"a depth shortfall outweighs an excess", depth24, {M({{kDepth, 16}}), M({{kDepth, 48}})}, 1},
      {"alpha asked", alpha, {M(), M({{kAlpha, 8}, {kStencil, 8}})}, 1},
      {"stencil asked", stencil, {M(), M({{kStencil, 16}}), M({{kStencil, 8}})}, 2},
      {"stencil asked, none has it", stencil, {M({{kDepth, 24}}), M(), M()}, 1},
      {"accumulation asked", M({{kAccum, 32}}), {M(), M({{kAccum, 64}}), M({{kAccum, 32}})}, 2},
      {"the fewest samples",
       M(),
       {M({{kSamples, 4}}), M({{kSamples, 2}}), M({{kVisualDepth, 32}})},
       2},
      {"no visual deeper than colour and alpha", M(), {M({{kVisualDepth, 32}}), M()}, 1},
      {"alpha asked: a 32-bit visual",
       alpha,
       {M({{kAlpha, 8}, {kVisualDepth, 32}}), M({{kAlpha, 8}})},
       0},
      {"a tie: the earliest", M(), {M({{kDepth, 16}}), M(), M()}, 1},
      {"nothing to choose from", M(), {}, kNone},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.name);
    PIXELFORMATDESCRIPTOR request = kPixelFormat;
    if (!c.asked[kDoubleBuffer]) request.dwFlags &= ~PFD_DOUBLEBUFFER;
    request.cAlphaBits = (BYTE)c.asked[kAlpha];
    request.cDepthBits = (BYTE)c.asked[kDepth];
    request.cStencilBits = (BYTE)c.asked[kStencil];
    request.cAccumBits = (BYTE)c.asked[kAccum];
    std::vector<size_t> all;
    for (size_t i = 0; i < c.configs.size(); ++i) all.push_back(i);
    EXPECT_EQ(Closest(all, request, (unsigned long)c.asked[kVisual], Of(c.configs)), c.expected);
  }
}

TEST(GlxChoice, OnlyConfigsThatCanDrawTheRequestAreEligible) {
  PIXELFORMATDESCRIPTOR offscreen = kPixelFormat, colourIndex = kPixelFormat;
  offscreen.dwFlags &= ~PFD_DRAW_TO_WINDOW;
  colourIndex.iPixelType = 1;  // PFD_TYPE_COLORINDEX
  const struct {
    const PIXELFORMATDESCRIPTOR* request;
    std::vector<Config> config;
    bool eligible;
  } kCases[] = {
      {&kPixelFormat, {M()}, true},
      {&kPixelFormat, {M({{kVisual, 0}})}, false},
      {&kPixelFormat, {M({{kWindowDrawable, 0}})}, false},
      {&offscreen, {M({{kVisual, 0}, {kWindowDrawable, 0}})}, true},
      {&kPixelFormat, {M({{kLevel, 1}})}, false},   // an overlay
      {&kPixelFormat, {M({{kLevel, -1}})}, false},  // an underlay
      {&kPixelFormat, {M({{kRgba, 0}})}, false},
      {&colourIndex, {M({{kRgba, 0}})}, true},
      {&colourIndex, {M()}, false},
  };
  for (const auto& c : kCases)
    EXPECT_EQ(Eligible(0, *c.request, Of(c.config)), c.eligible) << &c - kCases;
}

}  // namespace
