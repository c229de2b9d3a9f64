// The message queue with real X input: one message per PeekMessageA and no
// waiting, Win32 order (posted, quit, input, paint), filters, key messages
// and the characters TranslateMessage posts, mouse messages, paint and size.
#include <chrono>

#include "X11TestSupport.h"

#include <X11/XKBlib.h>

using namespace x11test;

namespace {

class X11QueueTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_NE(user_.display(), nullptr) << "no X server in DISPLAY";
    hwnd_ = CreateTestWindow("queue");
    ASSERT_NE(hwnd_, nullptr);
    // Buttons go to the window under the pointer; keys to the focused one.
    SetCursorPos(50, 50);
    Settle();
    Calls().clear();
  }
  void TearDown() override {
    DefWindowProcA(hwnd_, WM_CLOSE, 0, 0);
    Settle(20);
  }

  // The characters a key press gives: its down message translated, then
  // taken on a later call.
  std::vector<WPARAM> CharactersOf(KeySym keysym, std::initializer_list<KeySym> modifiers = {}) {
    user_.Tap(keysym, modifiers);
    std::vector<WPARAM> characters;
    EXPECT_TRUE(WaitForMessage(WM_KEYUP, WM_SYSKEYUP));
    Sleep(20);
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
      if (msg.message == WM_CHAR || msg.message == WM_SYSCHAR) characters.push_back(msg.wParam);
      TranslateMessage(&msg);
    }
    return characters;
  }

  XUser user_;
  HWND hwnd_ = nullptr;
};

TEST_F(X11QueueTest, EmptyQueueAnswersAtOnce) {
  auto start = std::chrono::steady_clock::now();
  MSG msg;
  for (int i = 0; i < 200; ++i) ASSERT_FALSE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
  auto elapsed = std::chrono::steady_clock::now() - start;
  EXPECT_LT(elapsed, std::chrono::milliseconds(500)) << "PeekMessageA must never wait";
}

TEST_F(X11QueueTest, EachPeekTakesExactlyOneMessageInArrivalOrder) {
  for (int i = 0; i < 3; ++i) user_.Tap(XK_Shift_L);  // keys without characters
  user_.Button(3, true);
  user_.Button(3, false);
  ASSERT_TRUE(WaitForMessage(WM_RBUTTONUP, WM_RBUTTONUP));

  MSG msg;
  ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE));
  EXPECT_EQ(msg.message, (UINT)WM_KEYDOWN) << "PM_NOREMOVE leaves the message";
  std::vector<UINT> order;
  while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) order.push_back(msg.message);
  std::vector<UINT> expected = {WM_KEYDOWN, WM_KEYUP, WM_KEYDOWN,     WM_KEYUP,
                                WM_KEYDOWN, WM_KEYUP, WM_RBUTTONDOWN, WM_RBUTTONUP};
  EXPECT_EQ(order, expected);
}

TEST_F(X11QueueTest, PostedCharacterThenQuitThenInput) {
  user_.Tap(XK_a);
  user_.Tap(XK_b);
  ASSERT_TRUE(WaitForMessage(WM_KEYUP, WM_KEYUP));
  MSG msg;
  ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
  ASSERT_EQ(msg.message, (UINT)WM_KEYDOWN);
  EXPECT_EQ(msg.wParam, (WPARAM)'A');
  EXPECT_TRUE(TranslateMessage(&msg));
  PostQuitMessage(7);

  std::vector<MSG> taken = TakeAll();
  ASSERT_GE(taken.size(), 4u);
  EXPECT_EQ(taken[0].message, (UINT)WM_CHAR) << "posted messages come first";
  EXPECT_EQ(taken[0].wParam, (WPARAM)'a');
  EXPECT_EQ(taken[0].hwnd, hwnd_);
  EXPECT_EQ(taken[1].message, (UINT)WM_QUIT) << "then the quit message, before input";
  EXPECT_EQ(taken[1].wParam, 7u);
  EXPECT_EQ(taken[1].hwnd, nullptr);
  EXPECT_EQ(taken[2].message, (UINT)WM_KEYUP);
  EXPECT_EQ(taken[3].message, (UINT)WM_KEYDOWN);
  EXPECT_EQ(taken[3].wParam, (WPARAM)'B');
  EXPECT_FALSE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) << "WM_QUIT is taken once";
}

