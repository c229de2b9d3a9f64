// The main loop on the program's window, driven by real X input: each pass
// takes at most one message and draws one frame; a key's character comes on
// a later pass; the quit message ends the loop without a frame.
#include <chrono>
#include <csignal>
#include <future>
#include <thread>

#include "GlSupport.h"
#include "console/CConsole.h"

#include <X11/Xlib.h>  // another client of the X server
#include <X11/extensions/XTest.h>
#include <X11/extensions/Xfixes.h>
#include <X11/keysym.h>

namespace {

const auto kPatience = std::chrono::seconds(30);

UINT Next() {
  MSG msg;
  return PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE) ? msg.message : 0;
}
// Real input through the X server; false when the command failed. Then waits
// until the loop can see its first message.
bool Send(const std::string& command) {
  if (std::system(command.c_str()) != 0) return false;
  WaitUntil([] { return Next() != 0; });
  return true;
}
// Takes, translates and dispatches messages until every key pressed is up
// again (by then each press has had its characters) and the characters make
// text of this length (characters missing or wrong leave it short, and time
// runs out). Returns them in decimal, each WM_DEADCHAR's marked "dead".
std::string TypedUntilKeysUp(size_t length) {
  std::string typed;
  int pressed = 0, released = 0;
  WaitUntil([&] {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
      pressed += msg.message == WM_KEYDOWN;
      released += msg.message == WM_KEYUP;
      if (msg.message == WM_CHAR || msg.message == WM_DEADCHAR)
        typed += (msg.message == WM_DEADCHAR ? "dead " : "") + std::to_string(msg.wParam) + " ";
      TranslateMessage(&msg);
      DispatchMessageA(&msg);
    }
    return pressed > 0 && pressed == released && typed.size() >= length;
  });
  return typed;
}
uint32_t Frames() { return Renderer().frameCount; }

class MainLoop : public AppTest {
 protected:
  WPARAM code = 99;  // the quit code a pass gives
};

TEST_F(MainLoop, EachPassTakesOneMessageAndDrawsOneFrame) {
  while (Next()) MainLoopPass(&App(), &code);
  ASSERT_TRUE(Send("xdotool key grave"));
  const uint32_t before = Frames();
  ASSERT_EQ(Next(), (UINT)WM_KEYDOWN);
  EXPECT_TRUE(MainLoopPass(&App(), &code));
  EXPECT_EQ(Console.IsActive(), 0) << "the key press alone switches nothing";
  ASSERT_EQ(Next(), (UINT)WM_CHAR) << "its character comes on the next pass";
  EXPECT_TRUE(MainLoopPass(&App(), &code));
  EXPECT_EQ(Console.IsActive(), 1);
  EXPECT_EQ(Frames(), before + 2);
  EXPECT_TRUE(MainLoopPass(&App(), &code));
  EXPECT_EQ(Frames(), before + 3) << "a pass with no message still draws";
  Console.active = 0;

  PostQuitMessage(3);
  EXPECT_FALSE(MainLoopPass(&App(), &code));
  EXPECT_EQ(code, 3u);
  EXPECT_EQ(Frames(), before + 3) << "the quit pass draws nothing";
}

// A second close request queued behind the first (a double click on the close
// box) goes with the window.
TEST_F(MainLoop, CloseRequestDestroysTheWindowAndTheNextPassQuitsWithZero) {
  ASSERT_TRUE(Send("w=$(xdotool search --name '^SKELV by Quorrin$' | head -n 1) && " SKELV_BUILD_DIR
                   "/xclose $w && " SKELV_BUILD_DIR "/xclose $w"));
  while (Next() != WM_CLOSE && Next()) MainLoopPass(&App(), &code);
  ASSERT_EQ(Next(), (UINT)WM_CLOSE);
  const uint32_t before = Frames();
  EXPECT_TRUE(MainLoopPass(&App(), &code)) << "the closing pass still draws";
  EXPECT_EQ(GetActiveWindow(), nullptr);
  EXPECT_FALSE(MainLoopPass(&App(), &code));
  EXPECT_EQ(code, 0u);
  EXPECT_EQ(Frames(), before + 1);
}

// A second close signal before the first was taken ends the process at once:
// a program stuck before its next pass still gives way to Ctrl+C.
TEST_F(MainLoop, SecondCloseSignalBeforeTheFirstIsTakenEndsTheProcess) {
  // The application's window catches the close signals. Surviving both, the
  // statement returns, and the death test fails.
  EXPECT_EXIT(for (int i = 0; i < 2; ++i) raise(SIGINT), ::testing::KilledBySignal(SIGINT), "");
}

