// The Win32 window layer on a real X server: creation, the window's X
// properties and geometry, WM_CREATE, closing through the default window
// procedure, stale handles, and close requests from signals.
#include <signal.h>
#include <unistd.h>

#include <algorithm>

#include "X11TestSupport.h"

using namespace x11test;

namespace {

class X11WindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_NE(user_.display(), nullptr) << "no X server in DISPLAY";
    Calls().clear();
  }
  void TearDown() override {
    for (HWND hwnd : windows_) DefWindowProcA(hwnd, WM_CLOSE, 0, 0);
    Settle(20);
  }
  HWND Create(const char* title, DWORD style = kOverlappedVisible, int x = 0, int y = 0,
              int width = 640, int height = 480, void* param = nullptr) {
    HWND hwnd = CreateTestWindow(title, style, x, y, width, height, param);
    if (hwnd) windows_.push_back(hwnd);
    return hwnd;
  }
  // Screen position and size of an X window.
  void Geometry(Window window, int* x, int* y, unsigned* width, unsigned* height) {
    Window root, child;
    int localX, localY;
    unsigned border, depth;
    XGetGeometry(user_.display(), window, &root, &localX, &localY, width, height, &border, &depth);
    XTranslateCoordinates(user_.display(), window, root, 0, 0, x, y, &child);
  }

  XUser user_;
  std::vector<HWND> windows_;
};

TEST_F(X11WindowTest, ClientAreaIsTheOuterSizeLessTheStylesFrameAndCaption) {
  struct Case {
    const char* title;
    DWORD style;
    int x, y;
    unsigned width, height;  // client area
  } cases[] = {
      // 640x480 less a 4-pixel sizing frame and a 19-pixel caption.
      {"overlapped", kOverlappedVisible, 0, 0, 632, 453},
      {"popup", WS_POPUP | WS_VISIBLE, 30, 40, 640, 480},
      // A caption without a sizing frame has the 3-pixel dialog frame.
      {"captioned", WS_CAPTION | WS_SYSMENU | WS_VISIBLE, 50, 60, 634, 455},
      {"bordered", WS_POPUP | WS_BORDER | WS_VISIBLE, 70, 80, 638, 478},
  };
  for (const Case& c : cases) {
    ASSERT_NE(Create(c.title, c.style, c.x, c.y), nullptr) << c.title;
    Window window = user_.FindByName(c.title);
    ASSERT_NE(window, 0u) << c.title;
    int x, y;
    unsigned width, height;
    Geometry(window, &x, &y, &width, &height);
    EXPECT_EQ(x, c.x) << c.title;
    EXPECT_EQ(y, c.y) << c.title;
    EXPECT_EQ(width, c.width) << c.title;
    EXPECT_EQ(height, c.height) << c.title;
    EXPECT_TRUE(user_.IsMapped(window)) << c.title << ": visible windows are mapped at once";
  }
}

TEST_F(X11WindowTest, WindowCarriesTitleClassPidAndTheCloseProtocol) {
  ASSERT_NE(Create("Titled \xe9t\xe9"), nullptr);  // Latin-1 title
  Window window = user_.FindByName("Titled \xe9t\xe9");
  ASSERT_NE(window, 0u);

  XClassHint classHint;
  ASSERT_TRUE(XGetClassHint(user_.display(), window, &classHint));
  EXPECT_STREQ(classHint.res_class, kTestClass);
  XFree(classHint.res_name);
  XFree(classHint.res_class);

  Atom* protocols = nullptr;
  int count = 0;
  ASSERT_TRUE(XGetWMProtocols(user_.display(), window, &protocols, &count));
  Atom deleteWindow = XInternAtom(user_.display(), "WM_DELETE_WINDOW", False);
  EXPECT_NE(std::find(protocols, protocols + count, deleteWindow), protocols + count);
  XFree(protocols);

  Atom type;
  int format;
  unsigned long items, after;
  unsigned char* data = nullptr;
  XGetWindowProperty(user_.display(), window, XInternAtom(user_.display(), "_NET_WM_NAME", False),
                     0, 64, False, AnyPropertyType, &type, &format, &items, &after, &data);
  ASSERT_NE(data, nullptr);
  EXPECT_EQ(std::string((char*)data, items), "Titled \xc3\xa9t\xc3\xa9");  // as UTF-8
  XFree(data);
  XGetWindowProperty(user_.display(), window, XInternAtom(user_.display(), "_NET_WM_PID", False), 0,
                     1, False, XA_CARDINAL, &type, &format, &items, &after, &data);
  ASSERT_NE(data, nullptr);
  EXPECT_EQ(*(long*)data, (long)getpid());
  XFree(data);
}