TEST_F(X11QueueTest, FiltersByMessageRangeAndWindow) {
  user_.Tap(XK_a);
  ASSERT_TRUE(WaitForMessage(WM_KEYUP, WM_KEYUP));
  HWND other = CreateTestWindow("other", kOverlappedVisible, 200, 200, 100, 100);
  ASSERT_NE(other, nullptr);

  MSG msg;
  EXPECT_FALSE(PeekMessageA(&msg, other, WM_KEYDOWN, WM_KEYUP, PM_REMOVE));
  ASSERT_TRUE(PeekMessageA(&msg, hwnd_, WM_KEYUP, WM_KEYUP, PM_REMOVE));
  EXPECT_EQ(msg.message, (UINT)WM_KEYUP);
  ASSERT_TRUE(PeekMessageA(&msg, nullptr, WM_KEYDOWN, WM_KEYDOWN, PM_REMOVE));
  EXPECT_EQ(msg.message, (UINT)WM_KEYDOWN) << "the skipped message stays queued";
  EXPECT_FALSE(PeekMessageA(&msg, reinterpret_cast<HWND>(0x7fff), 0, 0, PM_REMOVE))
      << "an unknown window has no messages";
  DefWindowProcA(other, WM_CLOSE, 0, 0);
}

TEST_F(X11QueueTest, CharacterComesOnALaterPeekAndOnlyWhenTranslated) {
  user_.Tap(XK_grave);
  ASSERT_TRUE(WaitForMessage(WM_KEYUP, WM_KEYUP));
  MSG msg;
  ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
  ASSERT_EQ(msg.message, (UINT)WM_KEYDOWN);
  EXPECT_EQ(msg.wParam, (WPARAM)VK_OEM_3);
  ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(msg.message, (UINT)WM_KEYUP) << "no character without TranslateMessage";
  EXPECT_FALSE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));

  user_.Tap(XK_grave);
  ASSERT_TRUE(WaitForMessage(WM_KEYUP, WM_KEYUP));
  ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
  ASSERT_TRUE(TranslateMessage(&msg));
  LPARAM keyDownLParam = msg.lParam;
  ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(msg.message, (UINT)WM_CHAR);
  EXPECT_EQ(msg.wParam, 96u);
  EXPECT_EQ(msg.lParam, keyDownLParam);
}

TEST_F(X11QueueTest, CharacterCodesAreWin32s) {
  struct Case {
    KeySym keysym;
    std::initializer_list<KeySym> modifiers;
    std::vector<WPARAM> characters;
  } cases[] = {
      {XK_grave, {}, {96}},        {XK_Return, {}, {13}},       {XK_KP_Enter, {}, {13}},
      {XK_Escape, {}, {27}},       {XK_BackSpace, {}, {8}},     {XK_Tab, {}, {9}},
      {XK_a, {}, {'a'}},           {XK_a, {XK_Shift_L}, {'A'}}, {XK_c, {XK_Control_L}, {3}},
      {XK_5, {XK_Shift_L}, {'%'}}, {XK_Delete, {}, {}},         {XK_Left, {}, {}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(CharactersOf(c.keysym, c.modifiers), c.characters) << XKeysymToString(c.keysym);
  }
}

TEST_F(X11QueueTest, Latin1KeysGiveTheirAnsiByte) {
  // Put e-acute on a spare key, as a French keyboard would have it.
  Display* display = user_.display();
  int first, last, perCode;
  XDisplayKeycodes(display, &first, &last);
  KeySym* map = XGetKeyboardMapping(display, (KeyCode)first, last - first + 1, &perCode);
  int spare = 0;
  for (int code = last; code >= first && !spare; --code) {
    bool empty = true;
    for (int i = 0; i < perCode; ++i)
      empty = empty && map[(code - first) * perCode + i] == NoSymbol;
    if (empty) spare = code;
  }
  XFree(map);
  ASSERT_NE(spare, 0) << "no free keycode";
  KeySym eacute[] = {XK_eacute, XK_Eacute};
  XChangeKeyboardMapping(display, spare, 2, eacute, 1);
  XSync(display, False);
  Sleep(50);

  user_.Key((KeyCode)spare, true);
  user_.Key((KeyCode)spare, false);
  EXPECT_TRUE(WaitForMessage(WM_KEYUP, WM_KEYUP));
  MSG msg;
  std::vector<WPARAM> characters;
  while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (msg.message == WM_CHAR) characters.push_back(msg.wParam);
    TranslateMessage(&msg);
  }
  KeySym none[] = {NoSymbol, NoSymbol};
  XChangeKeyboardMapping(display, spare, 2, none, 1);
  XSync(display, False);
  EXPECT_EQ(characters, std::vector<WPARAM>{0xE9});
}