// A window that another client destroys ends the loop as a closed one does.
TEST_F(MainLoop, WindowDestroyedByAnotherClientEndsTheLoopWithZero) {
  FILE* search = popen("xdotool search --name '^SKELV by Quorrin$'", "r");
  unsigned long xwindow = 0;
  ASSERT_EQ(fscanf(search, "%lu", &xwindow), 1);
  pclose(search);
  Display* other = XOpenDisplay(nullptr);
  XDestroyWindow(other, xwindow);
  XCloseDisplay(other);
  WaitUntil([&] { return !MainLoopPass(&App(), &code); });
  EXPECT_EQ(code, 0u);
}

// Keys typed under real layouts give the character messages Windows gives,
// in Windows-1252: a dead key WM_DEADCHAR, the key completing it WM_CHAR of
// the composed character.
TEST_F(MainLoop, LayoutsGiveTheCharacterMessagesOfWindows) {
  const struct {
    const char* command;
    std::string characters;  // in decimal, each WM_DEADCHAR's marked "dead"
  } kCases[] = {
      {"setxkbmap de && xdotool key shift+dead_acute space", "dead 96 96 "},
      {"setxkbmap us intl && xdotool key dead_acute e", "dead 180 233 "},
      {"setxkbmap de && xdotool key ISO_Level3_Shift+e", "128 "},
      {"setxkbmap us && xdotool key Delete KP_Delete", ""},  // X would give DEL (127)
      // Where the dead key does not combine, its accent and the key's own character.
      {"setxkbmap us intl && xdotool key dead_acute q dead_acute dead_grave",
       "dead 180 180 113 dead 180 180 96 "},
  };
  struct UsLayoutAfterwards {
    ~UsLayoutAfterwards() { EXPECT_EQ(std::system("setxkbmap us"), 0); }
  } restore;
  for (MSG msg; PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE);) DispatchMessageA(&msg);
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.command);
    Console.active = 0;
    ASSERT_TRUE(Send(c.command));
    EXPECT_EQ(TypedUntilKeysUp(c.characters.size()), c.characters);
  }
  Console.active = 0;
}

// A key a remapper maps for a moment (as xdotool type and on-screen keyboards
// do) keeps the character it was pressed with, though the mapping is gone
// by the time the press is taken and translated.
TEST_F(MainLoop, AKeyMappedForAMomentKeepsItsCharacter) {
  for (MSG msg; PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE);) DispatchMessageA(&msg);
  Display* other = XOpenDisplay(nullptr);
  int first = 0, last = 0;
  XDisplayKeycodes(other, &first, &last);
  KeySym bound = XK_adiaeresis, none = NoSymbol;
  XChangeKeyboardMapping(other, last, 1, &bound, 1);  // the last keycode is spare
  XSync(other, False);
  XTestFakeKeyEvent(other, last, True, CurrentTime);
  XTestFakeKeyEvent(other, last, False, CurrentTime);
  XSync(other, False);
  MSG msg;
  WaitUntil([&] { return PeekMessageA(&msg, nullptr, WM_KEYDOWN, WM_KEYDOWN, PM_NOREMOVE) != 0; });
  XChangeKeyboardMapping(other, last, 1, &none, 1);
  XCloseDisplay(other);
  EXPECT_EQ(TypedUntilKeysUp(0), "228 ");  // 0xE4, a with diaeresis
}

// A pointer move replaces the move still waiting at the queue's end, and
// nothing else: a key's messages before it stay; a filter takes the move out
// ahead of them. (No frame is drawn, so no warp to the centre adds moves.)
TEST_F(MainLoop, AMoveReplacesOnlyTheMoveWaitingAtTheQueuesEnd) {
  ASSERT_EQ(std::system("xdotool mousemove 200 150"), 0);
  std::vector<UINT> taken;
  auto takeAll = [&taken] {  // dispatched, so the window's paint request is met
    taken.clear();
    for (MSG msg; PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE);) {
      if (msg.message != WM_PAINT) taken.push_back(msg.message);
      DispatchMessageA(&msg);
    }
  };
  takeAll();
  ASSERT_TRUE(Send("xdotool key a mousemove 201 150 mousemove 202 151"));
  MSG move;
  EXPECT_TRUE(PeekMessageA(&move, nullptr, WM_MOUSEMOVE, WM_MOUSEMOVE, PM_REMOVE));
  takeAll();
  EXPECT_EQ(taken, (std::vector<UINT>{WM_KEYDOWN, WM_KEYUP}));
}

// An X error that repeats the one before is counted, and the count printed
// when another error comes.
TEST_F(MainLoop, RepeatedXErrorsArePrintedOnceWithTheirCount) {
  Display* other = XOpenDisplay(nullptr);  // the error handler is the process's
  ASSERT_TRUE(other);
  const Window none = 0x7ffffff0;
  testing::internal::CaptureStderr();
  for (int i = 0; i < 3; ++i) XMapWindow(other, none);
  XSync(other, False);
  XUnmapWindow(other, none);
  XSync(other, False);
  const std::string printed = testing::internal::GetCapturedStderr();
  XCloseDisplay(other);
  const size_t first = printed.find("BadWindow"), count = printed.find("came 2 more times"),
               next = printed.find("BadWindow", first + 1);
  EXPECT_TRUE(first < count && count < next && next != std::string::npos) << printed;
}

