#include "first_frame.h"

#include <com_testing.h>

#include <atomic>
#include <condition_variable>
#include <mutex>

namespace {
struct Moments {
  std::mutex lock;
  std::condition_variable changed;
  bool driverLoaded = false;  // a context was asked for: one is or was there
  std::atomic<bool> presented{false};
  int waiters = 0;  // in WaitForFirstFrame
  void (*afterDriver)() = nullptr;
};

// NOTE: never destroyed: a thread may still wait on it when the process exits,
// and destroying a condition variable with a waiter hangs the exit.
Moments& Shared() {
  static Moments* const moments = new Moments();
  return *moments;
}
}  // namespace

void GlDriverLoaded() {
  Moments& m = Shared();
  std::unique_lock<std::mutex> hold(m.lock);
  m.driverLoaded = true;
  void (*task)() = m.afterDriver;
  m.afterDriver = nullptr;
  hold.unlock();
  if (task) task();
}

void AfterGlDriver(void (*task)()) {
  Moments& m = Shared();
  std::unique_lock<std::mutex> hold(m.lock);
  if (!m.driverLoaded) {
    m.afterDriver = task;
    return;
  }
  hold.unlock();
  task();
}

void FirstFramePresented() {
  Moments& m = Shared();
  if (m.presented) return;  // every later frame
  std::lock_guard<std::mutex> hold(m.lock);
  m.presented = true;
  m.changed.notify_all();
}

void WaitForFirstFrame() {
  Moments& m = Shared();
  std::unique_lock<std::mutex> hold(m.lock);
  ++m.waiters;
  m.changed.wait(hold, [&] { return !m.driverLoaded || m.presented; });
  --m.waiters;
}

int ComTestFirstFrameWaiters() {
  Moments& m = Shared();
  std::lock_guard<std::mutex> hold(m.lock);
  return m.waiters;
}
