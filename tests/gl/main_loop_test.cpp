// The system's main loop and window procedure on the real platform: each
// test runs the program's own sequence (application object, window class,
// window, initialisation), drives passes of the loop with real X input, and
// closes the window the way the user does.
#include <cstdio>
#include <string>

#include "../unit/LogFile.h"
#include "System/Win32/CApplication.h"
#include "X11TestSupport.h"
#include "console/CConsole.h"

using namespace x11test;

namespace {

const char* const kDataFiles[] = {"Scape.raw", "scape.tex", "skelv.rgba", "sky.raw", "Duridaz.mid"};
const int kMaxPasses = 10000;

void CopyDataFilesHere() {
  for (const char* name : kDataFiles) {
    std::string data = ReadWholeFile(std::string(SKELV_BUILD_DIR) + "/" + name);
    FILE* out = fopen(name, "wb");
    ASSERT_NE(out, nullptr) << name;
    fwrite(data.data(), 1, data.size(), out);
    fclose(out);
  }
}

class MainLoopTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_NE(user_.display(), nullptr) << "no X server in DISPLAY";
    CopyDataFilesHere();
    app_ = new CApplication();
    app_->window->Register((HINSTANCE)0x400000);
    app_->window->Create("SKELV by Quorrin");
    hwnd_ = app_->window->window;
    ASSERT_NE(hwnd_, nullptr);
    app_->Init();
    SetCursorPos(320, 240);  // the camera steers by the offset from here
    Settle();
  }
  void TearDown() override {
    if (GetActiveWindow() == hwnd_) {
      WndProc(hwnd_, WM_CLOSE, 0, 0);
      RunUntilQuit();
    }
    app_->DeInit();
    delete app_;
    Console.active = 0;
  }

  // Runs passes until the queue is empty; returns how many passes it took.
  int Drain() {
    int passes = 0;
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE) && passes < kMaxPasses) {
      if (!MainLoopPass(app_, &exitCode_)) break;
      ++passes;
    }
    return passes;
  }
  // Runs passes until the loop takes WM_QUIT; returns the passes that rendered.
  int RunUntilQuit() {
    int passes = 0;
    while (MainLoopPass(app_, &exitCode_) && passes < kMaxPasses) ++passes;
    return passes;
  }
  // The message the next pass will take, 0 if none.
  UINT NextMessage() {
    MSG msg;
    return PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE) ? msg.message : 0;
  }
  uint32_t Frames() const { return app_->system->renderer->frameCount; }

  XUser user_;
  CApplication* app_ = nullptr;
  HWND hwnd_ = nullptr;
  WPARAM exitCode_ = 99;
};

TEST_F(MainLoopTest, BackquoteReachesTheConsoleAsACharacterOnTheNextPass) {
  LogFile consoleLog("Console.txt");
  user_.Tap(XK_grave);
  ASSERT_TRUE(WaitForMessage(WM_KEYUP, WM_KEYUP));

  ASSERT_EQ(NextMessage(), (UINT)WM_KEYDOWN);
  ASSERT_TRUE(MainLoopPass(app_, &exitCode_));
  EXPECT_EQ(Console.IsActive(), 0) << "the key press alone switches nothing";
  ASSERT_EQ(NextMessage(), (UINT)WM_CHAR) << "the character comes on the next pass";
  ASSERT_TRUE(MainLoopPass(app_, &exitCode_));
  EXPECT_EQ(Console.IsActive(), 1);
  EXPECT_EQ(consoleLog.Added(), "Console active status: 1\n");

  user_.Tap(XK_Escape);  // with the console on, Escape is a character, not a close
  user_.Tap(XK_grave);
  ASSERT_TRUE(WaitForMessage(WM_KEYUP, WM_KEYUP));
  for (int i = 0; i < 100 && Console.IsActive() == 1; ++i) {
    Drain();
    Sleep(5);
  }
  EXPECT_EQ(consoleLog.Added(),
            "Console active status: 1\nRecieved: '\\x1b'\nConsole active status: 0\n");
  EXPECT_EQ(GetActiveWindow(), hwnd_);
}

TEST_F(MainLoopTest, EachWaitingMessageTakesOnePassWithAFrame) {
  const int kTaps = 4;
  for (int i = 0; i < kTaps; ++i) user_.Tap(XK_Shift_L);
  user_.Button(3, true);  // marks the end: everything before it has arrived
  ASSERT_TRUE(WaitForMessage(WM_RBUTTONDOWN, WM_RBUTTONDOWN));
  uint32_t before = Frames();
  int passes = Drain();
  uint32_t after = Frames();
  EXPECT_EQ(passes, 2 * kTaps + 1);
  user_.Button(3, false);
  EXPECT_EQ(after, before + (uint32_t)passes);
}

TEST_F(MainLoopTest, EmptyQueueStillRendersAFrame) {
  ASSERT_EQ(NextMessage(), 0u);
  uint32_t before = Frames();
  EXPECT_TRUE(MainLoopPass(app_, &exitCode_));
  EXPECT_EQ(Frames(), before + 1);
}

TEST_F(MainLoopTest, QuitEndsTheLoopAtOnceWithoutAFrame) {
  PostQuitMessage(3);
  uint32_t before = Frames();
  EXPECT_FALSE(MainLoopPass(app_, &exitCode_));
  EXPECT_EQ(exitCode_, 3u);
  EXPECT_EQ(Frames(), before);
}

TEST_F(MainLoopTest, WindowProcedureSwallowsCommandsAndLeavesEscapeAlone) {
  EXPECT_EQ(WndProc(hwnd_, WM_COMMAND, 2, 0), 0);
  EXPECT_EQ(WndProc(hwnd_, WM_KEYDOWN, VK_ESCAPE, 0x00090001), 0);
  EXPECT_EQ(WndProc(hwnd_, WM_CHAR, 27, 0x00090001), 0);
  EXPECT_EQ(NextMessage(), 0u);
  EXPECT_EQ(GetActiveWindow(), hwnd_);
  EXPECT_EQ(GetWindowLongPtrA(hwnd_, GWLP_USERDATA), (LONG_PTR)app_->window)
      << "WM_CREATE keeps the CWindow as the window's user data";
}

TEST_F(MainLoopTest, CloseRequestRendersUntilTheQuitPassWhichEndsWithZero) {
  testing::internal::CaptureStderr();
  user_.RequestClose(user_.FindByName("SKELV by Quorrin"));
  ASSERT_TRUE(WaitForMessage(WM_CLOSE, WM_CLOSE));
  uint32_t before = Frames();
  ASSERT_EQ(NextMessage(), (UINT)WM_CLOSE);
  EXPECT_TRUE(MainLoopPass(app_, &exitCode_)) << "the closing pass still renders";
  EXPECT_EQ(GetActiveWindow(), nullptr);
  int passes = RunUntilQuit();
  EXPECT_EQ(exitCode_, 0u);
  EXPECT_EQ(passes, 0) << "WM_QUIT is the next message after the window's destruction";
  EXPECT_EQ(Frames(), before + 1) << "one frame for the closing pass, none for the quit pass";
  app_->Frame();  // one more for the destroyed window, as if a message had come first
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "")
      << "frames after the destruction are harmless";
}

}  // namespace
