/* The start-up benchmark's fair floor for skelv: the least a program does to
   show skelv's first picture, on Xlib and GLX alone. The same GLX config and
   window, fixed GL state, terrain arrays and textures made from the same data
   files (read from the working folder, like skelv), the same draws from the
   start pose (sky box, terrain strips, logo), then the swap. No logs, music,
   quadtree or window procedure.
   The terrain's draws come from terrain_draws.txt, which record_draws.so
   wrote from skelv's own first frame. Recording is the smaller honest way:
   the strips are exactly those skelv's quadtree chose, in its order, where a
   culling of our own would be a second copy of the tree's to keep equal to
   it; reading them costs one small file. They draw from one index array of
   whole rows, which holds every leaf's strip: the same indices, in order. */
#include <GL/gl.h>
#include <GL/glu.h>
#include <GL/glx.h>
#include <X11/Xlib.h>
#include <math.h>
#include <stdio.h>
#include <string.h>

enum {
  kGrid = 192, /* samples along each side of the terrain */
  kSamples = kGrid * kGrid,
  kStripIndices = (kGrid - 1) * kGrid * 2, /* a strip per row pair, two indices a column */
  kLogoWidth = 128,
  kLogoHeight = 64,
  kSky = 256,
  kMaxCalls = 16384
};

static unsigned char g_heights[kSamples], g_texels[kSamples * 3];
static unsigned char g_logo[kLogoWidth * kLogoHeight * 4], g_sky[kSky * kSky * 3];
static float g_vertices[kSamples][3], g_normals[kSamples][3], g_texCoords[kSamples][2];
static GLuint g_strips[kStripIndices];
static GLuint g_textures[3]; /* terrain, logo, sky, as skelv generates them */

typedef struct {
  char kind; /* b, c or d: the first letter of the recorded line */
  unsigned a, b, c, d;
} Call;
static Call g_calls[kMaxCalls];
static int g_callCount;

static int Fail(const char* message) {
  fprintf(stderr, "same_picture: %s\n", message);
  return 1;
}

/* Exactly size bytes, or failure: a short file is not skelv's picture. */
static int ReadFile(const char* path, unsigned char* buffer, size_t size) {
  FILE* file = fopen(path, "rb");
  if (!file) return 0;
  const size_t read = fread(buffer, 1, size, file);
  fclose(file);
  return read == size;
}

static int ReadDraws(const char* path) {
  FILE* file = fopen(path, "r");
  if (!file) return 0;
  char word[8];
  int ok = 1;
  while (ok && g_callCount < kMaxCalls && fscanf(file, "%7s", word) == 1) {
    Call* call = &g_calls[g_callCount++];
    call->kind = word[0];
    if (strcmp(word, "bind") == 0) {
      ok = fscanf(file, "%u %u", &call->a, &call->b) == 2;
    } else if (strcmp(word, "colour") == 0) {
      ok = fscanf(file, "%u %u %u", &call->a, &call->b, &call->c) == 3 &&
           (call->a | call->b | call->c) <= 255;
    } else if (strcmp(word, "draw") == 0) {
      ok = fscanf(file, "%u %u %u %u", &call->a, &call->b, &call->c, &call->d) == 4 &&
           call->c == GL_UNSIGNED_INT && call->b <= kStripIndices &&
           call->d <= (kStripIndices - call->b) / 2;
    } else {
      ok = 0;
    }
  }
  ok = ok && feof(file) && g_callCount > 0;
  fclose(file);
  return ok;
}

/* How far a size is from the one asked: a shortfall weighs more than any excess. */
static int Distance(int asked, int actual) {
  return actual < asked ? 1000 + asked - actual : actual - asked;
}

static int Attribute(Display* display, GLXFBConfig config, int name) {
  int value = 0;
  glXGetFBConfigAttrib(display, config, name, &value);
  return value;
}

/* The config's rank by skelv's pixel format (24 colour and 32 depth bits, no
   alpha, stencil, accumulation or samples), term by term; smaller is closer. */
