#include "render/CRenderer.h"

#include <cstdio>
#include <cstring>
#include <ctime>

#include "base/Screen.h"
#include "platform/PixelFormat.h"
#include "render/CCamera.h"

namespace {
const float kWorldScale = 0.32f;
const float kCameraStep = 0.002f;

const char kExtensionsFormat[] = "Extensions: %s\n";
// The most characters one log message holds.
const size_t kLogMessageChars = kLogMessageBytes - 1;

// Handles are logged as plain integers ("%i").
int HandleNumber(const void* handle) { return (int)(INT_PTR)handle; }

const char* DriverString(GLenum name) {
  const char* text = (const char*)glGetString(name);
  return text ? text : "(null)";
}
}  // namespace

bool CRenderer::Init() {
  deviceContext = GetDC(GetActiveWindow());
  if (!deviceContext) OpenGLLog.Print("Failed to get device context\n");

  const int pixelFormat = ChoosePixelFormat(deviceContext, &kPixelFormat);
  if (pixelFormat == 0) OpenGLLog.Print("Failed to choose a pixel format.\n");

  OpenGLLog.Print("DC %i, GetActiveWindow DC %i\n", HandleNumber(deviceContext),
                  HandleNumber(GetDC(GetActiveWindow())));

  if (!SetPixelFormat(deviceContext, pixelFormat, &kPixelFormat))
    OpenGLLog.Print("Failed to set pixel format.\n");

  renderingContext = wglCreateContext(deviceContext);
  const BOOL current = wglMakeCurrent(deviceContext, renderingContext);
  // Without a current context nothing can be drawn: said once, here and on
  // standard error, and the caller ends the program instead of spinning.
  const char* failure = !renderingContext ? "Failed to create rendering context\n"
                        : !current        ? "Failed to make the rendering context current\n"
                                          : nullptr;
  if (failure) {
    OpenGLLog.Print("%s", failure);
    fprintf(stderr, "%s", failure);
  }

  SetFixedState();
  frameCount = 0;
  startTime = (int32_t)time(nullptr);
  LogDriverInfo();
  return failure == nullptr;
}

void CRenderer::SetFixedState() {
  glClearColor(1.0f, 1.0f, 1.0f, 1.0f);
  glRenderMode(GL_RENDER);
  glShadeModel(GL_SMOOTH);
  glFrontFace(GL_CCW);
  glEnable(GL_DEPTH_TEST);
  glEnable(GL_CULL_FACE);
  glEnable(GL_TEXTURE_2D);
  glEnable(GL_COLOR_MATERIAL);
  glEnable(GL_FOG);
  // The terrain's arrays are the only client arrays; they stay on for the whole run.
  glEnableClientState(GL_VERTEX_ARRAY);
  glEnableClientState(GL_NORMAL_ARRAY);
  glEnableClientState(GL_TEXTURE_COORD_ARRAY);
  glTexEnvf(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);

  const GLfloat ambient[] = {0.2f, 0.2f, 0.2f, 1.0f};
  const GLfloat diffuse[] = {0.5f, 0.5f, 0.5f, 1.0f};
  const GLfloat specular[] = {0.8f, 0.8f, 0.8f, 1.0f};
  // Given while the model-view matrix is still the identity: the light stays
  // where it is relative to the viewer.
  const GLfloat position[] = {512.0f, 368.0f, 512.0f, kLightPositionW};
  glLightfv(GL_LIGHT1, GL_AMBIENT, ambient);
  glLightfv(GL_LIGHT1, GL_DIFFUSE, diffuse);
  glLightfv(GL_LIGHT1, GL_SPECULAR, specular);
  glLightfv(GL_LIGHT1, GL_POSITION, position);
  glEnable(GL_LIGHTING);
  glEnable(GL_LIGHT1);

  // GL_EXP2 uses only the density; start and end are set but never enter it.
  const GLfloat fogColour[] = {1.0f, 1.0f, 1.0f, 1.0f};
  glFogf(GL_FOG_DENSITY, 0.004f);
  glFogi(GL_FOG_MODE, GL_EXP2);
  glFogfv(GL_FOG_COLOR, fogColour);
  glFogf(GL_FOG_START, 0.5f);
  glFogf(GL_FOG_END, 1.0f);
}

void CRenderer::LogDriverInfo() {
  OpenGLLog.Print("OpenGL Driver Info\n");
  OpenGLLog.Print("Vendor: %s\n", DriverString(GL_VENDOR));
  OpenGLLog.Print("Renderer: %s\n", DriverString(GL_RENDERER));
  OpenGLLog.Print("Version: %s\n", DriverString(GL_VERSION));

  // The list has no length bound. A message longer than the log takes would
  // be cut mid-name and lose its line end, so it is cut here instead, after
  // the last extension name that fits.
  const char* extensions = DriverString(GL_EXTENSIONS);
  const size_t room = kLogMessageChars - (sizeof kExtensionsFormat - 1 - 2);
  size_t length = strlen(extensions);
  if (length > room) {
    length = room;
    while (length > 0 && extensions[length] != ' ') --length;
    if (length == 0) length = room;  // one name longer than the line: cut it
  }
  char shortened[kLogMessageChars + 1];
  memcpy(shortened, extensions, length);
  shortened[length] = '\0';
  OpenGLLog.Print(kExtensionsFormat, shortened);
}

void CRenderer::SetPerspective(int32_t width, int32_t height) {
  if (height == 0) height = 1;
  glViewport(0, 0, width, height);
  const float aspect = (float)width / (float)height;
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  gluPerspective(60.0, aspect, 0.1, 600.0);
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
}

// The camera moves and turns before the clear, so the frame shows the pose it produced.
void CRenderer::BeginFrame() {
  ++frameCount;
  GlobalCamera.MoveForward(kCameraStep);
  GlobalCamera.MouseLook();
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  SetPerspective(kScreenWidth, kScreenHeight);
  glLoadIdentity();
  // Loaded before the look-at, the scale acts on eye coordinates: only depth,
  // fog and lighting see it, the projected picture does not.
  glScalef(kWorldScale, kWorldScale, kWorldScale);
  GlobalCamera.Apply();
  frustum.Extract();
}

// Blending is left on by the overlays; every frame starts without it.
void CRenderer::EndFrame() {
  glDisable(GL_BLEND);
  glFlush();
  SwapBuffers(deviceContext);
}

bool CRenderer::DeInit() {
  endTime = (int32_t)time(nullptr);
  OpenGLLog.Print("Average frame rate: %i FPS\n",
                  (int)AverageFrameRate(frameCount, startTime, endTime));
  wglMakeCurrent(deviceContext, nullptr);
  wglDeleteContext(renderingContext);
  return true;
}

// The elapsed time is an unsigned difference, so a clock that went backwards
// gives a huge interval and a rate of 0. A run inside one calendar second
// counts as one second rather than dividing by zero.
uint32_t AverageFrameRate(uint32_t frames, int32_t startTime, int32_t endTime) {
  uint32_t elapsed = (uint32_t)endTime - (uint32_t)startTime;
  if (elapsed == 0) elapsed = 1;
  return frames / elapsed;
}