TEST_F(X11WindowTest, CreationSendsWmCreateWithTheParameterThenSizeAndMove) {
  static int marker;
  struct Seen {
    void* param = nullptr;
    int cx = 0, cy = 0;
    LONG_PTR userDataDuringCreate = -1;
  };
  static Seen seen;
  // What the system's window procedure does: keep the parameter as user data.
  WNDCLASSA windowClass = {};
  windowClass.lpfnWndProc = [](HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) -> LRESULT {
    if (message == WM_CREATE) {
      const CREATESTRUCTA* create = (const CREATESTRUCTA*)lParam;
      seen.param = create->lpCreateParams;
      seen.cx = create->cx;
      seen.cy = create->cy;
      SetWindowLongPtrA(hwnd, GWLP_USERDATA, (LONG_PTR)create->lpCreateParams);
      seen.userDataDuringCreate = GetWindowLongPtrA(hwnd, GWLP_USERDATA);
      return 0;
    }
    return RecordingProc(hwnd, message, wParam, lParam);
  };
  windowClass.lpszClassName = "SkelvCreateTest";
  RegisterClassA(&windowClass);

  HWND hwnd = CreateWindowExA(0, "SkelvCreateTest", "create", kOverlappedVisible, 0, 0, 640, 480,
                              nullptr, nullptr, nullptr, &marker);
  ASSERT_NE(hwnd, nullptr);
  windows_.push_back(hwnd);
  EXPECT_EQ(seen.param, &marker);
  EXPECT_EQ(seen.cx, 640);
  EXPECT_EQ(seen.cy, 480);
  EXPECT_EQ(seen.userDataDuringCreate, (LONG_PTR)&marker);
  EXPECT_EQ(GetWindowLongPtrA(hwnd, GWLP_USERDATA), (LONG_PTR)&marker);
  ASSERT_GE(Calls().size(), 2u);
  EXPECT_EQ(Calls()[0].message, (UINT)WM_SIZE);
  EXPECT_EQ(Calls()[0].lParam, MAKELPARAM(632, 453));
  EXPECT_EQ(Calls()[1].message, (UINT)WM_MOVE);
  EXPECT_EQ(Calls()[1].lParam, MAKELPARAM(4, 23));
  EXPECT_EQ(GetActiveWindow(), hwnd);
  // Handles are small numbers, so they print alike with %i.
  EXPECT_LT((uintptr_t)hwnd, 0x10000u);
}

TEST_F(X11WindowTest, CreationFailsCleanlyForAnUnknownClassOrARefusedWmCreate) {
  EXPECT_EQ(CreateWindowExA(0, "NoSuchClass", "x", kOverlappedVisible, 0, 0, 64, 64, nullptr,
                            nullptr, nullptr, nullptr),
            nullptr);

  WNDCLASSA windowClass = {};
  windowClass.lpfnWndProc = [](HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) -> LRESULT {
    Calls().push_back({hwnd, message, wParam, lParam});
    return message == WM_CREATE ? -1 : 0;
  };
  windowClass.lpszClassName = "SkelvRefusingClass";
  RegisterClassA(&windowClass);
  EXPECT_EQ(RegisterClassA(&windowClass), 0) << "a class is registered once";
  EXPECT_EQ(CreateWindowExA(0, "SkelvRefusingClass", "refused", kOverlappedVisible, 0, 0, 64, 64,
                            nullptr, nullptr, nullptr, nullptr),
            nullptr);
  EXPECT_TRUE(WasCalledWith(WM_DESTROY)) << "a refused window is destroyed";
  EXPECT_EQ(user_.FindByName("refused"), 0u);
  EXPECT_EQ(GetActiveWindow(), nullptr);
}

TEST_F(X11WindowTest, CloseRequestDestroysTheWindowAndEndsInQuit) {
  HWND hwnd = Create("closing");
  ASSERT_NE(hwnd, nullptr);
  HDC dc = GetDC(hwnd);
  Settle();
  Calls().clear();

  user_.RequestClose(user_.FindByName("closing"));
  ASSERT_TRUE(WaitForMessage(WM_CLOSE, WM_CLOSE));
  MSG msg;
  ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(msg.message, (UINT)WM_CLOSE);
  EXPECT_EQ(msg.hwnd, hwnd);
  DispatchMessageA(&msg);  // the default procedure destroys the window

  ASSERT_EQ(Calls().size(), 2u);
  EXPECT_EQ(Calls()[0].message, (UINT)WM_CLOSE);
  EXPECT_EQ(Calls()[1].message, (UINT)WM_DESTROY);
  EXPECT_EQ(GetActiveWindow(), nullptr);
  ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(msg.message, (UINT)WM_QUIT);
  EXPECT_EQ(msg.wParam, 0u);
  EXPECT_EQ(user_.FindByName("closing"), 0u) << "the X window is gone";

  // The stale handle is detected, never used.
  Calls().clear();
  EXPECT_EQ(GetDC(hwnd), nullptr);
  EXPECT_EQ(GetWindowLongPtrA(hwnd, GWLP_USERDATA), 0);
  EXPECT_EQ(SetWindowLongPtrA(hwnd, GWLP_USERDATA, 5), 0);
  EXPECT_EQ(DispatchMessageA(&msg), 0);
  msg.hwnd = hwnd;
  msg.message = WM_CLOSE;
  EXPECT_EQ(DispatchMessageA(&msg), 0);
  EXPECT_EQ(DefWindowProcA(hwnd, WM_CLOSE, 0, 0), 0);
  EXPECT_TRUE(Calls().empty());
  EXPECT_FALSE(SwapBuffers(dc));
  EXPECT_EQ(ChoosePixelFormat(dc, nullptr), 0);
  windows_.clear();
}

