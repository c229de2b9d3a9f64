// Stand-in DirectMusic objects for fault injection. Each records its calls
// (with their arguments) in one journal, counts its references, and notes any
// call that arrives after its last reference was released. Stand-ins are
// owned by the journal, so a late call is recorded instead of crashing.
#pragma once

#include <com_testing.h>
#include <dmusici.h>

#include <memory>
#include <string>
#include <vector>

struct Journal {
  std::vector<std::string> calls;
  int callsAfterRelease = 0;
  std::vector<std::unique_ptr<IUnknown, void (*)(IUnknown*)>> objects;
  std::vector<const int*> referenceCounts;

  template <class T, class... Args>
  T* Make(Args&&... args) {
    T* object = new T(this, std::forward<Args>(args)...);
    objects.emplace_back(object, [](IUnknown* o) { delete static_cast<T*>(o); });
    referenceCounts.push_back(&object->refs);
    return object;
  }
  int LiveReferences() const {
    int sum = 0;
    for (const int* r : referenceCounts) sum += *r;
    return sum;
  }
  bool Called(const std::string& call) const {
    for (const std::string& c : calls)
      if (c == call) return true;
    return false;
  }
};

std::string GuidName(REFGUID guid);

template <class Interface>
class StandIn : public Interface {
 public:
  StandIn(Journal* journal, const char* name) : m_journal(journal), m_name(name) {}
  ~StandIn() override = default;

  ULONG WINAPI AddRef() override {
    Record("AddRef");
    return ULONG(++refs);
  }
  ULONG WINAPI Release() override {
    Record("Release");
    if (refs > 0) --refs;
    if (refs == 0) m_released = true;
    return ULONG(refs);
  }

  int refs = 1;

 protected:
  void Record(const std::string& call) {
    if (m_released) ++m_journal->callsAfterRelease;
    m_journal->calls.push_back(m_name + "." + call);
  }
  Journal* m_journal;

 private:
  std::string m_name;
  bool m_released = false;
};

class StandInDirectMusic : public StandIn<IDirectMusic> {
 public:
  explicit StandInDirectMusic(Journal* j) : StandIn(j, "dm") {}
};

class StandInSegmentState : public StandIn<IDirectMusicSegmentState> {
 public:
  explicit StandInSegmentState(Journal* j) : StandIn(j, "state") {}
};

class StandInSegment : public StandIn<IDirectMusicSegment2> {
 public:
  explicit StandInSegment(Journal* j) : StandIn(j, "seg") {}
  HRESULT WINAPI SetParam(REFGUID type, DWORD groups, DWORD index, MUSIC_TIME time,
                          void* param) override {
    char args[96];
    snprintf(args, sizeof args, "(%s,%08X,%u,%d,%s)", GuidName(type).c_str(), groups, index, time,
             param == performance ? "perf"
             : param              ? "other"
                                  : "null");
    Record(std::string("SetParam") + args);
    return S_OK;
  }
  void* performance = nullptr;  // what the journal calls "perf"
};

class StandInPerformance : public StandIn<IDirectMusicPerformance2> {
 public:
  StandInPerformance(Journal* j, HRESULT initResult, HRESULT addPortResult)
      : StandIn(j, "perf"), m_init(initResult), m_addPort(addPortResult) {}

  HRESULT WINAPI Init(IDirectMusic** dm, LPDIRECTSOUND ds, HWND wnd) override {
    Record(std::string("Init(") + (dm && !*dm ? "out" : "?") + "," + (ds ? "ds" : "null") + "," +
           (wnd ? "wnd" : "null") + ")");
    if (SUCCEEDED(m_init) && dm) *dm = m_journal->Make<StandInDirectMusic>();
    return m_init;
  }
  HRESULT WINAPI PlaySegment(IDirectMusicSegment* segment, DWORD flags, LONGLONG start,
                             IDirectMusicSegmentState** state) override {
    char args[64];
    snprintf(args, sizeof args, "(%s,%u,%lld,%s)", segment ? "seg" : "null", flags,
             (long long)start, state ? "out" : "null");
    Record(std::string("PlaySegment") + args);
    if (state) *state = m_journal->Make<StandInSegmentState>();
    return S_OK;
  }
  HRESULT WINAPI Stop(IDirectMusicSegment* segment, IDirectMusicSegmentState* state,
                      MUSIC_TIME time, DWORD flags) override {
    char args[64];
    snprintf(args, sizeof args, "(%s,%s,%d,%u)", segment ? "seg" : "null", state ? "state" : "null",
             time, flags);
    Record(std::string("Stop") + args);
    return S_OK;
  }
  HRESULT WINAPI AddPort(IDirectMusicPort* port) override {
    Record(port ? "AddPort(port)" : "AddPort(null)");
    return m_addPort;
  }
  HRESULT WINAPI CloseDown() override {
    Record("CloseDown");
    return S_OK;
  }

 private:
  HRESULT m_init, m_addPort;
};

class StandInLoader : public StandIn<IDirectMusicLoader> {
 public:
  StandInLoader(Journal* j, HRESULT searchResult, StandInSegment* yields)
      : StandIn(j, "loader"), m_search(searchResult), m_yields(yields) {}

  HRESULT WINAPI SetSearchDirectory(REFGUID type, WCHAR* path, BOOL clear) override {
    searchPath.clear();
    for (const WCHAR* c = path; c && *c; ++c) searchPath.push_back(char(*c));
    Record("SetSearchDirectory(" + GuidName(type) + ",path," + (clear ? "TRUE" : "FALSE") + ")");
    return m_search;
  }
  HRESULT WINAPI GetObject(LPDMUS_OBJECTDESC desc, REFIID riid, LPVOID* ppv) override {
    Record("GetObject(desc," + GuidName(riid) + ")");
    if (desc) lastDesc = *desc;
    *ppv = m_yields;
    return m_yields ? S_OK : DMUS_E_LOADER_FAILEDOPEN;
  }

  std::string searchPath;
  DMUS_OBJECTDESC lastDesc{};

 private:
  HRESULT m_search;
  StandInSegment* m_yields;
};

// Names of the GUIDs the player passes, for readable journals.
inline std::string GuidName(REFGUID guid) {
  struct Named {
    const GUID* guid;
    const char* name;
  } const known[] = {{&GUID_DirectMusicAllTypes, "AllTypes"},
                     {&GUID_StandardMIDIFile, "StandardMIDIFile"},
                     {&GUID_Download, "Download"},
                     {&GUID_Unload, "Unload"},
                     {&IID_IDirectMusicSegment2, "IID_Segment2"}};
  for (const Named& n : known)
    if (*n.guid == guid) return n.name;
  return "?";
}

// Makes CoCreateInstance hand out a stand-in for a class.
template <class Interface, class T>
void RegisterStandIn(REFCLSID clsid, REFIID iid, T* object) {
  ComTestRegisterClass(clsid, [object, wanted = GUID(iid)](REFIID riid, LPVOID* ppv) -> HRESULT {
    if (riid != wanted) return E_NOINTERFACE;
    *ppv = static_cast<Interface*>(object);
    return S_OK;
  });
}
