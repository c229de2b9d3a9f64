// The platform's COM library and DirectMusic objects on their own: class
// creation and its failures, reference counts, the loader's search directory
// and its refusal of files that are not standard MIDI files.
#include <dmusici.h>

#include "DirectMusicStandIns.h"
#include "MusicTestSupport.h"

namespace {

// Wide characters as the program makes them: one unit per byte.
std::vector<WCHAR> Wide(const std::string& text) {
  std::vector<WCHAR> wide(text.begin(), text.end());
  wide.push_back(0);
  return wide;
}

// A minimal type 1 file: one track holding one note.
std::string TinyMidiFile() {
  const char header[] = {'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, 1, 0, 1, 1, (char)0xE0};
  const char track[] = {'M',        'T', 'r',        'k', 0,          0,          0,
                        12,         0,   (char)0x90, 60,  100,        (char)0x83, 0x60,
                        (char)0x80, 60,  0,          0,   (char)0xFF, 0x2F,       0};
  std::string file(header, sizeof header);
  std::string body(track, sizeof track);
  body[7] = char(body.size() - 8);
  return file + body;
}

class ComTest : public ::testing::Test {
 protected:
  ComTest() : m_live(ComTestLiveObjects()) { CoInitialize(nullptr); }
  ~ComTest() override {
    CoUninitialize();
    ComTestRestoreClasses();
    EXPECT_EQ(m_live, ComTestLiveObjects()) << "platform COM objects left alive";
  }

  template <class T>
  HRESULT Create(REFCLSID clsid, REFIID iid, T** out) {
    return CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER | CLSCTX_INPROC_HANDLER, iid,
                            (void**)out);
  }

  int m_live;
};

TEST_F(ComTest, CreationFailuresLeaveNoObject) {
  void* object = &object;
  EXPECT_EQ(REGDB_E_CLASSNOTREG,
            Create(CLSID_DirectMusicSegment, IID_IDirectMusicSegment2, (IUnknown**)&object));
  EXPECT_EQ(nullptr, object);
  object = &object;
  EXPECT_EQ(E_NOINTERFACE,
            Create(CLSID_DirectMusicLoader, IID_IDirectMusicPerformance2, (IUnknown**)&object));
  EXPECT_EQ(nullptr, object);
  object = &object;
  EXPECT_EQ(CLASS_E_NOAGGREGATION,
            CoCreateInstance(CLSID_DirectMusicLoader, (IUnknown*)&object, CLSCTX_INPROC_SERVER,
                             IID_IDirectMusicLoader, &object));
  EXPECT_EQ(nullptr, object);

  CoUninitialize();  // back to no COM at all
  IDirectMusicLoader* loader = nullptr;
  EXPECT_EQ(CO_E_NOTINITIALIZED, Create(CLSID_DirectMusicLoader, IID_IDirectMusicLoader, &loader));
  EXPECT_EQ(nullptr, loader);
  CoInitialize(nullptr);
}

TEST_F(ComTest, ObjectsAreReferenceCounted) {
  IDirectMusicLoader* loader = nullptr;
  ASSERT_EQ(S_OK, Create(CLSID_DirectMusicLoader, IID_IDirectMusicLoader, &loader));
  EXPECT_EQ(m_live + 1, ComTestLiveObjects());
  EXPECT_EQ(2u, loader->AddRef());
  EXPECT_EQ(1u, loader->Release());
  EXPECT_EQ(m_live + 1, ComTestLiveObjects());
  EXPECT_EQ(0u, loader->Release());
  EXPECT_EQ(m_live, ComTestLiveObjects());
}

TEST_F(ComTest, StandInClassesReplaceAndRestore) {
  Journal journal;
  auto* loader = journal.Make<StandInLoader>(S_OK, nullptr);
  RegisterStandIn<IDirectMusicLoader>(CLSID_DirectMusicLoader, IID_IDirectMusicLoader, loader);
  IDirectMusicLoader* created = nullptr;
  ASSERT_EQ(S_OK, Create(CLSID_DirectMusicLoader, IID_IDirectMusicLoader, &created));
  EXPECT_EQ(static_cast<IDirectMusicLoader*>(loader), created);
  created->Release();
  ComTestRestoreClasses();
  ASSERT_EQ(S_OK, Create(CLSID_DirectMusicLoader, IID_IDirectMusicLoader, &created));
  EXPECT_NE(static_cast<IDirectMusicLoader*>(loader), created);
  created->Release();
}

class LoaderTest : public ComTest {
 protected:
  LoaderTest() : m_dir("LoaderTest") {
    EXPECT_EQ(S_OK, Create(CLSID_DirectMusicLoader, IID_IDirectMusicLoader, &m_loader));
  }
  ~LoaderTest() override {
    if (m_loader) m_loader->Release();
  }

