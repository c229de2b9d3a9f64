#include "GlRecorder.h"

#include <dlfcn.h>

namespace {
typedef void (*BindTextureFn)(GLenum, GLuint);
typedef void (*Colour3ubFn)(GLubyte, GLubyte, GLubyte);
typedef void (*DrawElementsFn)(GLenum, GLsizei, GLenum, const void*);

BindTextureFn g_bindTexture = nullptr;
Colour3ubFn g_colour3ub = nullptr;
DrawElementsFn g_drawElements = nullptr;
std::vector<GlCall>* g_recording = nullptr;
}  // namespace

bool ResolveRecordedGlCalls() {
  g_bindTexture = (BindTextureFn)dlsym(RTLD_NEXT, "glBindTexture");
  g_colour3ub = (Colour3ubFn)dlsym(RTLD_NEXT, "glColor3ub");
  g_drawElements = (DrawElementsFn)dlsym(RTLD_NEXT, "glDrawElements");
  return g_bindTexture && g_colour3ub && g_drawElements;
}

void StartRecordingGl(std::vector<GlCall>* calls) { g_recording = calls; }
void StopRecordingGl() { g_recording = nullptr; }

void ReplayGl(const GlCall* begin, const GlCall* end) {
  for (const GlCall* call = begin; call != end; ++call) {
    switch (call->kind) {
      case GlCall::kBindTexture:
        glBindTexture(call->target, call->value);
        break;
      case GlCall::kColour:
        glColor3ub((GLubyte)(call->value >> 16), (GLubyte)(call->value >> 8), (GLubyte)call->value);
        break;
      case GlCall::kDrawElements:
        glDrawElements(call->target, call->count, call->value, call->indices);
        break;
    }
  }
}

extern "C" void glBindTexture(GLenum target, GLuint texture) {
  if (g_recording) g_recording->push_back({GlCall::kBindTexture, target, texture, 0, nullptr});
  g_bindTexture(target, texture);
}

extern "C" void glColor3ub(GLubyte red, GLubyte green, GLubyte blue) {
  if (g_recording) {
    const GLuint packed = (GLuint)red << 16 | (GLuint)green << 8 | blue;
    g_recording->push_back({GlCall::kColour, 0, packed, 0, nullptr});
  }
  g_colour3ub(red, green, blue);
}

extern "C" void glDrawElements(GLenum mode, GLsizei count, GLenum type, const void* indices) {
  if (g_recording) g_recording->push_back({GlCall::kDrawElements, mode, type, count, indices});
  g_drawElements(mode, count, type, indices);
}
