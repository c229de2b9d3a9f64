// COM (ole32) for the music objects: CoInitialize, CoCreateInstance and
// CoUninitialize over an in-process class table that knows the DirectMusic
// performance and loader. No apartments, marshalling, registry or aggregation.
#include <com_testing.h>
#include <dmusici.h>

#include <vector>

#include "com_object.h"
#include "dmusic_objects.h"
#include "fluidsynth_setup.h"

namespace {

struct ComClass {
  CLSID clsid;
  ComClassFactory factory;
};

std::atomic<int> g_liveObjects{0};
int g_initCount = 0;

std::vector<ComClass> PlatformClasses() {
  return {{CLSID_DirectMusicPerformance, CreateDirectMusicPerformance},
          {CLSID_DirectMusicLoader, CreateDirectMusicLoader}};
}

std::vector<ComClass>& Classes() {
  static std::vector<ComClass> classes = PlatformClasses();
  return classes;
}

ComClassFactory FindFactory(const std::vector<ComClass>& classes, REFCLSID rclsid) {
  for (const ComClass& c : classes)
    if (c.clsid == rclsid) return c.factory;
  return {};
}

}  // namespace

void ComCountLiveObject(int delta) { g_liveObjects += delta; }

// NOTE: the program calls COM from its main thread only, so one process-wide
// initialisation count stands in for Windows' per-thread apartments.
HRESULT WINAPI CoInitialize(LPVOID) {
  // The performance's objects are made beside the program from now on.
  if (++g_initCount > 1) return S_FALSE;
  FluidStartPreparing();
  return S_OK;
}

void WINAPI CoUninitialize(void) {
  if (g_initCount > 0) --g_initCount;
}

HRESULT WINAPI CoCreateInstance(REFCLSID rclsid, IUnknown* pUnkOuter, DWORD dwClsContext,
                                REFIID riid, LPVOID* ppv) {
  if (ppv == nullptr) return E_POINTER;
  *ppv = nullptr;
  if (g_initCount == 0) return CO_E_NOTINITIALIZED;
  if (pUnkOuter != nullptr) return CLASS_E_NOAGGREGATION;
  // Every class here is an in-process server.
  if ((dwClsContext & (CLSCTX_INPROC_SERVER | CLSCTX_INPROC_HANDLER)) == 0)
    return REGDB_E_CLASSNOTREG;
  ComClassFactory factory = FindFactory(Classes(), rclsid);
  if (!factory) return REGDB_E_CLASSNOTREG;
  HRESULT hr = factory(riid, ppv);
  if (FAILED(hr)) *ppv = nullptr;
  return hr;
}

// ---- test hooks -------------------------------------------------------------

void ComTestRegisterClass(REFCLSID rclsid, ComClassFactory factory) {
  for (ComClass& c : Classes()) {
    if (c.clsid == rclsid) {
      c.factory = std::move(factory);
      return;
    }
  }
  Classes().push_back({rclsid, std::move(factory)});
}

void ComTestRestoreClasses() { Classes() = PlatformClasses(); }

int ComTestLiveObjects() { return g_liveObjects; }

int ComTestInitCount() { return g_initCount; }
