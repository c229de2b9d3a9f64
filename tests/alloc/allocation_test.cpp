// Allocation failure: this test program replaces the global allocator so a
// chosen non-throwing allocation fails. The terrain then ends the process with
// one line in its module's log, rather than drawing from a null array.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <functional>
#include <new>

#include "System/Win32/CApplication.h"
#include "TestFiles.h"
#include "terrain/CQuadNode.h"
#include "terrain/CTerrainLoader.h"

namespace {
size_t g_failingSize = 0;
int g_failCountdown = 0;

// The n-th (1-based) non-throwing allocation of this many bytes from now on returns null.
void FailNthAllocation(size_t bytes, int n) {
  g_failingSize = bytes;
  g_failCountdown = n;
}

void* Allocate(size_t bytes, bool nothrow) {
  if (nothrow && g_failCountdown > 0 && bytes == g_failingSize && --g_failCountdown == 0)
    return nullptr;
  void* block = malloc(bytes ? bytes : 1);
  if (!block && !nothrow) throw std::bad_alloc();
  return block;
}
}  // namespace

void* operator new(size_t bytes) { return Allocate(bytes, false); }
void* operator new[](size_t bytes) { return Allocate(bytes, false); }
void* operator new(size_t bytes, const std::nothrow_t&) noexcept { return Allocate(bytes, true); }
void* operator new[](size_t bytes, const std::nothrow_t&) noexcept { return Allocate(bytes, true); }
void operator delete(void* p) noexcept { free(p); }
void operator delete[](void* p) noexcept { free(p); }
void operator delete(void* p, size_t) noexcept { free(p); }
void operator delete[](void* p, size_t) noexcept { free(p); }

namespace {

TEST(AllocationFailureDeathTest, EndsTheProcessWithOneLogLine) {
  struct Case {
    const char* log;
    size_t bytes;
    int nth;
    std::function<void()> run;
    std::string lastLine;
  };
  RawImage image = {};
  const Case kCases[] = {
      {"QLog.txt", sizeof(CQuadNode), 700, [] { CQuadNode root(1, 6); },
       "Out of memory: quadtree node"},
      {"QLog.txt", 84 * sizeof(uint32_t), 3, [] { CQuadNode(1, 6).Build(0, 3072, 0, 3072); },
       "Out of memory: quadtree index strips"},
      {"MTF.txt", 36864 * sizeof(Vector3), 1,
       [] { CTerrainLoader().LoadHeightFile("Scape.raw", nullptr); },
       "Out of memory: terrain vertices"},
      {"MTF.txt", 128 * 64 * 4, 1,
       [&] { CTerrainLoader().LoadRawTexture("skelv.rgba", &image, TEX_LOGO, 128, 64, 4); },
       "Out of memory: image 'skelv.rgba'"},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.lastLine);
    LogFile log(c.log);
    EXPECT_EXIT((FailNthAllocation(c.bytes, c.nth), c.run()),
                ::testing::ExitedWithCode(EXIT_FAILURE), c.lastLine);
    const std::string added = log.Added();
    EXPECT_EQ(added.substr(added.rfind('\n', added.size() - 2) + 1), c.lastLine + "\n");
  }
}

// The owners' answer to a failed allocation of a member: one line in the
// owner's log (if that log exists) and on standard error, and exit code 1.
TEST(AllocationFailureDeathTest, OwnersEndTheProcessWithOneLogLine) {
  struct Case {
    size_t bytes;
    const char* file;  // null: the line goes to standard error
    const char* line;
  } const kCases[] = {
      // every non-throwing allocation of the construction, in order
      {sizeof(CLog), nullptr, "Out of memory: main log"},
      {sizeof(CWindow), "Main.txt", "1|Out of memory: window\n"},
      {sizeof(CMusic), "Main.txt", "1|Out of memory: music\n"},
      {sizeof(CMidiPlayer), "MIDI.txt", "Out of memory: MIDI player\n"},
      {sizeof(CSystem3D), "Main.txt", "1|Out of memory: 3D system\n"},
      {sizeof(CLog), nullptr, "Out of memory: 3D system log"},
      {sizeof(CRenderer), "Sys3DLog.txt", "Out of memory: renderer\n"},
      {sizeof(CTerrainLoader), "Sys3DLog.txt", "Out of memory: terrain loader\n"},
      {sizeof(CQuadNode), "Sys3DLog.txt", "CSystem3D::Init()\nOut of memory: quadtree root\n"},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.line);
    int nth = 1;  // earlier members of the same size come first
    for (const Case* earlier = kCases; earlier != &c; ++earlier) nth += earlier->bytes == c.bytes;
    if (c.file) WriteWholeFile(c.file, "");
    // the message reaches standard error as well as the log
    const std::string message = strstr(c.line, "Out of memory");
    EXPECT_EXIT((FailNthAllocation(c.bytes, nth), CApplication().system->Init()),
                ::testing::ExitedWithCode(1), message.substr(0, message.find('\n')));
    if (c.file) {
      EXPECT_EQ(ReadWholeFile(c.file), c.line);
    }
  }
}

}  // namespace
