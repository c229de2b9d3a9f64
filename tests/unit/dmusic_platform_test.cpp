// The platform's COM library and DirectMusic objects on their own: creation
// failures, reference counts, the loader's search directory and its refusal
// of files that are not standard MIDI files, and a performance's life.
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
  const unsigned char bytes[] = {'M', 'T',  'h',  'd',  0,    0,   0, 6, 0,    1,    0, 1,
                                 1,   0xE0, 'M',  'T',  'r',  'k', 0, 0, 0,    13,   0, 0x90,
                                 60,  100,  0x83, 0x60, 0x80, 60,  0, 0, 0xFF, 0x2F, 0};
  return std::string(bytes, bytes + sizeof bytes);
}

class DirectMusicTest : public ::testing::Test {
 protected:
  DirectMusicTest() : m_live(ComTestLiveObjects()), m_dir("DirectMusicTest") {
    CoInitialize(nullptr);
  }
  ~DirectMusicTest() override {
    CoUninitialize();
    EXPECT_EQ(m_live, ComTestLiveObjects()) << "platform COM objects left alive";
  }

  template <class T>
  HRESULT Create(REFCLSID clsid, REFIID iid, T** out) {
    return CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER | CLSCTX_INPROC_HANDLER, iid,
                            (void**)out);
  }

  HRESULT Search(IDirectMusicLoader* loader, const std::string& directory) {
    return loader->SetSearchDirectory(GUID_DirectMusicAllTypes, Wide(directory).data(), FALSE);
  }

  // GetObject the way the player asks for a segment; *segment starts non-null.
  HRESULT Load(IDirectMusicLoader* loader, const std::string& name, IDirectMusicSegment2** segment,
               REFIID iid = IID_IDirectMusicSegment2) {
    DMUS_OBJECTDESC desc;
    memset(&desc, 0, sizeof desc);
    desc.dwSize = sizeof desc;
    desc.dwValidData = DMUS_OBJ_CLASS | DMUS_OBJ_FILENAME;
    desc.guidClass = CLSID_DirectMusicSegment;
    std::vector<WCHAR> wide = Wide(name);
    memcpy(desc.wszFileName, wide.data(), wide.size() * sizeof(WCHAR));
    *segment = (IDirectMusicSegment2*)&desc;
    return loader->GetObject(&desc, iid, (void**)segment);
  }

  int m_live;
  ScratchDirectory m_dir;
};

TEST_F(DirectMusicTest, CreationFailsCleanlyAndObjectsCountReferences) {
  IUnknown* object = (IUnknown*)&object;
  EXPECT_EQ(REGDB_E_CLASSNOTREG,
            Create(CLSID_DirectMusicSegment, IID_IDirectMusicSegment2, &object));
  EXPECT_EQ(nullptr, object);
  object = (IUnknown*)&object;
  EXPECT_EQ(E_NOINTERFACE, Create(CLSID_DirectMusicLoader, IID_IDirectMusicPerformance2, &object));
  EXPECT_EQ(nullptr, object);
  CoUninitialize();
  EXPECT_EQ(CO_E_NOTINITIALIZED, Create(CLSID_DirectMusicLoader, IID_IDirectMusicLoader, &object));
  CoInitialize(nullptr);

  IDirectMusicLoader* loader = nullptr;
  ASSERT_EQ(S_OK, Create(CLSID_DirectMusicLoader, IID_IDirectMusicLoader, &loader));
  EXPECT_EQ(m_live + 1, ComTestLiveObjects());
  EXPECT_EQ(2u, loader->AddRef());
  EXPECT_EQ(1u, loader->Release());
  EXPECT_EQ(0u, loader->Release());
}

TEST_F(DirectMusicTest, LoaderReadsFileNamesFromAnExistingSearchDirectory) {
  IDirectMusicLoader* loader = nullptr;
  ASSERT_EQ(S_OK, Create(CLSID_DirectMusicLoader, IID_IDirectMusicLoader, &loader));
  ASSERT_EQ(0, mkdir("music", 0755));
  WriteWholeFile("music/tune.mid", TinyMidiFile());
  EXPECT_TRUE(FAILED(Search(loader, m_dir.Path() + "/nowhere")));
  EXPECT_TRUE(FAILED(Search(loader, m_dir.Path() + "/music/tune.mid"))) << "not a directory";
  std::vector<WCHAR> unterminated(DMUS_MAX_FILENAME, WCHAR('a'));
  EXPECT_TRUE(FAILED(loader->SetSearchDirectory(GUID_DirectMusicAllTypes, unterminated.data(), 0)));

  IDirectMusicSegment2* segment = nullptr;
  ASSERT_EQ(S_OK, Search(loader, m_dir.Path()));
  EXPECT_TRUE(FAILED(Load(loader, "tune.mid", &segment)));
  EXPECT_EQ(nullptr, segment);
  ASSERT_EQ(S_OK, Search(loader, m_dir.Path() + "/music"));
  EXPECT_EQ(E_NOINTERFACE, Load(loader, "tune.mid", &segment, IID_IDirectMusicLoader));
  ASSERT_EQ(S_OK, Load(loader, "tune.mid", &segment));
  EXPECT_EQ(0u, segment->Release());
  EXPECT_EQ(0u, loader->Release());
}