TEST_F(X11QueueTest, AltMakesSystemKeysAndCharacters) {
  std::vector<MSG> taken;
  user_.Tap(XK_x, {XK_Alt_L});
  ASSERT_TRUE(WaitForMessage(WM_SYSKEYUP, WM_SYSKEYUP));
  Sleep(20);
  MSG msg;
  while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
    taken.push_back(msg);
    TranslateMessage(&msg);
  }
  const LPARAM altHeld = 1L << 29;
  ASSERT_EQ(taken.size(), 5u);
  EXPECT_EQ(taken[0].message, (UINT)WM_SYSKEYDOWN);
  EXPECT_EQ(taken[0].wParam, (WPARAM)VK_MENU);
  EXPECT_EQ(taken[1].message, (UINT)WM_SYSKEYDOWN);
  EXPECT_EQ(taken[1].wParam, (WPARAM)'X');
  EXPECT_TRUE(taken[1].lParam & altHeld);
  EXPECT_EQ(taken[2].message, (UINT)WM_SYSCHAR);
  EXPECT_EQ(taken[2].wParam, (WPARAM)'x');
  EXPECT_EQ(taken[3].message, (UINT)WM_SYSKEYUP);
  EXPECT_EQ(taken[4].message, (UINT)WM_SYSKEYUP);
  EXPECT_EQ(taken[4].wParam, (WPARAM)VK_MENU);
}

TEST_F(X11QueueTest, KeyParametersCarryScanCodeRepeatAndTransition) {
  // Hold a key long enough for the server to repeat it, quickly.
  Display* display = user_.display();
  unsigned int delay, interval;
  XkbGetAutoRepeatRate(display, XkbUseCoreKbd, &delay, &interval);
  XkbSetAutoRepeatRate(display, XkbUseCoreKbd, 30, 20);
  KeyCode code = user_.Code(XK_z);
  user_.Key(code, true);
  Sleep(150);
  user_.Key(code, false);
  XkbSetAutoRepeatRate(display, XkbUseCoreKbd, delay, interval);
  XSync(display, False);
  ASSERT_TRUE(WaitForMessage(WM_KEYUP, WM_KEYUP));

  std::vector<MSG> taken = TakeAll();
  ASSERT_GE(taken.size(), 3u) << "a press, at least one repeat, a release";
  const LPARAM wasDown = 1L << 30, released = 1L << 31;
  for (const MSG& msg : taken) {
    EXPECT_EQ(LOWORD(msg.lParam), 1) << "repeat count";
    EXPECT_EQ((msg.lParam >> 16) & 0xFF, code) << "the scan code is the X keycode";
  }
  EXPECT_EQ(taken.front().message, (UINT)WM_KEYDOWN);
  EXPECT_EQ(taken.front().lParam & (wasDown | released), 0);
  for (size_t i = 1; i + 1 < taken.size(); ++i) {
    EXPECT_EQ(taken[i].message, (UINT)WM_KEYDOWN) << "repeats are presses only";
    EXPECT_EQ(taken[i].lParam & (wasDown | released), wasDown);
  }
  EXPECT_EQ(taken.back().message, (UINT)WM_KEYUP);
  EXPECT_EQ(taken.back().lParam & (wasDown | released), wasDown | released);
}