enum { kTerms = 8 };
static void Rank(Display* display, GLXFBConfig config, int rank[kTerms]) {
  const int colour = Attribute(display, config, GLX_RED_SIZE) +
                     Attribute(display, config, GLX_GREEN_SIZE) +
                     Attribute(display, config, GLX_BLUE_SIZE);
  rank[0] = Attribute(display, config, GLX_CONFIG_CAVEAT) == GLX_SLOW_CONFIG;
  rank[1] = Distance(24, colour);
  rank[2] = Distance(32, Attribute(display, config, GLX_DEPTH_SIZE));
  rank[3] = Attribute(display, config, GLX_ALPHA_SIZE);
  rank[4] = Attribute(display, config, GLX_STENCIL_SIZE);
  rank[5] = Attribute(display, config, GLX_ACCUM_RED_SIZE) +
            Attribute(display, config, GLX_ACCUM_GREEN_SIZE) +
            Attribute(display, config, GLX_ACCUM_BLUE_SIZE) +
            Attribute(display, config, GLX_ACCUM_ALPHA_SIZE);
  rank[6] = Attribute(display, config, GLX_SAMPLES);
  XVisualInfo* visual = glXGetVisualFromFBConfig(display, config);
  rank[7] = visual && visual->depth > colour; /* a visual with alpha a compositor would blend */
  if (visual) XFree(visual);
}

/* The config skelv's windows get: of those GLX selects for a double-buffered
   RGBA window, the best ranked, the earliest in the server's order on a tie. */
static GLXFBConfig ChooseConfig(Display* display) {
  // clang-format off
  const int asked[] = {GLX_RENDER_TYPE, GLX_RGBA_BIT, GLX_DRAWABLE_TYPE, GLX_WINDOW_BIT,
                       GLX_STEREO, GLX_DONT_CARE, GLX_TRANSPARENT_TYPE, GLX_DONT_CARE,
                       GLX_DOUBLEBUFFER, True, None};
  // clang-format on
  int all = 0, selected = 0, best[kTerms];
  GLXFBConfig* configs = glXGetFBConfigs(display, DefaultScreen(display), &all);
  GLXFBConfig* chosen = glXChooseFBConfig(display, DefaultScreen(display), asked, &selected);
  GLXFBConfig choice = NULL;
  for (int i = 0; i < all; ++i) {
    int j = 0, rank[kTerms], t = 0;
    while (j < selected && chosen[j] != configs[i]) ++j;
    if (j == selected) continue;
    Rank(display, configs[i], rank);
    while (choice && t < kTerms && rank[t] == best[t]) ++t;
    if (choice && (t == kTerms || rank[t] > best[t])) continue;
    choice = configs[i];
    memcpy(best, rank, sizeof best);
  }
  if (chosen) XFree(chosen);
  if (configs) XFree(configs);
  return choice;
}

/* The terrain as skelv builds it: a vertex per sample, its normal from the
   triangle it spans with its +x and +z neighbours (the last row and column
   copy their inner neighbour's), a texel per cell. */
static void BuildTerrain(void) {
  for (int i = 0; i < kSamples; ++i) {
    g_vertices[i][0] = (float)(i % kGrid) * 16.0f;
    g_vertices[i][1] = (float)g_heights[i] * 2.0f;
    g_vertices[i][2] = (float)(i / kGrid) * 16.0f;
    g_texCoords[i][0] = (float)((i % kGrid) / 192.0);
    g_texCoords[i][1] = (float)((i / kGrid) / 192.0);
  }
  for (int i = 0; i < kSamples; ++i) {
    const int row = i / kGrid, column = i % kGrid;
    if (row == kGrid - 1 || column == kGrid - 1) continue;
    const float* p0 = g_vertices[i];
    const float* p1 = g_vertices[i + 1];
    const float* p2 = g_vertices[i + kGrid];
    const float u[3] = {p0[0] - p1[0], p0[1] - p1[1], p0[2] - p1[2]};
    const float v[3] = {p1[0] - p2[0], p1[1] - p2[1], p1[2] - p2[2]};
    float* n = g_normals[i];
    n[0] = u[1] * v[2] - u[2] * v[1];
    n[1] = u[2] * v[0] - u[0] * v[2];
    n[2] = u[0] * v[1] - u[1] * v[0];
    const float length =
        (float)sqrt((double)n[0] * n[0] + (double)n[1] * n[1] + (double)n[2] * n[2]);
    for (int k = 0; k < 3; ++k) n[k] /= length;
  }
  for (int row = 0; row < kGrid - 1; ++row)
    memcpy(g_normals[row * kGrid + kGrid - 1], g_normals[row * kGrid + kGrid - 2],
           sizeof g_normals[0]);
  memcpy(g_normals[(kGrid - 1) * kGrid], g_normals[(kGrid - 2) * kGrid],
         sizeof g_normals[0] * kGrid);
  for (int p = 0; p < (kGrid - 1) * kGrid; ++p) {
    g_strips[2 * p] = (GLuint)p;
    g_strips[2 * p + 1] = (GLuint)(p + kGrid);
  }
}