TEST_F(DirectMusicTest, LoaderRefusesWhatIsNotAStandardMidiFile) {
  const std::string good = TinyMidiFile();
  auto patched = [&](size_t at, char value) {
    std::string bad = good;
    bad[at] = value;
    return bad;
  };
  const std::vector<std::pair<const char*, std::string>> cases = {
      {"text", "MIDI? no, just text"},
      {"header cut short", good.substr(0, 12)},
      {"track cut short", good.substr(0, good.size() - 3)},
      {"format 2", patched(9, 2)},
      {"no tracks", patched(11, 0)},
      {"more tracks announced than present", patched(11, 2)},
      {"SMPTE time", patched(12, (char)0xE7)},
      {"track length past the end", patched(21, 0x7F)},
  };
  IDirectMusicLoader* loader = nullptr;
  ASSERT_EQ(S_OK, Create(CLSID_DirectMusicLoader, IID_IDirectMusicLoader, &loader));
  ASSERT_EQ(S_OK, Search(loader, m_dir.Path()));
  IDirectMusicSegment2* segment = nullptr;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.first);
    WriteWholeFile("bad.mid", c.second);
    EXPECT_TRUE(FAILED(Load(loader, "bad.mid", &segment)));
    EXPECT_EQ(nullptr, segment);
  }
  ASSERT_EQ(0, mkdir("folder.mid", 0755));
  EXPECT_TRUE(FAILED(Load(loader, "folder.mid", &segment)));
  loader->Release();
}

// The real performance on a machine without audio output.
TEST_F(DirectMusicTest, PerformanceLifeWithoutAudioOutput) {
  AlsaConfig alsa(m_dir.Path() + "/asound.conf", AlsaConfig::None());
  IDirectMusicPerformance2 *perf = nullptr, *other = nullptr;
  ASSERT_EQ(S_OK, Create(CLSID_DirectMusicPerformance, IID_IDirectMusicPerformance2, &perf));
  ASSERT_EQ(S_OK, Create(CLSID_DirectMusicPerformance, IID_IDirectMusicPerformance2, &other));
  EXPECT_TRUE(FAILED(perf->AddPort(nullptr))) << "a port before Init";
  IDirectMusic* dm = nullptr;
  ASSERT_EQ(S_OK, perf->Init(&dm, nullptr, nullptr));
  ASSERT_NE(nullptr, dm) << "Init hands out a DirectMusic object";
  ASSERT_EQ(S_OK, other->Init(&dm, nullptr, nullptr)) << "and takes one the caller brings";
  EXPECT_EQ(4u, dm->AddRef()) << "the caller, both performances, and this AddRef";
  dm->Release();
  EXPECT_TRUE(FAILED(perf->Init(&dm, nullptr, nullptr))) << "a second Init";
  EXPECT_TRUE(FAILED(perf->AddPort(nullptr)));

  IDirectMusicLoader* loader = nullptr;
  ASSERT_EQ(S_OK, Create(CLSID_DirectMusicLoader, IID_IDirectMusicLoader, &loader));
  WriteWholeFile("tune.mid", TinyMidiFile());
  ASSERT_EQ(S_OK, Search(loader, m_dir.Path()));
  IDirectMusicSegment2* segment = nullptr;
  ASSERT_EQ(S_OK, Load(loader, "tune.mid", &segment));
  EXPECT_EQ(S_OK, segment->SetParam(GUID_StandardMIDIFile, 0xFFFFFFFF, 0, 0, perf));
  EXPECT_EQ(S_OK, segment->SetParam(GUID_Download, 0xFFFFFFFF, 0, 0, perf));
  Journal journal;  // a performance that is not one of ours cannot take the instruments
  auto* foreign = journal.Make<StandInPerformance>(S_OK);
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
  EXPECT_EQ(0u, perf->Release());
  EXPECT_EQ(0u, other->Release()) << "releasing without CloseDown closes down too";
  EXPECT_EQ(0u, dm->Release());
  EXPECT_EQ(0u, loader->Release());
}

}  // namespace
