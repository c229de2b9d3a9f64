// The music player against the real FluidSynth objects and against stand-ins
// that fail on purpose: what "MIDI.txt" says, what reaches DirectMusic, and that
// shut-down releases everything without calling a released object; and the
// platform's side of the music files: paths become wide strings safely, and
// the loader takes standard MIDI files only.
#include <gtest/gtest.h>

#include <com_testing.h>
#include <dmusici.h>
#include <fluidsynth.h>

#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <climits>
#include <cmath>
#include <memory>
#include <numeric>
#include <string>
#include <tuple>

#include "TestFiles.h"
#include "music/CMusic.h"

namespace {

// A format 0 file of one piano note, half a second long, at its very start.
const std::string kOneNote(
    "MThd\0\0\0\6\0\0\0\1\0\x60MTrk\0\0\0\x0c\0\x90\x3c\x64\x60\x80\x3c\x40\0\xff\x2f\0", 34);

// A new object of one of the platform's classes, or NULL.
template <class Interface>
Interface* Create(REFCLSID clsid, REFIID iid) {
  Interface* object = NULL;
  EXPECT_EQ(CoCreateInstance(clsid, NULL, CLSCTX_INPROC_SERVER, iid, (void**)&object), S_OK);
  return object;
}

// A segment from the platform's loader, or NULL.
IDirectMusicSegment2* LoadSegment(IDirectMusicLoader* loader, const std::u16string& name) {
  DMUS_OBJECTDESC desc = {};
  desc.dwSize = sizeof desc;
  desc.dwValidData = DMUS_OBJ_FILENAME;
  std::copy_n(name.c_str(), name.size() + 1, desc.wszFileName);
  IDirectMusicSegment2* segment = NULL;
  const HRESULT hr = loader->GetObject(&desc, IID_IDirectMusicSegment2, (void**)&segment);
  EXPECT_EQ(SUCCEEDED(hr), segment != NULL);
  return segment;
}

// The player's paths become wide strings whole, terminator included, or not
// at all: nothing is ever written past the buffer.
TEST(MusicPaths, WideConversionFitsWholeOrWritesNothing) {
  struct Case {
    const char* text;
    int bytes, room, result;
  } const kCases[] = {{"ab\xe9", -1, 4, 4},
                      {"ab\xe9", -1, 3, 0},
                      {"ab\xe9", 3, 3, 3},
                      {"ab\xe9", 2, 1, 0},
                      {"ab\xe9", -1, 0, 4},
                      {"", -1, 1, 1},
                      {"ab\xe9", INT_MAX, 0, INT_MAX}};
  for (const Case& c : kCases) {
    SCOPED_TRACE(testing::Message() << c.bytes << " into " << c.room);
    WCHAR out[6];
    std::fill(std::begin(out), std::end(out), WCHAR(0x7777));
    const int result =
        MultiByteToWideChar(CP_ACP, MB_PRECOMPOSED, c.text, c.bytes, c.room ? out : NULL, c.room);
    EXPECT_EQ(result, c.result);
    for (int i = 0; i < 6; ++i)
      EXPECT_EQ(out[i], c.room && i < result ? WCHAR((unsigned char)c.text[i]) : WCHAR(0x7777))
          << i;
  }
}

// The platform's loader takes standard MIDI files of format 0 or 1 only
// (tracks of any length), by a name whose every unit comes from the ANSI code page.
TEST(MusicLoader, RefusesWhatIsNotAStandardMidiFile) {
  const std::string music = ShippedFile("Duridaz.mid");
  const std::string format2 = music.substr(0, 9) + '\2' + music.substr(10);
  // One track of 69,642 bytes: a text event of 0x11000 bytes, then its end.
  const std::string longTrack = kOneNote.substr(0, 14) +
                                std::string("MTrk\0\1\x10\x0a\0\xff\x01\x84\xa0\x00", 14) +
                                std::string(0x11000, 'x') + std::string("\0\xff\x2f\0", 4);
  // Over 16 MiB by one byte, in a chunk of a kind the player skips.
  const uint32_t skipped = (16u << 20) + 1 - (uint32_t)music.size() - 8;
  const std::string oversized = music + "XFIL" + (char)(skipped >> 24) + (char)(skipped >> 16) +
                                (char)(skipped >> 8) + (char)skipped + std::string(skipped, '\0');
  const std::tuple<std::u16string, std::string, bool> kFiles[] = {
      {u"music", music, true},      {u"music", kOneNote, true},
      {u"music", longTrack, true},  {u"music", format2, false},
      {u"music", "MThd", false},    {u"music", music.substr(0, 14), false},
      {u"music", oversized, false}, {u"music\u0100", music, false}};
  CoInitialize(NULL);
  auto* loader = Create<IDirectMusicLoader>(CLSID_DirectMusicLoader, IID_IDirectMusicLoader);
  ASSERT_TRUE(loader);
  for (const auto& [name, bytes, loads] : kFiles) {
    TestFile file("music", bytes);
    IDirectMusicSegment2* segment = LoadSegment(loader, name);
    EXPECT_EQ(segment != NULL, loads);
    if (segment) segment->Release();
  }
  // Only a segment, only by its file name; and the loader's class only as a loader.
  TestFile file("music", kOneNote);
  const std::tuple<DWORD, GUID, HRESULT> kAsked[] = {
      {DMUS_OBJ_FILENAME, IID_IDirectMusicLoader, E_NOINTERFACE},
      {DMUS_OBJ_CLASS, IID_IDirectMusicSegment2, E_INVALIDARG}};
  for (const auto& [valid, iid, refusal] : kAsked) {
    DMUS_OBJECTDESC desc = {};
    desc.dwSize = sizeof desc;
    desc.dwValidData = valid;
    std::copy_n(u"music", 6, desc.wszFileName);
    void* object = &desc;
    EXPECT_EQ(loader->GetObject(&desc, iid, &object), refusal);
    EXPECT_EQ(object, nullptr);
    EXPECT_EQ(loader->GetObject(&desc, iid, nullptr), E_POINTER);
  }
  void* other = &other;
  EXPECT_EQ(CoCreateInstance(CLSID_DirectMusicLoader, NULL, CLSCTX_INPROC_SERVER,
                             IID_IDirectMusicSegment2, &other),
            E_NOINTERFACE);
  EXPECT_EQ(other, nullptr);
  loader->Release();
  CoUninitialize();
}

// The stand-ins write their calls into one journal, which owns them, so a call
// after the last release is counted instead of touching freed memory.
struct Tracked {
  virtual ~Tracked() = default;
  int refs = 1;
};
struct Journal {
  std::string calls;  // each call followed by a space
  int callsAfterRelease = 0;
  std::vector<std::unique_ptr<Tracked>> objects;
  template <class T, class... Args>
  T* Make(Args... args) {
    objects.emplace_back(new T(this, args...));
    return static_cast<T*>(objects.back().get());
  }
  int References() const {
    return std::accumulate(objects.begin(), objects.end(), 0,
                           [](int sum, const auto& o) { return sum + o->refs; });
  }
  bool Called(const std::string& call) const { return calls.find(call + " ") != std::string::npos; }
};

template <class Interface>
class StandIn : public Interface, public Tracked {
 public:
  StandIn(Journal* journal, const char* name) : m_journal(journal), m_name(name) {}
  ULONG WINAPI AddRef() override { return Record("AddRef"), ULONG(++refs); }
  ULONG WINAPI Release() override { return Record("Release"), ULONG(--refs); }

