// Records the terrain's OpenGL calls of a frame (texture binds, colours and
// indexed draws) so a reference loop can issue the same calls again without
// the camera, the culling or the tree walk. The three calls are interposed:
// the executable defines them and forwards to the GL library.
#pragma once

#include <cstdint>
#include <vector>

#include "base/Platform.h"

struct GlCall {
  enum Kind : uint8_t { kBindTexture, kColour, kDrawElements } kind;
  GLenum target;        // bind: texture target; draw: primitive mode
  GLuint value;         // bind: texture name; colour: packed RGB; draw: index type
  GLsizei count;        // draw: index count
  const void* indices;  // draw: first index
};

// Looks the GL library's own entry points up; call once before anything else.
bool ResolveRecordedGlCalls();
// Appends the interposed calls made while recording to calls.
void StartRecordingGl(std::vector<GlCall>* calls);
void StopRecordingGl();
// Issues recorded calls again, through the same entry points.
void ReplayGl(const GlCall* begin, const GlCall* end);