// Polls GetCursorPos until it answers (x, y); returns the last answer.
POINT WaitForCursor(int x, int y) {
  POINT p = {-1, -1};
  WaitUntil([&] { return GetCursorPos(&p) && p.x == x && p.y == y; });
  return p;
}

// While the pointer is over the window the cursor position comes from its
// events; once it has left, from the server. The move's events are in our
// connection when xdotool returns, so the very first read after a move, with
// no message handled in between, must give the new position.
TEST_F(MainLoop, CursorFollowsThePointerInAndOutOfTheWindow) {
  for (const char* move : {"60 70", "100 90", "800 700", "61 71", "62 72", "900 10"}) {
    SCOPED_TRACE(move);
    ASSERT_EQ(std::system((std::string("xdotool mousemove ") + move).c_str()), 0);
    POINT p = {-1, -1};
    EXPECT_TRUE(GetCursorPos(&p));
    EXPECT_EQ(std::to_string(p.x) + " " + std::to_string(p.y), move);
  }
  // Over the window the pointer is the class's arrow, its hot spot at the
  // tip, not the root window's cross with its hot spot in the middle.
  ASSERT_EQ(std::system("xdotool mousemove 60 70"), 0);
  Display* other = XOpenDisplay(nullptr);
  XFixesCursorImage* image = XFixesGetCursorImage(other);
  ASSERT_TRUE(image);
  EXPECT_TRUE(image->xhot < image->width / 3 && image->yhot < image->height / 3)
      << image->xhot << "," << image->yhot << " in " << image->width << "x" << image->height;
  XFree(image);
  XCloseDisplay(other);
}

// Another client's grab on our window (a window manager's button binding)
// stops its events without notice: the moves are seen all the same, and
// after a warp at once.
TEST_F(MainLoop, CursorFollowsThePointerUnderAnotherClientsGrab) {
  ASSERT_EQ(std::system("xdotool mousemove 300 200"), 0);
  EXPECT_EQ(WaitForCursor(300, 200).x, 300);
  Display* other = XOpenDisplay(nullptr);
  Window root, child;
  int rootX, rootY, x, y;
  unsigned int mask;
  XQueryPointer(other, DefaultRootWindow(other), &root, &child, &rootX, &rootY, &x, &y, &mask);
  ASSERT_EQ(XGrabPointer(other, child, False, PointerMotionMask, GrabModeAsync, GrabModeAsync, None,
                         None, CurrentTime),
            GrabSuccess);
  XSync(other, False);
  ASSERT_EQ(std::system("xdotool mousemove 301 200"), 0);
  EXPECT_EQ(WaitForCursor(301, 200).x, 301) << "steering frozen under the grab";
  for (MSG msg; PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE);) DispatchMessageA(&msg);
  SetCursorPos(320, 240);
  ASSERT_EQ(std::system("xdotool mousemove 321 240"), 0);
  POINT p = {-1, -1};
  EXPECT_TRUE(GetCursorPos(&p) && p.x == 321) << "the warp's target answered, not the pointer";
  XCloseDisplay(other);  // ends the grab
}

}  // namespace

// A move still in our connection when the program warps the pointer back was
// already steered by; with the server held by another client, the warp's own
// event comes late, and the old move must not count a second time.
TEST_F(MainLoop, AMoveFromBeforeAWarpCountsOnce) {
  ASSERT_EQ(std::system("xdotool mousemove 800 700 mousemove 320 240"), 0);  // in by a crossing
  for (MSG msg; PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE);) DispatchMessageA(&msg);
  Display* other = XOpenDisplay(nullptr);
  XTestFakeMotionEvent(other, -1, 330, 240, CurrentTime);
  XSync(other, False);  // the move's event is in our connection now
  XGrabServer(other);
  XSync(other, False);
  // Should the program ask the server after all, it gets its answer once
  // the server is let go, and the test fails instead of hanging.
  std::promise<void> done;
  std::thread release([&other, finished = done.get_future()] {
    finished.wait_for(kPatience);
    XUngrabServer(other);
    XFlush(other);
  });
  POINT before = {-1, -1}, after = {-1, -1};
  GetCursorPos(&before);
  SetCursorPos(320, 240);
  for (MSG msg; PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE);) DispatchMessageA(&msg);
  GetCursorPos(&after);
  done.set_value();
  release.join();
  XCloseDisplay(other);
  EXPECT_EQ(before.x, 330);
  EXPECT_EQ(after.x, 320) << "the move before the warp counted again";
}