TEST_F(X11QueueTest, CursorPositionRoundTripsAndMovesArriveInClientCoordinates) {
  HWND offset = CreateTestWindow("offset", WS_POPUP | WS_VISIBLE, 300, 200, 200, 150);
  ASSERT_NE(offset, nullptr);
  Settle();
  for (int step = 1; step <= 5; ++step) SetCursorPos(300 + 10 * step, 200 + 5 * step);
  POINT point = {0, 0};
  ASSERT_TRUE(GetCursorPos(&point));
  EXPECT_EQ(point.x, 350);
  EXPECT_EQ(point.y, 225);

  ASSERT_TRUE(WaitForMessage(WM_MOUSEMOVE, WM_MOUSEMOVE));
  Sleep(50);
  std::vector<MSG> moves;
  for (const MSG& msg : TakeAll()) {
    if (msg.message == WM_MOUSEMOVE && msg.hwnd == offset) moves.push_back(msg);
  }
  ASSERT_FALSE(moves.empty());
  EXPECT_LT(moves.size(), 5u) << "waiting moves are merged";
  EXPECT_EQ(LOWORD(moves.back().lParam), 50);
  EXPECT_EQ(HIWORD(moves.back().lParam), 25);
  EXPECT_EQ(moves.back().pt.x, 350);

  user_.Button(1, true);
  ASSERT_TRUE(WaitForMessage(WM_LBUTTONDOWN, WM_LBUTTONDOWN));
  MSG msg;
  ASSERT_TRUE(PeekMessageA(&msg, nullptr, WM_LBUTTONDOWN, WM_LBUTTONDOWN, PM_REMOVE));
  EXPECT_EQ(msg.hwnd, offset);
  EXPECT_EQ(msg.wParam, (WPARAM)MK_LBUTTON);
  EXPECT_EQ(msg.lParam, MAKELPARAM(50, 25));
  user_.Button(1, false);
  DefWindowProcA(offset, WM_CLOSE, 0, 0);
}

TEST_F(X11QueueTest, ExposedWindowGetsPaintUntilValidated) {
  MSG msg;
  ASSERT_FALSE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
  XClearArea(user_.display(), user_.FindByName("queue"), 0, 0, 10, 10, True);
  XSync(user_.display(), False);
  ASSERT_TRUE(WaitForMessage(WM_PAINT, WM_PAINT));
  ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(msg.message, (UINT)WM_PAINT);
  ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) << "paint stays until validated";
  EXPECT_EQ(msg.message, (UINT)WM_PAINT);
  DispatchMessageA(&msg);  // the default procedure validates
  EXPECT_FALSE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
}

TEST_F(X11QueueTest, ResizeIsSentToTheWindowProcedure) {
  XResizeWindow(user_.display(), user_.FindByName("queue"), 300, 200);
  XSync(user_.display(), False);
  for (int i = 0; i < 500 && !WasCalledWith(WM_SIZE); ++i) {
    MSG msg;
    EXPECT_FALSE(PeekMessageA(&msg, nullptr, WM_SIZE, WM_SIZE, PM_REMOVE)) << "sent, not queued";
    Sleep(2);
  }
  ASSERT_TRUE(WasCalledWith(WM_SIZE));
  for (const Received& call : Calls()) {
    if (call.message == WM_SIZE) {
      EXPECT_EQ(call.lParam, MAKELPARAM(300, 200));
    }
  }
}

}  // namespace
