// The owners' answer to a failed allocation of a member: one line in the
// owner's log (standard error when that log itself failed) and exit code 1.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>

#include "../unit/LogFile.h"
#include "AllocationHooks.h"
#include "System/Win32/CApplication.h"
#include "terrain/CQuadNode.h"

namespace {

struct Case {
  const char* what;
  size_t bytes;
  const char* file;  // null: the line goes to standard error
  const char* line;
};

// Every non-throwing allocation of the construction, in its order; the
// quadtree root is allocated by CSystem3D::Init.
const Case kCases[] = {
    {"main log", sizeof(CLog), nullptr, "Out of memory: main log"},
    {"window", sizeof(CWindow), "Main.txt", "1|Out of memory: window\n"},
    {"music", sizeof(CMusic), "Main.txt", "1|Out of memory: music\n"},
    {"player", sizeof(CMidiPlayer), "MIDI.txt", "Out of memory: MIDI player\n"},
    {"3D system", sizeof(CSystem3D), "Main.txt", "1|Out of memory: 3D system\n"},
    {"3D log", sizeof(CLog), nullptr, "Out of memory: 3D system log"},
    {"renderer", sizeof(CRenderer), "Sys3DLog.txt", "Out of memory: renderer\n"},
    {"loader", sizeof(CTerrainLoader), "Sys3DLog.txt", "Out of memory: terrain loader\n"},
    {"root", sizeof(CQuadNode), "Sys3DLog.txt",
     "CSystem3D::Init()\nOut of memory: quadtree root\n"},
};

TEST(OwnerAllocationFailureDeathTest, EachMemberEndsTheProcessWithOneLogLine) {
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.what);
    // The n-th allocation of this size: earlier members may share it.
    int nth = 1;
    for (const Case* earlier = kCases; earlier != &c; ++earlier) nth += earlier->bytes == c.bytes;
    if (c.file) std::ofstream(c.file, std::ios::trunc);
    EXPECT_EXIT(
        {
          alloc_hooks::FailNthAllocation(c.bytes, nth);
          CApplication app;
          app.system->Init();
        },
        ::testing::ExitedWithCode(1), c.file ? "" : c.line);
    if (c.file) {
      EXPECT_EQ(ReadWholeFile(c.file), c.line);
    }
  }
}

}  // namespace
