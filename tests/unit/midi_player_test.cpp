// The music player against the real FluidSynth objects and against stand-ins
// that fail on purpose: what "MIDI.txt" says, which calls reach DirectMusic,
// and that shut-down releases everything without calling a released object.
#include <fluidsynth.h>

#include "DirectMusicStandIns.h"
#include "MusicTestSupport.h"
#include "music/CMusic.h"

namespace {

const char kCreatingPerformance[] = "Creating performance\n";
const char kCreatingLoader[] = "Creating loader\n";
const char kFailedInstance[] = "Failed to create instance\n";
const char kGotHere[] = "Got here\n";
const char kLoading[] = "Loading MIDI segment\n";
const char kPlaying[] = "Playing segment\n";
const char kPlaySegment[] = "perf.PlaySegment(seg,0,0,out)";

// A folder name for the running test ("Case/Param" -> "Case_Param").
std::string TestName() {
  std::string name = ::testing::UnitTest::GetInstance()->current_test_info()->name();
  for (char& c : name)
    if (c == '/') c = '_';
  return name;
}

std::string Lines(std::initializer_list<const char*> lines) {
  std::string text;
  for (const char* line : lines) text += line;
  return text;
}

class MidiPlayerTest : public ::testing::Test {
 protected:
  MidiPlayerTest()
      : m_dir(TestName()),
        m_log(m_dir.Home() + "/MIDI.txt"),
        m_liveBefore(ComTestLiveObjects()),
        m_initBefore(ComTestInitCount()) {}

  ~MidiPlayerTest() override {
    ComTestRestoreClasses();
    EXPECT_EQ(m_liveBefore, ComTestLiveObjects()) << "platform COM objects left alive";
    EXPECT_EQ(m_initBefore, ComTestInitCount()) << "COM left initialised";
    EXPECT_EQ(0, m_journal.LiveReferences()) << "a stand-in still holds references";
    EXPECT_EQ(0, m_journal.callsAfterRelease) << "an object was called after its release";
  }

  static std::string Music() { return ReadWholeFile(SKELV_BUILD_DIR "/Duridaz.mid"); }

  StandInPerformance* StandInPerformanceFor(HRESULT initResult) {
    auto* perf = m_journal.Make<StandInPerformance>(initResult);
    RegisterStandIn<IDirectMusicPerformance2>(CLSID_DirectMusicPerformance,
                                              IID_IDirectMusicPerformance2, perf);
    return perf;
  }

  // One run of the music the way the application drives it.
  static void RunMusic(int playMilliseconds = 0) {
    CMusic music;
    music.Start();
    std::this_thread::sleep_for(std::chrono::milliseconds(playMilliseconds));
    music.Stop();
  }

