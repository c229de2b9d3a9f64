// A wait the music's tests share: its instruments load on a thread of their
// own, which can outlast the close.
#pragma once
#include <chrono>
#include <thread>

// Whether done() came true (checked every millisecond) within the limit.
template <class Done>
bool WaitUntil(Done done, std::chrono::seconds limit = std::chrono::seconds(60)) {
  const auto giveUp = std::chrono::steady_clock::now() + limit;
  for (; !done(); std::this_thread::sleep_for(std::chrono::milliseconds(1)))
    if (std::chrono::steady_clock::now() > giveUp) return false;
  return true;
}