 protected:
  void Record(const std::string& call) {
    m_journal->callsAfterRelease += refs <= 0;
    m_journal->calls += m_name + "." + call + " ";
  }
  Journal* m_journal;
  std::string m_name;
};

struct SegmentStandIn : StandIn<IDirectMusicSegment2> {
  explicit SegmentStandIn(Journal* j) : StandIn(j, "seg") {}
  HRESULT WINAPI SetParam(REFGUID type, DWORD groups, DWORD, MUSIC_TIME, void* param) override {
    const char* name = type == GUID_StandardMIDIFile ? "StandardMIDIFile"
                       : type == GUID_Download       ? "Download"
                       : type == GUID_Unload         ? "Unload"
                                                     : "?";
    Record(std::string("SetParam(") + name + (groups == 0xFFFFFFFF ? ",all" : ",some") +
           (param == performance ? ",perf)" : ",other)"));
    return S_OK;
  }
  void* performance = nullptr;
};
struct PerformanceStandIn : StandIn<IDirectMusicPerformance2> {
  PerformanceStandIn(Journal* j, HRESULT init) : StandIn(j, "perf"), m_init(init) {}
  HRESULT WINAPI Init(IDirectMusic** dm, LPDIRECTSOUND, HWND) override {
    Record("Init");
    if (SUCCEEDED(m_init) && dm) *dm = m_journal->Make<StandIn<IDirectMusic>>("dm");
    return m_init;
  }
  HRESULT WINAPI PlaySegment(IDirectMusicSegment*, DWORD, LONGLONG,
                             IDirectMusicSegmentState** state) override {
    Record("PlaySegment");
    if (state) *state = m_journal->Make<StandIn<IDirectMusicSegmentState>>("state");
    return S_OK;
  }
  HRESULT WINAPI Stop(IDirectMusicSegment*, IDirectMusicSegmentState*, MUSIC_TIME, DWORD) override {
    return Record("Stop"), S_OK;
  }
  HRESULT WINAPI AddPort(IDirectMusicPort* port) override {
    return Record(port ? "AddPort(port)" : "AddPort"), S_OK;
  }
  HRESULT WINAPI CloseDown() override { return Record("CloseDown"), S_OK; }
  HRESULT m_init;
};
struct LoaderStandIn : StandIn<IDirectMusicLoader> {
  LoaderStandIn(Journal* j, HRESULT search, SegmentStandIn* yields)
      : StandIn(j, "loader"), m_search(search), m_yields(yields) {}
  HRESULT WINAPI SetSearchDirectory(REFGUID type, WCHAR* path, BOOL clear) override {
    for (searchPath.clear(); *path; ++path) searchPath.push_back(char(*path));
    Record(type == GUID_DirectMusicAllTypes && !clear ? "SetSearchDirectory"
                                                      : "SetSearchDirectory?");
    return m_search;
  }
  HRESULT WINAPI GetObject(LPDMUS_OBJECTDESC desc, REFIID riid, LPVOID* ppv) override {
    Record(riid == IID_IDirectMusicSegment2 ? "GetObject" : "GetObject?");
    lastDesc = *desc;
    *ppv = static_cast<IDirectMusicSegment2*>(m_yields);
    return m_yields ? S_OK : DMUS_E_LOADER_FAILEDOPEN;
  }
  std::string searchPath;
  DMUS_OBJECTDESC lastDesc{};
  HRESULT m_search;
  SegmentStandIn* m_yields;
};

template <class Interface>
void Register(REFCLSID clsid, REFIID iid, StandIn<Interface>* object) {
  ComTestRegisterClass(clsid, [object, wanted = GUID(iid)](REFIID riid, LPVOID* ppv) {
    if (riid != wanted) return E_NOINTERFACE;
    *ppv = static_cast<Interface*>(object);
    return S_OK;
  });
}

// Each test runs the music the way the application does, in a folder of its
// own, and ends with every object released and COM uninitialised.
class Music : public ::testing::Test {
 protected:
  ~Music() override {
    ComTestRestoreClasses();
    unsetenv("ALSA_CONFIG_PATH");
    // A soundfont load that outlasted the close holds the performance until it ends.
    WaitUntil([&] { return ComTestLiveObjects() == m_live; }, std::chrono::seconds(30));
    EXPECT_EQ(m_live, ComTestLiveObjects()) << "platform COM objects left alive";
    EXPECT_EQ(m_init, ComTestInitCount()) << "COM left initialised";
    EXPECT_EQ(0, m_journal.References()) << "a stand-in still holds references";
    EXPECT_EQ(0, m_journal.callsAfterRelease) << "an object was called after its release";
  }
  std::string Run() {
    LogFile log(StartFolderFile("MIDI.txt"));
    CMusic music;
    music.Start();
    music.Stop();
    return log.Added();
  }
  ScratchFolder m_folder{::testing::UnitTest::GetInstance()->current_test_info()->name()};
  Journal m_journal;
  int m_live = ComTestLiveObjects(), m_init = ComTestInitCount();
};

TEST_F(Music, NormalRunTellsDirectMusicWhatToPlayAndReleasesEverything) {
  WriteWholeFile("Duridaz.mid", ShippedFile("Duridaz.mid"));
  auto* perf = m_journal.Make<PerformanceStandIn>(S_OK);
  auto* seg = m_journal.Make<SegmentStandIn>();
  auto* loader = m_journal.Make<LoaderStandIn>(S_OK, seg);
  seg->performance = static_cast<IDirectMusicPerformance2*>(perf);
  Register(CLSID_DirectMusicPerformance, IID_IDirectMusicPerformance2, perf);
  Register(CLSID_DirectMusicLoader, IID_IDirectMusicLoader, loader);
  EXPECT_EQ(
      Run(),
      "Creating performance\nCreating loader\nGot here\nLoading MIDI segment\nPlaying segment\n");
  EXPECT_EQ(m_journal.calls,
            "perf.Init perf.AddPort loader.SetSearchDirectory loader.GetObject "
            "seg.SetParam(StandardMIDIFile,all,perf) seg.SetParam(Download,all,perf) "
            "perf.PlaySegment state.Release perf.Stop seg.SetParam(Unload,all,perf) seg.Release "
            "perf.CloseDown perf.Release dm.Release loader.Release ");
  EXPECT_EQ(loader->searchPath, m_folder.Path());
  const DMUS_OBJECTDESC& desc = loader->lastDesc;
  EXPECT_EQ(desc.dwSize, sizeof(DMUS_OBJECTDESC));
  EXPECT_EQ(desc.dwValidData, DMUS_OBJ_CLASS | DMUS_OBJ_FILENAME);
  EXPECT_TRUE(desc.guidClass == CLSID_DirectMusicSegment);
  EXPECT_EQ(std::string(desc.wszFileName, desc.wszFileName + 12), std::string("Duridaz.mid", 12));
}

// Every way DirectMusic can fail: the log after "Creating performance", and
// whether the segment reaches the performance. Each failure is logged and
// the next step still runs; nothing is called through a missing object. With
// no audio output the real performance closes while its instruments still
// load on a thread of their own: that neither hangs nor leaks.
TEST_F(Music, EachFailureIsLoggedAndTheRestCarriesOn) {
  enum Perf { kStandIn, kInitFails, kReal, kNoPerfClass };  // kReal: the platform's own
  enum Loader { kRealLoader, kNoLoaderClass, kRefusesFolder, kFolderGone };
  struct Case {
    const char* name;
    Perf perf;
    Loader loader;
    std::string file, log;
    bool plays;
  };
  const std::string music = ShippedFile("Duridaz.mid");
  const std::string loading = "Creating loader\nGot here\nLoading MIDI segment\n";
  const std::string plays = loading + "Playing segment\n";
  const Case kCases[] = {
      {"no audio output", kReal, kRealLoader, music, "Failed to initalise port\n" + plays, false},
      {"no performance class", kNoPerfClass, kRealLoader, music,
       "Failed to create instance\nFailed to create performance\n" + plays, false},
      {"performance Init fails", kInitFails, kRealLoader, music,
       "Failed to initialise peformance\n" + plays, true},
      {"no loader class", kInitFails, kNoLoaderClass, music,
       "Failed to initialise peformance\nCreating loader\nFailed to create instance\n"
       "Failed to create loader\nGot here\n",
       false},
      {"search folder refused", kStandIn, kRefusesFolder, music,
       loading + "Failed to set search directory\n", false},
      {"working folder deleted", kStandIn, kFolderGone, "missing",
       loading + "Failed to get current directory\n", false},
      {"file missing", kStandIn, kRealLoader, "missing", loading, false},
      {"file is text", kStandIn, kRealLoader, "not music but some text\n", loading, false},
      {"file cut short", kStandIn, kRealLoader, music.substr(0, music.size() / 2), loading, false},
  };
  // No row has a sound card: the one real performance finds no audio output.
  WriteWholeFile("asound.conf", "# no devices\n");
  setenv("ALSA_CONFIG_PATH", (m_folder.Path() + "/asound.conf").c_str(), 1);
  testing::internal::CaptureStderr();
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.name);
    ScratchFolder folder(c.name);
    TestFile file("Duridaz.mid", c.file);
    m_journal.calls.clear();
    if (c.perf == kNoPerfClass) ComTestRegisterClass(CLSID_DirectMusicPerformance, {});
    if (c.perf == kStandIn || c.perf == kInitFails)
      Register(CLSID_DirectMusicPerformance, IID_IDirectMusicPerformance2,
               m_journal.Make<PerformanceStandIn>(c.perf == kInitFails ? E_FAIL : S_OK));
    if (c.loader == kNoLoaderClass) ComTestRegisterClass(CLSID_DirectMusicLoader, {});
    if (c.loader == kRefusesFolder)
      Register(CLSID_DirectMusicLoader, IID_IDirectMusicLoader,
               m_journal.Make<LoaderStandIn>(E_FAIL, nullptr));
    if (c.loader == kFolderGone) {
      ASSERT_EQ(0, rmdir(folder.Path().c_str()));  // the working folder, empty
    }
    EXPECT_EQ(Run(), "Creating performance\n" + c.log);
    if (c.perf == kStandIn || c.perf == kInitFails) {
      EXPECT_TRUE(m_journal.Called("perf.AddPort") && m_journal.Called("perf.CloseDown"));
      EXPECT_EQ(m_journal.Called("perf.PlaySegment"), c.plays);
    }
    ComTestRestoreClasses();
  }
  // FluidSynth's errors (the missing device) in the platform's own wording.
  const std::string errors = testing::internal::GetCapturedStderr();
  EXPECT_NE(errors.find("fluidsynth: "), std::string::npos);
  EXPECT_EQ(errors.find("error:"), std::string::npos) << errors;
}

