// The application without any window: every device call fails, each failure
// is logged, and start-up, frames and shut-down go on without an OpenGL
// context; shut-down releases the music's every object.
#include <gtest/gtest.h>

#include <string>

#include "System/Win32/CApplication.h"
#include "com_testing.h"

#include "TestFiles.h"
#include "render/CCamera.h"
#include "render/CSystem3D.h"

namespace {

TEST(NoContext, EveryDeviceFailureIsLoggedAndTheSystemStillRuns) {
  unsetenv("DISPLAY");  // no X server either: the pointer cannot steer
  for (const char* name : {"Scape.raw", "scape.tex", "skelv.rgba", "sky.raw", "Duridaz.mid"})
    WriteWholeFile(name, ShippedFile(name));
  LogFile openGl("OpenGL.txt");
  LogFile terrain("MTF.txt");
  const int live = ComTestLiveObjects();
  {
    CApplication application;
    EXPECT_FALSE(application.Init()) << "nothing can be drawn";
    for (int i = 0; i < 3; ++i) application.system->Frame();
    application.DeInit();
    // A soundfont load that outlasted the close holds the performance until it ends.
    EXPECT_TRUE(WaitUntil([&] { return ComTestLiveObjects() == live; }, std::chrono::seconds(30)))
        << "music objects alive after shut-down";
  }
  const std::string log = openGl.Added();
  EXPECT_EQ(log.substr(0, log.find("Average frame rate")),
            "Failed to get device context\nFailed to choose a pixel format.\n"
            "DC 0, GetActiveWindow DC 0\nFailed to set pixel format.\n"
            "Failed to create rendering context\nOpenGL Driver Info\n"
            "Vendor: (null)\nRenderer: (null)\nVersion: (null)\nExtensions: (null)\n");
  EXPECT_NE(log.find("Average frame rate: "), std::string::npos);
  EXPECT_EQ(terrain.Added(),
            "Reading height file 'Scape.raw'\nFinished reading file\n"
            "Reading text file 'scape.tex'\nFinished reading file\n");
  EXPECT_EQ(ReadWholeFile("Sys3DLog.txt"), "CSystem3D::Init()\nCSystem3D::DeInit()\n");
  // The three frames flew the program's camera from its start pose, unsteered:
  // from (128, 368, 128) towards (585, 420, 400), each 0.002 of (457, 272) on.
  const CCamera& c = GlobalCamera;
  const float pose[] = {c.eye.x,    c.eye.y, c.eye.z, c.target.x, c.target.y,
                        c.target.z, c.up.x,  c.up.y,  c.up.z};
  const float want[] = {128 + 2.742f, 368, 128 + 1.632f, 585 + 2.742f, 420, 400 + 1.632f, 0, 1, 0};
  for (int i = 0; i < 9; ++i) EXPECT_NEAR(pose[i], want[i], 1e-3f) << i;
}

}  // namespace
