// Frame benchmark: frames per second of the real CSystem3D::Frame on a real
// Mesa context over a fixed flight (the cursor held at the centre), next to
// reference frames that issue the same OpenGL calls from lists recorded on
// the same flight, with no camera, culling or tree walk. Also reports the time of
// CSystem3D::Init and checks that a real frame allocates exactly as often as
// its reference: the driver allocates alike in both, so any difference is an
// allocation made by the frame's own code or by a library on its behalf.
// Exits with 2 when any frame's counts differ, when the frames draw more than
// half of the terrain (the tree culls nothing), or the flight was not the same.
//
// Usage, from the build folder (the data files live there), with DISPLAY set:
//   ./frame_bench [frames per pass, default 600] [rounds, default 3]
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "AllocationCounter.h"
#include "GlRecorder.h"
#include "Median.h"
#include "System/Win32/CApplication.h"
#include "console/CConsole.h"
#include "render/CCamera.h"
#include "render/CSystem3D.h"

namespace {
typedef std::chrono::steady_clock Clock;

double Seconds(Clock::time_point from, Clock::time_point to) {
  return std::chrono::duration<double>(to - from).count();
}

// What the recording pass keeps of every frame.
struct Flight {
  float projection[16];
  std::vector<float> modelviews;  // 16 per frame
  std::vector<GlCall> calls;      // the terrain's calls, frame after frame
  std::vector<size_t> firstCall;  // per frame, plus one past the end
  CCamera endPose{{0, 0, 0}, {0, 0, 0}, {0, 0, 0}};
  double firstFrameSeconds[2] = {0, 0};  // the first two, drawn and swapped
};

// The frame's own steps, in the frame's order, with the terrain's calls recorded.
void RecordFlight(CSystem3D& system, int frames, Flight& flight) {
  CRenderer& renderer = *system.renderer;
  flight.modelviews.resize((size_t)frames * 16);
  WPARAM quitCode = 0;  // the message passes run outside the timed part
  for (int f = 0; f < frames; ++f) {
    PumpOneMessage(&quitCode);
    const Clock::time_point start = Clock::now();
    renderer.BeginFrame();
    glGetFloatv(GL_PROJECTION_MATRIX, flight.projection);
    glGetFloatv(GL_MODELVIEW_MATRIX, &flight.modelviews[(size_t)f * 16]);
    renderer.DrawSkyBox();
    flight.firstCall.push_back(flight.calls.size());
    StartRecordingGl(&flight.calls);
    system.root->Render(renderer.frustum);
    StopRecordingGl();
    renderer.DrawLogo();
    if (Console.IsActive() == 1) Console.DrawConsolePanel();
    renderer.EndFrame();
    if (f < 2) flight.firstFrameSeconds[f] = Seconds(start, Clock::now());
  }
  flight.firstCall.push_back(flight.calls.size());
  flight.endPose = GlobalCamera;
}

// The same OpenGL work as one frame, from the recorded lists.
void ReferenceFrame(CRenderer& renderer, const Flight& flight, int f) {
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  glViewport(0, 0, kScreenWidth, kScreenHeight);
  glMatrixMode(GL_PROJECTION);
  glLoadMatrixf(flight.projection);
  glMatrixMode(GL_MODELVIEW);
  glLoadMatrixf(&flight.modelviews[(size_t)f * 16]);
  float scratch[16];  // the frustum's two matrix reads
  glGetFloatv(GL_PROJECTION_MATRIX, scratch);
  glGetFloatv(GL_MODELVIEW_MATRIX, scratch);
  renderer.DrawSkyBox();
  const GlCall* calls = flight.calls.data();
  ReplayGl(calls + flight.firstCall[f], calls + flight.firstCall[f + 1]);
  renderer.DrawLogo();
  renderer.EndFrame();
}

struct Pass {
  double seconds = 0;
  uint64_t allocations = 0;
};

// Real and reference frames take turns, each reference frame repeating the
// real one just drawn, so a busy machine slows both sides alike.
// Adds each frame's real minus reference allocations to differences.
void TimeInterleaved(CSystem3D& system, const Flight& flight, int frames, Pass& real,
                     Pass& reference, std::vector<double>* differences) {
  WPARAM quitCode = 0;
  for (int f = 0; f < frames; ++f) {
    PumpOneMessage(&quitCode);
    StartCountingAllocations();
    Clock::time_point start = Clock::now();
    system.Frame();
    real.seconds += Seconds(start, Clock::now());
    const uint64_t realAllocations = StopCountingAllocations();
    real.allocations += realAllocations;

    PumpOneMessage(&quitCode);
    StartCountingAllocations();
    start = Clock::now();
    ReferenceFrame(*system.renderer, flight, f);
    reference.seconds += Seconds(start, Clock::now());
    const uint64_t referenceAllocations = StopCountingAllocations();
    reference.allocations += referenceAllocations;
    differences->push_back((double)realAllocations - (double)referenceAllocations);
  }
}

// The terrain's draws of the whole tree, as a frustum that holds all of it
// sees them.
size_t DrawsOfEveryLeaf(CQuadNode& root) {
  const float kWorld[16] = {1e-6f, 0, 0, 0, 0, 1e-6f, 0, 0, 0, 0, -1e-6f, 0, 0, 0, 0, 1};
  const float kIdentity[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
  CFrustum everything;
  everything.ExtractFrom(kWorld, kIdentity);
  std::vector<GlCall> calls;
  StartRecordingGl(&calls);
  root.Render(everything);
  StopRecordingGl();
  return std::count_if(calls.begin(), calls.end(),
                       [](const GlCall& c) { return c.kind == GlCall::kDrawElements; });
}

bool SamePose(const CCamera& a, const CCamera& b) {
  return a.eye.x == b.eye.x && a.eye.y == b.eye.y && a.eye.z == b.eye.z &&
         a.target.x == b.target.x && a.target.y == b.target.y && a.target.z == b.target.z;
}

// The counter must see allocations through either door, and one a library
// makes on our behalf.
bool CounterSeesAllocations() {
  StartCountingAllocations();
  int* volatile object = new int(1);
  void* volatile block = malloc(16);
  char* volatile copy = strdup("x");
  const uint64_t counted = StopCountingAllocations();
  delete object;
  free(block);
  free(copy);
  return counted == 3;
}

}  // namespace

int main(int argc, char** argv) {
  const int frames = argc > 1 ? std::max(1, atoi(argv[1])) : 600;
  const int rounds = argc > 2 ? std::max(1, atoi(argv[2])) : 3;
  if (!ResolveRecordedGlCalls()) {
    fprintf(stderr, "frame_bench: the GL library's entry points were not found\n");
    return 1;
  }

  if (!CounterSeesAllocations()) {
    fprintf(stderr, "frame_bench: the allocation counter does not work in this build\n");
    return 1;
  }

  CWindow window{};
  window.Register(nullptr);
  window.Create("SKELV by Quorrin");
  if (!window.window) {
    fprintf(stderr, "frame_bench: no window (is DISPLAY set and the platform layer built?)\n");
    return 1;
  }
  SetCursorPos(kMouseCentreX, kMouseCentreY);  // held there: a fixed, unsteered flight

  CSystem3D* system = new CSystem3D();
  const Clock::time_point initStart = Clock::now();
  system->Init();
  const double initSeconds = Seconds(initStart, Clock::now());
  const char* renderer = (const char*)glGetString(GL_RENDERER);
  if (!renderer) {
    fprintf(stderr, "frame_bench: no OpenGL context after CSystem3D::Init (see OpenGL.txt)\n");
    return 1;
  }

  const CCamera startPose = GlobalCamera;
  Flight flight;
  RecordFlight(*system, frames, flight);  // also warms the driver up

  std::vector<double> realFps, referenceFps;
  Pass real, ref;
  bool sameFlight = true;
  std::vector<double> differences;
  for (int round = 0; round < rounds; ++round) {
    GlobalCamera = startPose;
    real = Pass();
    ref = Pass();
    TimeInterleaved(*system, flight, frames, real, ref, &differences);
    sameFlight = sameFlight && SamePose(GlobalCamera, flight.endPose);
    realFps.push_back(frames / real.seconds);
    referenceFps.push_back(frames / ref.seconds);
  }
  const size_t everyLeaf = DrawsOfEveryLeaf(*system->root);
  system->DeInit();
  delete system;

  const double real_ = Median(realFps), reference = Median(referenceFps);
  const size_t draws = std::count_if(flight.calls.begin(), flight.calls.end(), [](const GlCall& c) {
    return c.kind == GlCall::kDrawElements;
  });
  printf("frame_bench: %s, %d frames per pass, %d rounds\n", renderer, frames, rounds);
  printf("CSystem3D::Init                 %8.1f ms\n", initSeconds * 1000);
  // The first frame pays the driver's one-off work for the frame's states
  // (llvmpipe builds its shader variants); every program that draws this
  // frame pays it before its first picture.
  printf("first frame, drawn and swapped  %8.1f ms (the second %.1f ms)\n",
         flight.firstFrameSeconds[0] * 1000, flight.firstFrameSeconds[1] * 1000);
  printf("real frame (CSystem3D::Frame)   %8.1f fps  %7.3f ms/frame\n", real_, 1000 / real_);
  printf("reference (recorded GL calls)   %8.1f fps  %7.3f ms/frame\n", reference,
         1000 / reference);
  printf("ratio real / reference          %8.3f\n", real_ / reference);
  // The view from the flight sees well under half of the terrain: a tree that
  // culls nothing draws it all, for the same picture.
  const double drawnShare = (double)draws / frames / (double)everyLeaf;
  printf("terrain draw calls per frame    %8.1f (%.2f of the whole tree's %zu)\n",
         (double)draws / frames, drawnShare, everyLeaf);
  printf("heap allocations per frame      %8.3f real, %.3f reference, difference %.3f\n",
         (double)real.allocations / frames, (double)ref.allocations / frames,
         ((double)real.allocations - (double)ref.allocations) / frames);
  // NOTE: now and then Mesa allocates a few blocks more (or fewer) in one of
  // the two frames (2 either way in 4 frames of 600 on llvmpipe); the median
  // difference is immune to that, while an allocation of the frame's own adds
  // one to every frame.
  const size_t differing =
      std::count_if(differences.begin(), differences.end(), [](double d) { return d != 0; });
  const double difference = Median(differences);
  printf("median difference per frame     %8.1f (%zu of %zu frames differ)\n", difference,
         differing, differences.size());
  if (!sameFlight) printf("WARNING: the flight differed from the recorded one (cursor moved?)\n");
  if (difference != 0) printf("FAIL: a real frame allocates more often than its reference\n");
  if (drawnShare > 0.5) printf("FAIL: the quadtree draws more than half of the terrain\n");
  return difference == 0 && drawnShare <= 0.5 && sameFlight ? 0 : 2;
}
