// Stand-in DirectMusic objects for fault injection. They record every call,
// with its arguments, in one journal, count their references, and note calls
// that arrive after their last reference was released. The journal owns them,
// so a late call is recorded instead of touching freed memory.
#pragma once

#include <com_testing.h>
#include <dmusici.h>

#include <memory>
#include <string>
#include <vector>

struct Tracked {
  virtual ~Tracked() = default;
  int refs = 1;
  bool released = false;
};

struct Journal {
  std::vector<std::string> calls;
  int callsAfterRelease = 0;
  std::vector<std::unique_ptr<Tracked>> objects;

  template <class T, class... Args>
  T* Make(Args... args) {
    T* object = new T(this, args...);
    objects.emplace_back(object);
    return object;
  }
  int LiveReferences() const {
    int sum = 0;
    for (const auto& o : objects) sum += o->refs;
    return sum;
  }
  bool Called(const std::string& call) const {
    for (const std::string& c : calls)
      if (c == call) return true;
    return false;
  }
};

// Short names of the GUIDs the player passes.
inline std::string GuidName(REFGUID g) {
  return g == GUID_DirectMusicAllTypes   ? "AllTypes"
         : g == GUID_StandardMIDIFile    ? "StandardMIDIFile"
         : g == GUID_Download            ? "Download"
         : g == GUID_Unload              ? "Unload"
         : g == IID_IDirectMusicSegment2 ? "IID_Segment2"
                                         : "?";
}

template <class Interface>
class StandIn : public Interface, public Tracked {
 public:
  StandIn(Journal* journal, const char* name) : m_journal(journal), m_name(name) {}
  ULONG WINAPI AddRef() override { return Record("AddRef"), ULONG(++refs); }
  ULONG WINAPI Release() override {
    Record("Release");
    released = --refs <= 0;
    return ULONG(refs);
  }

 protected:
  void Record(const std::string& call) {
    m_journal->callsAfterRelease += released;
    m_journal->calls.push_back(m_name + "." + call);
  }
  Journal* m_journal;
  std::string m_name;
};

struct StandInDirectMusic : StandIn<IDirectMusic> {
  explicit StandInDirectMusic(Journal* j) : StandIn(j, "dm") {}
};

struct StandInSegmentState : StandIn<IDirectMusicSegmentState> {
  explicit StandInSegmentState(Journal* j) : StandIn(j, "state") {}
};

struct StandInSegment : StandIn<IDirectMusicSegment2> {
  explicit StandInSegment(Journal* j) : StandIn(j, "seg") {}
  HRESULT WINAPI SetParam(REFGUID type, DWORD groups, DWORD index, MUSIC_TIME time,
                          void* param) override {
    char args[96];
    snprintf(args, sizeof args, "SetParam(%s,%08X,%u,%d,%s)", GuidName(type).c_str(), groups, index,
             time, param == performance ? "perf" : "other");
    return Record(args), S_OK;
  }
  void* performance = nullptr;  // the parameter the journal calls "perf"
};

struct StandInPerformance : StandIn<IDirectMusicPerformance2> {
  StandInPerformance(Journal* j, HRESULT initResult) : StandIn(j, "perf"), m_init(initResult) {}
  HRESULT WINAPI Init(IDirectMusic** dm, LPDIRECTSOUND ds, HWND wnd) override {
    Record(std::string("Init(") + (dm && !*dm ? "out" : "?") + (ds || wnd ? ",?)" : ",null,null)"));
    if (SUCCEEDED(m_init) && dm) *dm = m_journal->Make<StandInDirectMusic>();
    return m_init;
  }
  HRESULT WINAPI PlaySegment(IDirectMusicSegment* seg, DWORD flags, LONGLONG start,
                             IDirectMusicSegmentState** state) override {
    char args[64];
    snprintf(args, sizeof args, "PlaySegment(%s,%u,%lld,%s)", seg ? "seg" : "null", flags,
             (long long)start, state ? "out" : "null");
    Record(args);
    if (state) *state = m_journal->Make<StandInSegmentState>();
    return S_OK;
  }
  HRESULT WINAPI Stop(IDirectMusicSegment* seg, IDirectMusicSegmentState* state, MUSIC_TIME time,
                      DWORD flags) override {
    char args[64];
    snprintf(args, sizeof args, "Stop(%s,%s,%d,%u)", seg ? "seg" : "null", state ? "state" : "null",
             time, flags);
    return Record(args), S_OK;
  }
  HRESULT WINAPI AddPort(IDirectMusicPort* port) override {
    return Record(port ? "AddPort(port)" : "AddPort(null)"), S_OK;
  }
  HRESULT WINAPI CloseDown() override { return Record("CloseDown"), S_OK; }

 private:
  HRESULT m_init;
};

struct StandInLoader : StandIn<IDirectMusicLoader> {
  StandInLoader(Journal* j, HRESULT searchResult, StandInSegment* yields)
      : StandIn(j, "loader"), m_search(searchResult), m_yields(yields) {}
  HRESULT WINAPI SetSearchDirectory(REFGUID type, WCHAR* path, BOOL clear) override {
    searchPath.clear();
    for (const WCHAR* c = path; *c; ++c) searchPath.push_back(char(*c));
    Record("SetSearchDirectory(" + GuidName(type) + (clear ? ",path,TRUE)" : ",path,FALSE)"));
    return m_search;
  }
  HRESULT WINAPI GetObject(LPDMUS_OBJECTDESC desc, REFIID riid, LPVOID* ppv) override {
    Record("GetObject(desc," + GuidName(riid) + ")");
    lastDesc = *desc;
    *ppv = static_cast<IDirectMusicSegment2*>(m_yields);
    return m_yields ? S_OK : DMUS_E_LOADER_FAILEDOPEN;
  }
  std::string searchPath;
  DMUS_OBJECTDESC lastDesc{};

 private:
  HRESULT m_search;
  StandInSegment* m_yields;
};

// Makes CoCreateInstance hand out the stand-in for a class.
template <class Interface>
void RegisterStandIn(REFCLSID clsid, REFIID iid, Interface* object) {
  ComTestRegisterClass(clsid, [object, wanted = GUID(iid)](REFIID riid, LPVOID* ppv) {
    if (riid != wanted) return E_NOINTERFACE;
    *ppv = object;
    return S_OK;
  });
}