static void SetFixedState(void) {
  static const GLfloat ambient[] = {0.2f, 0.2f, 0.2f, 1.0f}, diffuse[] = {0.5f, 0.5f, 0.5f, 1.0f};
  static const GLfloat specular[] = {0.8f, 0.8f, 0.8f, 1.0f}, position[] = {512, 368, 512, 0};
  static const GLfloat white[] = {1, 1, 1, 1};
  static const GLenum enabled[] = {GL_DEPTH_TEST, GL_CULL_FACE, GL_TEXTURE_2D, GL_COLOR_MATERIAL,
                                   GL_FOG,        GL_LIGHTING,  GL_LIGHT1};
  glClearColor(1, 1, 1, 1);
  glRenderMode(GL_RENDER);
  glShadeModel(GL_SMOOTH);
  glFrontFace(GL_CCW);
  for (size_t i = 0; i < sizeof enabled / sizeof enabled[0]; ++i) glEnable(enabled[i]);
  glEnableClientState(GL_VERTEX_ARRAY);
  glEnableClientState(GL_NORMAL_ARRAY);
  glEnableClientState(GL_TEXTURE_COORD_ARRAY);
  glTexEnvf(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
  glLightfv(GL_LIGHT1, GL_AMBIENT, ambient);
  glLightfv(GL_LIGHT1, GL_DIFFUSE, diffuse);
  glLightfv(GL_LIGHT1, GL_SPECULAR, specular);
  glLightfv(GL_LIGHT1, GL_POSITION, position); /* with the model-view still the identity */
  glFogf(GL_FOG_DENSITY, 0.004f);
  glFogi(GL_FOG_MODE, GL_EXP2);
  glFogfv(GL_FOG_COLOR, white);
  glFogf(GL_FOG_START, 0.5f);
  glFogf(GL_FOG_END, 1.0f);
}

/* A raw image, with nearest-texel filtering and no mipmaps. */
static void UploadImage(GLuint texture, GLint components, int width, int height, GLenum format,
                        const void* pixels) {
  glBindTexture(GL_TEXTURE_2D, texture);
  glTexImage2D(GL_TEXTURE_2D, 0, components, width, height, 0, format, GL_UNSIGNED_BYTE, pixels);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
}

static void UploadTextures(void) {
  glGenTextures(3, g_textures);
  glBindTexture(GL_TEXTURE_2D, g_textures[0]);
  gluBuild2DMipmaps(GL_TEXTURE_2D, 3, kGrid, kGrid, GL_RGB, GL_UNSIGNED_BYTE, g_texels);
  UploadImage(g_textures[1], 4, kLogoWidth, kLogoHeight, GL_RGBA, g_logo);
  UploadImage(g_textures[2], 3, kSky, kSky, GL_RGB, g_sky);
}

/* The open box around the terrain (3072 square, 512 high): the textured
   ceiling, then four walls in one tint. */
static void DrawSkyBox(void) {
  static const float ceiling[4][4] = {
      {0, 1, 0, 0}, {1, 1, 3072, 0}, {1, 0, 3072, 3072}, {0, 0, 0, 3072}};
  static const float walls[4][5][3] = {
      {{1536, 256, -1}, {0, 512, 3072}, {3072, 512, 3072}, {3072, 0, 3072}, {0, 0, 3072}},
      {{1, 256, 1536}, {0, 512, 0}, {0, 512, 3072}, {0, 0, 3072}, {0, 0, 0}},
      {{-1, 256, 1536}, {3072, 0, 0}, {3072, 0, 3072}, {3072, 512, 3072}, {3072, 512, 0}},
      {{1536, 256, 1}, {0, 0, 0}, {3072, 0, 0}, {3072, 512, 0}, {0, 512, 0}}};
  glBindTexture(GL_TEXTURE_2D, g_textures[2]);
  glDisable(GL_LIGHTING);
  glBegin(GL_QUADS);
  glColor3ub(255, 255, 255);
  glNormal3f(1536, -1, 1536);
  for (int i = 0; i < 4; ++i) { /* s, t, x, z */
    glTexCoord2f(ceiling[i][0], ceiling[i][1]);
    glVertex3f(ceiling[i][2], 512, ceiling[i][3]);
  }
  glColor3ub(181, 188, 215);
  for (int w = 0; w < 4; ++w) {
    glNormal3fv(walls[w][0]);
    for (int i = 1; i <= 4; ++i) glVertex3fv(walls[w][i]);
  }
  glEnd();
  glEnable(GL_LIGHTING);
}

static void DrawTerrain(void) {
  for (const Call* call = g_calls; call != g_calls + g_callCount; ++call) {
    if (call->kind == 'b') glBindTexture(call->a, call->b);
    if (call->kind == 'c') glColor3ub((GLubyte)call->a, (GLubyte)call->b, (GLubyte)call->c);
    if (call->kind == 'd')
      glDrawElements(call->a, (GLsizei)call->b, call->c, g_strips + 2 * call->d);
  }
}

/* Blended into the lower-right corner, one texel per pixel, on the overlays'
   screen projection. */
static void DrawLogo(void) {
  static const float corners[4][4] = {
      {0, 1, 512, 0}, {1, 1, 640, 0}, {1, 0, 640, 64}, {0, 0, 512, 64}};
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  glOrtho(0.0, 640, 0.0, 480, 1.0, -1.0);
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
  glEnable(GL_BLEND);
  glBlendFunc(GL_ONE_MINUS_SRC_ALPHA, GL_ONE);
  glBindTexture(GL_TEXTURE_2D, g_textures[1]);
  glBegin(GL_QUADS);
  glNormal3f(576, 32, 1);
  glColor4f(1, 1, 1, 1);
  for (int i = 0; i < 4; ++i) {
    glTexCoord2f(corners[i][0], corners[i][1]);
    glVertex2f(corners[i][2], corners[i][3]);
  }
  glEnd();
}

/* skelv's first frame: its camera has made one forward step from the start
   pose before the frame is drawn on a 640x480 viewport. */
static void DrawFirstFrame(void) {
  float eye[3] = {128, 368, 128}, target[3] = {585, 420, 400};
  const float dx = target[0] - eye[0], dz = target[2] - eye[2], step = 0.002f;
  eye[0] += dx * step;
  eye[2] += dz * step;
  target[0] += dx * step;
  target[2] += dz * step;
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  glViewport(0, 0, 640, 480);
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  gluPerspective(60.0, (float)640 / (float)480, 0.1, 600.0);
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
  glScalef(0.32f, 0.32f, 0.32f);
  gluLookAt(eye[0], eye[1], eye[2], target[0], target[1], target[2], 0, 1, 0);
  DrawSkyBox();
  DrawTerrain();
  DrawLogo();
  glDisable(GL_BLEND);
  glFlush();
}

int main(void) {
  if (!ReadFile("Scape.raw", g_heights, sizeof g_heights) ||
      !ReadFile("scape.tex", g_texels, sizeof g_texels) ||
      !ReadFile("skelv.rgba", g_logo, sizeof g_logo) || !ReadFile("sky.raw", g_sky, sizeof g_sky))
    return Fail("a data file is missing or short (Scape.raw, scape.tex, skelv.rgba, sky.raw)");
  if (!ReadDraws("terrain_draws.txt"))
    return Fail("terrain_draws.txt is missing or not a recording of skelv's terrain draws");
  Display* display = XOpenDisplay(NULL);
  if (!display) return Fail("cannot open the X display");
  GLXFBConfig config = ChooseConfig(display);
  XVisualInfo* visual = config ? glXGetVisualFromFBConfig(display, config) : NULL;
  if (!visual) return Fail("no double-buffered RGBA window config");

  Window root = RootWindow(display, visual->screen);
  XSetWindowAttributes attributes = {0};
  attributes.colormap = XCreateColormap(display, root, visual->visual, AllocNone);
  attributes.background_pixmap = None;
  attributes.event_mask = StructureNotifyMask;
  Window window = XCreateWindow(
      display, root, 0, 0, CLIENT_WIDTH, CLIENT_HEIGHT, 0, visual->depth, InputOutput,
      visual->visual, CWColormap | CWBackPixmap | CWBorderPixel | CWEventMask, &attributes);
  XFree(visual);
  XMapWindow(display, window);
  XEvent event;
  do XNextEvent(display, &event);
  while (event.type != MapNotify);
  GLXContext context = glXCreateNewContext(display, config, GLX_RGBA_TYPE, NULL, True);
  if (!context || !glXMakeCurrent(display, window, context))
    return Fail("cannot make an OpenGL context current");

  SetFixedState();
  UploadTextures();
  BuildTerrain();
  glVertexPointer(3, GL_FLOAT, 0, g_vertices);
  glNormalPointer(GL_FLOAT, 0, g_normals);
  glTexCoordPointer(2, GL_FLOAT, 0, g_texCoords);
  DrawFirstFrame();
  glXSwapBuffers(display, window);

  glXMakeCurrent(display, None, NULL);
  glXDestroyContext(display, context);
  XCloseDisplay(display);
  return 0;
}