  ScratchDirectory m_dir;
  LogTail m_log;
  Journal m_journal;
  int m_liveBefore, m_initBefore;
};

// ---- the real objects ---------------------------------------------------------

TEST_F(MidiPlayerTest, NormalRunLogsFiveLinesAndPlaysAudibleMusic) {
  char* driver = nullptr;
  fluid_settings_t* settings = new_fluid_settings();
  fluid_settings_dupstr(settings, "audio.driver", &driver);
  std::string defaultDriver = driver ? driver : "";
  fluid_free(driver);
  delete_fluid_settings(settings);
  if (defaultDriver != "alsa") GTEST_SKIP() << "FluidSynth's default output is " << defaultDriver;

  WriteWholeFile("Duridaz.mid", Music());
  std::string fifo = m_dir.Path() + "/speaker.raw";
  AlsaConfig alsa(m_dir.Path() + "/asound.conf", AlsaConfig::FileOutput(fifo));
  AudioCapture speaker(fifo);
  ASSERT_EQ("", speaker.Error());
  RunMusic(1500);
  AudioFacts audio = AudioFacts::Of(speaker.Finish(), AudioCapture::kRate);
  printf("captured %.2f s, first sound at %.3f s, peak %d, rms %.4f\n", audio.seconds,
         audio.firstSound, audio.peak, audio.rmsAfterStart);

  EXPECT_EQ(Lines({kCreatingPerformance, kCreatingLoader, kGotHere, kLoading, kPlaying}),
            m_log.Text());
  EXPECT_GT(audio.seconds, 1.2) << "the output did not run in real time";
  EXPECT_LT(audio.seconds, 3.0) << "the output ran faster than real time";
  EXPECT_EQ(std::vector<std::string>{}, audio.MusicFaults());
}

TEST_F(MidiPlayerTest, AddPortFailsWhereThereIsNoAudioOutput) {
  WriteWholeFile("Duridaz.mid", Music());
  AlsaConfig alsa(m_dir.Path() + "/asound.conf", AlsaConfig::None());
  RunMusic();
  EXPECT_EQ(Lines({kCreatingPerformance, "Failed to initalise port\n", kCreatingLoader, kGotHere,
                   kLoading, kPlaying}),
            m_log.Text());
}

TEST_F(MidiPlayerTest, MissingPerformanceClassIsLoggedAndNeverCalled) {
  WriteWholeFile("Duridaz.mid", Music());
  ComTestRegisterClass(CLSID_DirectMusicPerformance, {});
  RunMusic();
  // The segment still loads and "plays": there is just no performance to call.
  EXPECT_EQ(Lines({kCreatingPerformance, kFailedInstance, "Failed to create performance\n",
                   kCreatingLoader, kGotHere, kLoading, kPlaying}),
            m_log.Text());
}

// ---- stand-ins -------------------------------------------------------------------

TEST_F(MidiPlayerTest, NormalRunMakesTheDirectMusicCallsInOrder) {
  auto* perf = StandInPerformanceFor(S_OK);
  auto* seg = m_journal.Make<StandInSegment>();
  auto* loader = m_journal.Make<StandInLoader>(S_OK, seg);
  seg->performance = static_cast<IDirectMusicPerformance2*>(perf);
  RegisterStandIn<IDirectMusicLoader>(CLSID_DirectMusicLoader, IID_IDirectMusicLoader, loader);
  RunMusic();

  const std::vector<std::string> expected = {
      "perf.Init(out,null,null)",
      "perf.AddPort(null)",
      "loader.SetSearchDirectory(AllTypes,path,FALSE)",
      "loader.GetObject(desc,IID_Segment2)",
      "seg.SetParam(StandardMIDIFile,FFFFFFFF,0,0,perf)",
      "seg.SetParam(Download,FFFFFFFF,0,0,perf)",
      kPlaySegment,
      "state.Release",  // the segment state is not kept
      "perf.Stop(null,null,0,0)",
      "seg.SetParam(Unload,FFFFFFFF,0,0,perf)",
      "seg.Release",
      "perf.CloseDown",
      "perf.Release",
      "dm.Release",  // the DirectMusic object Init handed out
      "loader.Release",
  };
  EXPECT_EQ(expected, m_journal.calls);
  EXPECT_EQ(m_dir.Path(), loader->searchPath);
  const DMUS_OBJECTDESC& desc = loader->lastDesc;
  EXPECT_EQ(sizeof(DMUS_OBJECTDESC), desc.dwSize);
  EXPECT_EQ(18u, desc.dwValidData);
  EXPECT_TRUE(desc.guidClass == CLSID_DirectMusicSegment);
  const char name[] = "Duridaz.mid";
  for (size_t i = 0; i < sizeof name; ++i) EXPECT_EQ(WCHAR(name[i]), desc.wszFileName[i]);
  EXPECT_EQ(0, desc.wszName[0]) << "unmarked fields are left empty";
  EXPECT_EQ(Lines({kCreatingPerformance, kCreatingLoader, kGotHere, kLoading, kPlaying}),
            m_log.Text());
}

// One way for DirectMusic to fail, and the log that follows "Creating performance".
struct Failure {
  const char* name;
  std::vector<const char*> log;
  bool plays;
  HRESULT init;
  enum { kRealLoader, kNoLoaderClass, kLoaderRefusesDirectory, kDirectoryVanishes } loader;
  enum { kMusic, kAbsent, kText, kCutShort, kEmpty } file;
};

void PrintTo(const Failure& f, std::ostream* os) { *os << f.name; }

class MidiPlayerFailureTest : public MidiPlayerTest,
                              public ::testing::WithParamInterface<Failure> {};

TEST_P(MidiPlayerFailureTest, LogsExactlyAndCarriesOn) {
  const Failure& f = GetParam();
  const std::string music = Music();
  const std::string files[] = {music, "", "not music\n", music.substr(0, music.size() / 2), ""};
  if (f.file != Failure::kAbsent) WriteWholeFile("Duridaz.mid", files[f.file]);
  StandInPerformanceFor(f.init);
  if (f.loader == Failure::kNoLoaderClass) ComTestRegisterClass(CLSID_DirectMusicLoader, {});
  if (f.loader == Failure::kLoaderRefusesDirectory)
    RegisterStandIn<IDirectMusicLoader>(CLSID_DirectMusicLoader, IID_IDirectMusicLoader,
                                        m_journal.Make<StandInLoader>(E_FAIL, nullptr));
  if (f.loader == Failure::kDirectoryVanishes) {
    ASSERT_EQ(0, mkdir("gone", 0755));
    ASSERT_EQ(0, chdir("gone"));
    ASSERT_EQ(0, rmdir((m_dir.Path() + "/gone").c_str()));
  }
  RunMusic();

  std::string expected = kCreatingPerformance;
  for (const char* line : f.log) expected += line;
  EXPECT_EQ(expected, m_log.Text());
  EXPECT_TRUE(m_journal.Called("perf.AddPort(null)")) << "Open goes on to AddPort";
  EXPECT_EQ(f.plays, m_journal.Called(kPlaySegment));
  EXPECT_TRUE(m_journal.Called("perf.CloseDown"));
}

const char* const kNoSegment[] = {kCreatingLoader, kGotHere, kLoading};

INSTANTIATE_TEST_SUITE_P(
    DirectMusic, MidiPlayerFailureTest,
    ::testing::Values(
        Failure{
            "InitFails",
            {"Failed to initialise peformance\n", kCreatingLoader, kGotHere, kLoading, kPlaying},
            true,
            E_FAIL,
            Failure::kRealLoader,
            Failure::kMusic},
        Failure{"NoLoaderClass",
                {kCreatingLoader, kFailedInstance, "Failed to create loader\n", kGotHere},
                false,
                S_OK,
                Failure::kNoLoaderClass,
                Failure::kMusic},
        Failure{"SearchDirectoryRefused",
                {kCreatingLoader, kGotHere, kLoading, "Failed to set search directory\n"},
                false,
                S_OK,
                Failure::kLoaderRefusesDirectory,
                Failure::kMusic},
        Failure{"WorkingDirectoryVanished",
                {kCreatingLoader, kGotHere, kLoading, "Failed to get current directory\n"},
                false,
                S_OK,
                Failure::kDirectoryVanishes,
                Failure::kMusic},
        // A missing or unreadable file yields no segment and no message.
        Failure{"FileMissing",
                {std::begin(kNoSegment), std::end(kNoSegment)},
                false,
                S_OK,
                Failure::kRealLoader,
                Failure::kAbsent},
        Failure{"FileIsText",
                {std::begin(kNoSegment), std::end(kNoSegment)},
                false,
                S_OK,
                Failure::kRealLoader,
                Failure::kText},
        Failure{"FileCutShort",
                {std::begin(kNoSegment), std::end(kNoSegment)},
                false,
                S_OK,
                Failure::kRealLoader,
                Failure::kCutShort},
        Failure{"FileEmpty",
                {std::begin(kNoSegment), std::end(kNoSegment)},
                false,
                S_OK,
                Failure::kRealLoader,
                Failure::kEmpty}),
    [](const ::testing::TestParamInfo<Failure>& info) { return std::string(info.param.name); });

}  // namespace
