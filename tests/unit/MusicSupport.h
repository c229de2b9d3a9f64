// What the music tests share: a one-note file and the platform loader's segments.
#pragma once
#include <gtest/gtest.h>

#include <dmusici.h>

#include <algorithm>
#include <chrono>
#include <string>
#include <thread>

// A format 0 file of one piano note, half a second long, at its very start.
inline const std::string kOneNote(
    "MThd\0\0\0\6\0\0\0\1\0\x60MTrk\0\0\0\x0c\0\x90\x3c\x64\x60\x80\x3c\x40\0\xff\x2f\0", 34);

// Whether done() came true (checked every millisecond) within the limit.
template <class Done>
bool WaitUntil(Done done, std::chrono::seconds limit = std::chrono::seconds(60)) {
  const auto giveUp = std::chrono::steady_clock::now() + limit;
  for (; !done(); std::this_thread::sleep_for(std::chrono::milliseconds(1)))
    if (std::chrono::steady_clock::now() > giveUp) return false;
  return true;
}

// A new object of one of the platform's classes, or NULL.
template <class Interface>
Interface* Create(REFCLSID clsid, REFIID iid) {
  Interface* object = NULL;
  EXPECT_EQ(CoCreateInstance(clsid, NULL, CLSCTX_INPROC_SERVER, iid, (void**)&object), S_OK);
  return object;
}

// A segment from the platform's loader, or NULL.
inline IDirectMusicSegment2* LoadSegment(IDirectMusicLoader* loader, const std::u16string& name) {
  DMUS_OBJECTDESC desc = {};
  desc.dwSize = sizeof desc;
  desc.dwValidData = DMUS_OBJ_FILENAME;
  std::copy_n(name.c_str(), name.size() + 1, desc.wszFileName);
  IDirectMusicSegment2* segment = NULL;
  const HRESULT hr = loader->GetObject(&desc, IID_IDirectMusicSegment2, (void**)&segment);
  EXPECT_EQ(SUCCEEDED(hr), segment != NULL);
  return segment;
}