  HRESULT Search(const std::string& directory) {
    std::vector<WCHAR> wide = Wide(directory);
    return m_loader->SetSearchDirectory(GUID_DirectMusicAllTypes, wide.data(), FALSE);
  }

  // GetObject the way the player asks for a segment.
  HRESULT Load(const std::string& name, IDirectMusicSegment2** segment) {
    DMUS_OBJECTDESC desc;
    memset(&desc, 0, sizeof desc);
    desc.dwSize = sizeof desc;
    desc.dwValidData = DMUS_OBJ_CLASS | DMUS_OBJ_FILENAME;
    desc.guidClass = CLSID_DirectMusicSegment;
    std::vector<WCHAR> wide = Wide(name);
    memcpy(desc.wszFileName, wide.data(), wide.size() * sizeof(WCHAR));
    *segment = (IDirectMusicSegment2*)&desc;  // must be overwritten
    return m_loader->GetObject(&desc, IID_IDirectMusicSegment2, (void**)segment);
  }

  ScratchDirectory m_dir;
  IDirectMusicLoader* m_loader = nullptr;
};

TEST_F(LoaderTest, SearchDirectoryMustBeAnExistingDirectory) {
  WriteWholeFile("plain.txt", "x");
  EXPECT_TRUE(FAILED(Search(m_dir.Path() + "/nowhere")));
  EXPECT_TRUE(FAILED(Search(m_dir.Path() + "/plain.txt")));
  EXPECT_TRUE(FAILED(Search("")));
  // A path without its terminating zero is refused, not read past.
  std::vector<WCHAR> unterminated(DMUS_MAX_FILENAME, WCHAR('a'));
  EXPECT_TRUE(
      FAILED(m_loader->SetSearchDirectory(GUID_DirectMusicAllTypes, unterminated.data(), FALSE)));
  EXPECT_EQ(S_OK, Search(m_dir.Path()));
}

TEST_F(LoaderTest, FileNamesAreRelativeToTheSearchDirectory) {
  ASSERT_EQ(0, mkdir("music", 0755));
  WriteWholeFile("music/tune.mid", TinyMidiFile());
  IDirectMusicSegment2* segment = nullptr;

  ASSERT_EQ(S_OK, Search(m_dir.Path()));
  EXPECT_TRUE(FAILED(Load("tune.mid", &segment)));
  EXPECT_EQ(nullptr, segment);

  ASSERT_EQ(S_OK, Search(m_dir.Path() + "/music"));
  ASSERT_EQ(S_OK, Load("tune.mid", &segment));
  ASSERT_NE(nullptr, segment);
  EXPECT_EQ(0u, segment->Release());
}

TEST_F(LoaderTest, RefusesWhatIsNotAStandardMidiFile) {
  const std::string good = TinyMidiFile();
  auto patched = [&](size_t at, char value) {
    std::string bad = good;
    bad[at] = value;
    return bad;
  };
  const std::vector<std::pair<const char*, std::string>> cases = {
      {"empty", ""},
      {"text", "MIDI? no, just text"},
      {"header cut short", good.substr(0, 12)},
      {"track cut short", good.substr(0, good.size() - 3)},
      {"format 2", patched(9, 2)},
      {"no tracks", patched(11, 0)},
      {"more tracks announced than present", patched(11, 2)},
      {"SMPTE time", patched(12, (char)0xE7)},
      {"track length past the end", patched(21, 0x7F)},
  };
  ASSERT_EQ(S_OK, Search(m_dir.Path()));
  for (const auto& c : cases) {
    SCOPED_TRACE(c.first);
    WriteWholeFile("bad.mid", c.second);
    IDirectMusicSegment2* segment = nullptr;
    EXPECT_TRUE(FAILED(Load("bad.mid", &segment)));
    EXPECT_EQ(nullptr, segment);
  }
  ASSERT_EQ(0, mkdir("folder.mid", 0755));
  IDirectMusicSegment2* segment = nullptr;
  EXPECT_TRUE(FAILED(Load("folder.mid", &segment)));
  EXPECT_EQ(nullptr, segment);
}

TEST_F(LoaderTest, RefusesOtherClassesAndInterfaces) {
  WriteWholeFile("tune.mid", TinyMidiFile());
  ASSERT_EQ(S_OK, Search(m_dir.Path()));
  DMUS_OBJECTDESC desc;
  memset(&desc, 0, sizeof desc);
  desc.dwSize = sizeof desc;
  desc.dwValidData = DMUS_OBJ_CLASS | DMUS_OBJ_FILENAME;
  desc.guidClass = CLSID_DirectMusicLoader;
  std::vector<WCHAR> name = Wide("tune.mid");
  memcpy(desc.wszFileName, name.data(), name.size() * sizeof(WCHAR));
  void* object = &object;
  EXPECT_TRUE(FAILED(m_loader->GetObject(&desc, IID_IDirectMusicSegment2, &object)));
  EXPECT_EQ(nullptr, object);

  desc.guidClass = CLSID_DirectMusicSegment;
  EXPECT_EQ(E_NOINTERFACE, m_loader->GetObject(&desc, IID_IDirectMusicLoader, &object));
  desc.dwSize = sizeof desc - 8;
  EXPECT_TRUE(FAILED(m_loader->GetObject(&desc, IID_IDirectMusicSegment2, &object)));
  EXPECT_EQ(nullptr, object);
}

TEST_F(ComTest, PerformancesShareADirectMusicObjectTheCallerBrings) {
  IDirectMusicPerformance2 *first = nullptr, *second = nullptr;
  ASSERT_EQ(S_OK, Create(CLSID_DirectMusicPerformance, IID_IDirectMusicPerformance2, &first));
  ASSERT_EQ(S_OK, Create(CLSID_DirectMusicPerformance, IID_IDirectMusicPerformance2, &second));
  IDirectMusic* dm = nullptr;
  ASSERT_EQ(S_OK, first->Init(&dm, nullptr, nullptr));
  IDirectMusic* brought = dm;
  ASSERT_EQ(S_OK, second->Init(&dm, nullptr, nullptr));
  EXPECT_EQ(brought, dm);
  EXPECT_EQ(4u, dm->AddRef()) << "the caller, each performance, and this AddRef";
  EXPECT_EQ(3u, dm->Release());
  EXPECT_TRUE(FAILED(first->Init(&dm, nullptr, nullptr))) << "a second Init";
  first->CloseDown();
  EXPECT_EQ(0u, first->Release());
  EXPECT_EQ(0u, second->Release()) << "releasing without CloseDown closes down too";
  EXPECT_EQ(0u, dm->Release());
}

// The real performance on a machine without audio output.
TEST_F(LoaderTest, PerformanceWithoutAudioOutputStillClosesDownCleanly) {
  AlsaConfig alsa(m_dir.Path() + "/asound.conf", AlsaConfig::None());
  IDirectMusicPerformance2* perf = nullptr;
  ASSERT_EQ(S_OK, Create(CLSID_DirectMusicPerformance, IID_IDirectMusicPerformance2, &perf));
  EXPECT_TRUE(FAILED(perf->AddPort(nullptr))) << "a port before Init";

  IDirectMusic* dm = nullptr;
  ASSERT_EQ(S_OK, perf->Init(&dm, nullptr, nullptr));
  ASSERT_NE(nullptr, dm) << "Init hands out a DirectMusic object";
  EXPECT_TRUE(FAILED(perf->AddPort(nullptr)));

  WriteWholeFile("tune.mid", TinyMidiFile());
  ASSERT_EQ(S_OK, Search(m_dir.Path()));
  IDirectMusicSegment2* segment = nullptr;
  ASSERT_EQ(S_OK, Load("tune.mid", &segment));
  EXPECT_EQ(S_OK, segment->SetParam(GUID_StandardMIDIFile, 0xFFFFFFFF, 0, 0, perf));
  EXPECT_EQ(S_OK, segment->SetParam(GUID_Download, 0xFFFFFFFF, 0, 0, perf));
  // A performance that is not one of ours cannot take the instruments.
  Journal journal;
  auto* foreign = journal.Make<StandInPerformance>(S_OK, S_OK);
  EXPECT_TRUE(FAILED(segment->SetParam(GUID_Download, 0xFFFFFFFF, 0, 0,
                                       static_cast<IDirectMusicPerformance2*>(foreign))));
  EXPECT_TRUE(FAILED(segment->SetParam(GUID_Download, 0xFFFFFFFF, 0, 0, nullptr)));

  IDirectMusicSegmentState* state = nullptr;
  EXPECT_EQ(S_OK, perf->PlaySegment(segment, 0, 0, &state));
  ASSERT_NE(nullptr, state);
  EXPECT_EQ(1u, state->Release()) << "the performance holds the playing state";
  EXPECT_EQ(S_OK, perf->Stop(nullptr, nullptr, 0, 0));
  EXPECT_EQ(S_OK, segment->SetParam(GUID_Unload, 0xFFFFFFFF, 0, 0, perf));
  EXPECT_EQ(0u, segment->Release());
  EXPECT_EQ(S_OK, perf->CloseDown());
  EXPECT_TRUE(FAILED(perf->PlaySegment(nullptr, 0, 0, &state)));
  EXPECT_EQ(nullptr, state);
  EXPECT_EQ(0u, perf->Release());
  EXPECT_EQ(0u, dm->Release()) << "after CloseDown only the caller holds the DirectMusic object";
  EXPECT_EQ(0, journal.callsAfterRelease);
}

}  // namespace
