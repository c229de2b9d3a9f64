// GetCursorPos answers from the window's own events while the pointer is in
// it: the user's moves show up without a round trip, and once the pointer has
// left, the server is asked again.
#include "X11TestSupport.h"

using namespace x11test;

namespace {

bool CursorReaches(int x, int y) {
  for (int i = 0; i < 100; ++i) {
    POINT p = {-1, -1};
    if (GetCursorPos(&p) && p.x == x && p.y == y) return true;
    Sleep(10);
  }
  return false;
}

TEST(Cursor, FollowsTheUserInsideAndOutsideTheWindow) {
  XUser user;
  ASSERT_NE(user.display(), nullptr) << "no X server in DISPLAY";
  HWND hwnd = CreateTestWindow("cursor");
  SetCursorPos(50, 50);
  Settle();
  const POINT moves[] = {{60, 70}, {100, 90}, {800, 700}, {61, 71}};  // the third is outside
  for (const POINT& m : moves) {
    SCOPED_TRACE(testing::Message() << m.x << "," << m.y);
    user.MoveTo(m.x, m.y);
    EXPECT_TRUE(CursorReaches(m.x, m.y));
  }
  DefWindowProcA(hwnd, WM_CLOSE, 0, 0);
  Settle(20);
}

}  // namespace