// Renders one block of the synthesizer's output: whether it was audible.
bool RenderBlock(fluid_synth_t* synth) {
  float left[64], right[64];
  fluid_synth_write_float(synth, 64, left, 0, 1, right, 0, 1);
  return std::any_of(left, left + 64, [](float sample) { return std::fabs(sample) > 1e-3f; });
}

// Whether the performance's synthesizer sounds, rendered until it does: for up
// to a minute when it must (the loading thread's last step may still be due),
// else for two seconds of music.
bool Sounds(fluid_synth_t* synth, bool must) {
  if (must) return WaitUntil([&] { return RenderBlock(synth); });
  for (int block = 0; block < 2 * 44100 / 64; ++block)
    if (RenderBlock(synth)) return true;
  return false;
}

// The instruments load on a thread of their own while a segment whose one
// note is at its start is played, stopped and played again (D download, P
// play, S stop, U unload, W wait until they are in, rendering meanwhile; d
// and u download and unload a second segment; g: the GL driver is in, as in a
// program that draws; f: its first frame goes on the screen): a segment played
// while they load starts once they are in, so its note sounds; the instruments
// stay while any segment still holds them; in a program that draws they load
// only once its first frame is on the screen; and the load runs 10 nicer than
// the calling thread (at most 19), whose own priority it leaves.
TEST_F(Music, SegmentPlayedWhileTheInstrumentsLoadStartsOnceTheyAreIn) {
  for (const char* name : {"one.mid", "two.mid"}) WriteWholeFile(name, kOneNote);
  const std::pair<const char*, bool> kScripts[] = {
      {"gDfPW", true},  {"DWP", true},     {"DPW", true},   {"DPSPW", true},
      {"DPUDPW", true}, {"DPSUDW", false}, {"DdWUPW", true}};
  CoInitialize(NULL);
  EXPECT_GT(ComTestInitCount(), 0);
  const int nice = getpriority(PRIO_PROCESS, (id_t)gettid());  // the suite may run under nice
  for (const auto& [script, sounds] : kScripts) {
    SCOPED_TRACE(script);
    auto* perf = Create<IDirectMusicPerformance2>(CLSID_DirectMusicPerformance,
                                                  IID_IDirectMusicPerformance2);
    auto* loader = Create<IDirectMusicLoader>(CLSID_DirectMusicLoader, IID_IDirectMusicLoader);
    ASSERT_TRUE(perf && loader);
    ASSERT_EQ(perf->Init(NULL, NULL, NULL), S_OK);
    IDirectMusicSegment2* seg = LoadSegment(loader, u"one.mid");
    IDirectMusicSegment2* second = LoadSegment(loader, u"two.mid");
    ASSERT_TRUE(seg && second);
    fluid_synth_t* synth = ComTestSynth(perf);
    EXPECT_EQ(seg->SetParam(GUID_Download, ~0u, 0, 0, NULL), E_POINTER);
    EXPECT_EQ(seg->SetParam(GUID_Unload, ~0u, 0, 0, NULL), E_POINTER);
    EXPECT_EQ(seg->SetParam(IID_IDirectMusicLoader, ~0u, 0, 0, perf), E_NOTIMPL);
    bool secondHolds = false;
    for (const char* step = script; *step; ++step) {
      const HRESULT result = *step == 'D'   ? seg->SetParam(GUID_Download, ~0u, 0, 0, perf)
                             : *step == 'U' ? seg->SetParam(GUID_Unload, ~0u, 0, 0, perf)
                             : *step == 'd' ? second->SetParam(GUID_Download, ~0u, 0, 0, perf)
                             : *step == 'u' ? second->SetParam(GUID_Unload, ~0u, 0, 0, perf)
                             : *step == 'P' ? perf->PlaySegment(seg, 0, 0, NULL)
                             : *step == 'S' ? perf->Stop(NULL, NULL, 0, 0)
                                            : S_OK;
      EXPECT_EQ(result, S_OK) << *step;
      if (*step == 'g') GlDriverLoaded();
      if (*step == 'f') {
        EXPECT_TRUE(WaitUntil([] { return ComTestFirstFrameWaiters() == 1; }));
        EXPECT_EQ(fluid_synth_sfcount(synth), 0) << "loaded before the first frame";
        FirstFramePresented();
      }
      // An unload takes effect now or, while they load, once they are in.
      secondHolds = *step == 'd' || (secondHolds && *step != 'u');
      const bool empties = *step == 'U' && !secondHolds;
      EXPECT_TRUE(!empties || WaitUntil([&] { return fluid_synth_sfcount(synth) == 0; }))
          << "unloaded";
      EXPECT_TRUE(*step != 'U' || empties || fluid_synth_sfcount(synth) == 1) << "kept";
      // The synthesizer runs on while they load.
      if (*step == 'W')
        WaitUntil([&] { return RenderBlock(synth), fluid_synth_sfcount(synth) != 0; });
    }
    EXPECT_EQ(fluid_synth_sfcount(synth), 1);
    EXPECT_EQ(getpriority(PRIO_PROCESS, (id_t)gettid()), nice);
    EXPECT_EQ(ComTestLoaderNice(perf), std::min(nice + 10, 19));
    EXPECT_EQ(Sounds(synth, sounds), sounds);
    seg->Release();
    second->Release();
    loader->Release();
    perf->CloseDown();
    perf->Release();
    if (HasFailure()) break;  // each silent script waits a minute
  }
  CoUninitialize();
}

}  // namespace
