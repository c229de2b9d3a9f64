// The reference counting shared by the platform's COM objects, and the count
// of live objects that tests read through com_testing.h.
#pragma once

#include <objbase.h>

#include <atomic>

// Adds delta to the number of live platform COM objects.
void ComCountLiveObject(int delta);

// Implements IUnknown's AddRef and Release for one interface: the object is
// born with one reference and deletes itself when the last one is released.
template <class Interface>
class ComObject : public Interface {
 public:
  ComObject(const ComObject&) = delete;
  ComObject& operator=(const ComObject&) = delete;

  ULONG WINAPI AddRef() override { return ++m_refs; }

  ULONG WINAPI Release() override {
    ULONG left = --m_refs;
    if (left == 0) delete this;
    return left;
  }

 protected:
  ComObject() { ComCountLiveObject(+1); }
  ~ComObject() override { ComCountLiveObject(-1); }

 private:
  std::atomic<ULONG> m_refs{1};
};

// Returns the object behind an interface pointer if it is of class T (one of
// ours), or null for a foreign object or a null pointer.
template <class T>
T* ComObjectAs(void* unknown) {
  return unknown ? dynamic_cast<T*>(static_cast<IUnknown*>(unknown)) : nullptr;
}