TEST_F(X11WindowTest, EscapeDoesNotCloseButAltF4Does) {
  HWND hwnd = Create("keys");
  ASSERT_NE(hwnd, nullptr);
  Settle();
  Calls().clear();

  user_.Tap(XK_Escape);
  ASSERT_TRUE(WaitForMessage(WM_KEYUP, WM_KEYUP));
  Settle();
  EXPECT_EQ(GetActiveWindow(), hwnd);
  EXPECT_FALSE(WasCalledWith(WM_CLOSE));

  user_.Tap(XK_F4, {XK_Alt_L});
  ASSERT_TRUE(WaitForMessage(WM_SYSKEYUP, WM_SYSKEYUP));
  Settle();
  EXPECT_TRUE(WasCalledWith(WM_CLOSE));
  EXPECT_TRUE(WasCalledWith(WM_DESTROY));
  EXPECT_EQ(GetActiveWindow(), nullptr);
  windows_.clear();
}

bool IgnoredAtStart(int number) {
  struct sigaction action;
  sigaction(number, nullptr, &action);
  return action.sa_handler == SIG_IGN;
}
// Taken before any window exists: the layer leaves an inherited SIG_IGN alone.
const bool kSigtermIgnored = IgnoredAtStart(SIGTERM);
const bool kSigintIgnored = IgnoredAtStart(SIGINT);

TEST_F(X11WindowTest, SigtermAndSigintAskEveryWindowToClose) {
  HWND first = Create("signal 1");
  HWND second = Create("signal 2", kOverlappedVisible, 100, 100);
  ASSERT_NE(first, nullptr);
  ASSERT_NE(second, nullptr);
  for (int number : {SIGTERM, SIGINT}) {
    if (number == SIGTERM ? kSigtermIgnored : kSigintIgnored) {
      GTEST_SKIP() << "signal " << number << " was ignored by whoever started the tests";
    }
    Settle();
    raise(number);
    std::vector<MSG> taken = TakeAll();
    ASSERT_EQ(taken.size(), 2u) << "signal " << number;
    EXPECT_EQ(taken[0].message, (UINT)WM_CLOSE);
    EXPECT_EQ(taken[1].message, (UINT)WM_CLOSE);
    EXPECT_NE(taken[0].hwnd, taken[1].hwnd);
  }
}

// A program that does not come back for its messages can still be stopped:
// a second signal before the first was taken ends the process.
TEST(X11WindowDeathTest, SecondSignalBeforeTheFirstIsTakenEndsTheProcess) {
  if (kSigtermIgnored) GTEST_SKIP() << "SIGTERM was ignored by whoever started the tests";
  GTEST_FLAG_SET(death_test_style, "threadsafe");  // the child opens its own X connection
  EXPECT_EXIT(
      {
        CreateTestWindow("two signals");
        raise(SIGTERM);
        raise(SIGTERM);
        exit(0);
      },
      testing::KilledBySignal(SIGTERM), "");
}

TEST_F(X11WindowTest, WindowDestroyedByAnotherClientIsDestroyedTheWin32Way) {
  HWND hwnd = Create("destroyed elsewhere");
  ASSERT_NE(hwnd, nullptr);
  Settle();
  Calls().clear();

  testing::internal::CaptureStderr();
  XDestroyWindow(user_.display(), user_.FindByName("destroyed elsewhere"));
  XSync(user_.display(), False);
  ASSERT_TRUE(WaitForMessage(WM_QUIT, WM_QUIT));
  std::string errors = testing::internal::GetCapturedStderr();
  EXPECT_TRUE(WasCalledWith(WM_DESTROY));
  EXPECT_EQ(GetDC(hwnd), nullptr);
  EXPECT_EQ(errors, "");
  windows_.clear();
}

}  // namespace
