// The music player against the real FluidSynth objects and against stand-ins
// that fail on purpose: what "MIDI.txt" says, which calls reach DirectMusic,
// and that shut-down releases everything.
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

std::string Lines(std::initializer_list<const char*> lines) {
  std::string text;
  for (const char* line : lines) text += line;
  return text;
}

class MidiPlayerTest : public ::testing::Test {
 protected:
  MidiPlayerTest()
      : m_dir(::testing::UnitTest::GetInstance()->current_test_info()->name()),
        m_log(m_dir.Home() + "/MIDI.txt"),
        m_liveBefore(ComTestLiveObjects()),
        m_initBefore(ComTestInitCount()) {}

  ~MidiPlayerTest() override {
    ComTestRestoreClasses();
    EXPECT_EQ(m_liveBefore, ComTestLiveObjects()) << "platform COM objects left alive";
    EXPECT_EQ(m_initBefore, ComTestInitCount()) << "COM left initialised";
  }

  void InstallMusic() {
    std::string music = ReadWholeFile(SKELV_BUILD_DIR "/Duridaz.mid");
    ASSERT_GT(music.size(), 100u);
    WriteWholeFile("Duridaz.mid", music);
  }

  // One run of the music the way the application drives it.
  void RunMusic(int playMilliseconds = 0) {
    CMusic music;
    music.Start();
    std::this_thread::sleep_for(std::chrono::milliseconds(playMilliseconds));
    music.Stop();
  }

  void ExpectStandInsReleased() {
    EXPECT_EQ(0, m_journal.LiveReferences()) << "a stand-in still holds references";
    EXPECT_EQ(0, m_journal.callsAfterRelease) << "an object was called after its release";
  }

  ScratchDirectory m_dir;
  LogTail m_log;
  Journal m_journal;
  int m_liveBefore, m_initBefore;
};

// ---- the real objects --------------------------------------------------------

TEST_F(MidiPlayerTest, NormalRunLogsFiveLinesAndPlaysAudibleMusic) {
  char* driver = nullptr;
  fluid_settings_t* settings = new_fluid_settings();
  fluid_settings_dupstr(settings, "audio.driver", &driver);
  std::string defaultDriver = driver ? driver : "";
  fluid_free(driver);
  delete_fluid_settings(settings);
  if (defaultDriver != "alsa") GTEST_SKIP() << "FluidSynth's default output is " << defaultDriver;

  InstallMusic();
  std::string fifo = m_dir.Path() + "/speaker.raw";
  AlsaConfig alsa(m_dir.Path() + "/asound.conf", AlsaConfig::FileOutput(fifo));
  AudioCapture speaker(fifo);
  RunMusic(1500);
  AudioFacts audio = AudioFacts::Of(speaker.Finish(), AudioCapture::kRate);
  printf("captured %.2f s, first sound at %.3f s, peak %d, rms %.4f\n", audio.seconds,
         audio.firstSound, audio.peak, audio.rmsAfterStart);

  EXPECT_EQ(Lines({kCreatingPerformance, kCreatingLoader, kGotHere, kLoading, kPlaying}),
            m_log.Text());
  EXPECT_GT(audio.seconds, 1.2) << "the output did not run in real time";
  EXPECT_LT(audio.seconds, 3.0) << "the output ran faster than real time";
  ASSERT_GE(audio.firstSound, 0) << "nothing audible was played";
  EXPECT_LT(audio.firstSound, 1.0) << "the music started late";
  EXPECT_GT(audio.rmsAfterStart, 0.003) << "the music is too quiet";  // about -50 dBFS
  EXPECT_LT(audio.peak, 32000) << "the music is too loud";
  EXPECT_EQ(0u, audio.fullScale) << "the music clips";
}

TEST_F(MidiPlayerTest, AddPortFailsWhereThereIsNoAudioOutput) {
  InstallMusic();
  AlsaConfig alsa(m_dir.Path() + "/asound.conf", AlsaConfig::None());
  RunMusic();
  EXPECT_EQ(Lines({kCreatingPerformance, "Failed to initalise port\n", kCreatingLoader, kGotHere,
                   kLoading, kPlaying}),
            m_log.Text());
}

TEST_F(MidiPlayerTest, MissingPerformanceClassIsLoggedAndNeverCalled) {
  InstallMusic();
  ComTestRegisterClass(CLSID_DirectMusicPerformance, {});
  RunMusic();
  // The segment still loads and "plays": there is just no performance to call.
  EXPECT_EQ(Lines({kCreatingPerformance, kFailedInstance, "Failed to create performance\n",
                   kCreatingLoader, kGotHere, kLoading, kPlaying}),
            m_log.Text());
}

// ---- stand-ins ------------------------------------------------------------------

TEST_F(MidiPlayerTest, NormalRunMakesTheDirectMusicCallsInOrder) {
  auto* perf = m_journal.Make<StandInPerformance>(S_OK, S_OK);
  auto* seg = m_journal.Make<StandInSegment>();
  auto* loader = m_journal.Make<StandInLoader>(S_OK, seg);
  seg->performance = static_cast<IDirectMusicPerformance2*>(perf);
  RegisterStandIn<IDirectMusicPerformance2>(CLSID_DirectMusicPerformance,
                                            IID_IDirectMusicPerformance2, perf);
  RegisterStandIn<IDirectMusicLoader>(CLSID_DirectMusicLoader, IID_IDirectMusicLoader, loader);
  RunMusic();

  const std::vector<std::string> expected = {
      "perf.Init(out,null,null)",
      "perf.AddPort(null)",
      "loader.SetSearchDirectory(AllTypes,path,FALSE)",
      "loader.GetObject(desc,IID_Segment2)",
      "seg.SetParam(StandardMIDIFile,FFFFFFFF,0,0,perf)",
      "seg.SetParam(Download,FFFFFFFF,0,0,perf)",
      "perf.PlaySegment(seg,0,0,out)",
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
  EXPECT_EQ(0, desc.wszName[0]);
  EXPECT_EQ(0u, desc.vVersion.dwVersionMS);
  EXPECT_EQ(nullptr, desc.pStream);
  EXPECT_EQ(Lines({kCreatingPerformance, kCreatingLoader, kGotHere, kLoading, kPlaying}),
            m_log.Text());
  ExpectStandInsReleased();
}

TEST_F(MidiPlayerTest, FailedInitStillAddsThePortAndLoads) {
  InstallMusic();
  auto* perf = m_journal.Make<StandInPerformance>(E_FAIL, S_OK);
  RegisterStandIn<IDirectMusicPerformance2>(CLSID_DirectMusicPerformance,
                                            IID_IDirectMusicPerformance2, perf);
  RunMusic();
  EXPECT_EQ(Lines({kCreatingPerformance, "Failed to initialise peformance\n", kCreatingLoader,
                   kGotHere, kLoading, kPlaying}),
            m_log.Text());
  EXPECT_TRUE(m_journal.Called("perf.AddPort(null)"));
  EXPECT_TRUE(m_journal.Called("perf.PlaySegment(seg,0,0,out)"));
  ExpectStandInsReleased();
}

TEST_F(MidiPlayerTest, MissingLoaderClassEndsAfterGotHere) {
  InstallMusic();
  auto* perf = m_journal.Make<StandInPerformance>(S_OK, S_OK);
  RegisterStandIn<IDirectMusicPerformance2>(CLSID_DirectMusicPerformance,
                                            IID_IDirectMusicPerformance2, perf);
  ComTestRegisterClass(CLSID_DirectMusicLoader, {});
  RunMusic();
  EXPECT_EQ(Lines({kCreatingPerformance, kCreatingLoader, kFailedInstance,
                   "Failed to create loader\n", kGotHere}),
            m_log.Text());
  EXPECT_FALSE(m_journal.Called("perf.PlaySegment(seg,0,0,out)"));
  EXPECT_TRUE(m_journal.Called("perf.CloseDown"));
  ExpectStandInsReleased();
}

TEST_F(MidiPlayerTest, RefusedSearchDirectoryLoadsNothing) {
  InstallMusic();
  auto* perf = m_journal.Make<StandInPerformance>(S_OK, S_OK);
  auto* loader = m_journal.Make<StandInLoader>(E_FAIL, nullptr);
  RegisterStandIn<IDirectMusicPerformance2>(CLSID_DirectMusicPerformance,
                                            IID_IDirectMusicPerformance2, perf);
  RegisterStandIn<IDirectMusicLoader>(CLSID_DirectMusicLoader, IID_IDirectMusicLoader, loader);
  RunMusic();
  EXPECT_EQ(Lines({kCreatingPerformance, kCreatingLoader, kGotHere, kLoading,
                   "Failed to set search directory\n"}),
            m_log.Text());
  EXPECT_FALSE(m_journal.Called("loader.GetObject(desc,IID_Segment2)"));
  EXPECT_FALSE(m_journal.Called("perf.PlaySegment(seg,0,0,out)"));
  ExpectStandInsReleased();
}

TEST_F(MidiPlayerTest, VanishedWorkingDirectoryLoadsNothing) {
  auto* perf = m_journal.Make<StandInPerformance>(S_OK, S_OK);
  RegisterStandIn<IDirectMusicPerformance2>(CLSID_DirectMusicPerformance,
                                            IID_IDirectMusicPerformance2, perf);
  ASSERT_EQ(0, mkdir("gone", 0755));
  ASSERT_EQ(0, chdir("gone"));
  ASSERT_EQ(0, rmdir((m_dir.Path() + "/gone").c_str()));
  RunMusic();
  EXPECT_EQ(Lines({kCreatingPerformance, kCreatingLoader, kGotHere, kLoading,
                   "Failed to get current directory\n"}),
            m_log.Text());
  EXPECT_FALSE(m_journal.Called("perf.PlaySegment(seg,0,0,out)"));
  ExpectStandInsReleased();
}

// The real loader on a file that is absent or not a standard MIDI file.
TEST_F(MidiPlayerTest, MissingOrMalformedFileGivesNoSegmentAndNoMessage) {
  const std::string music = ReadWholeFile(SKELV_BUILD_DIR "/Duridaz.mid");
  const std::vector<std::pair<const char*, std::string>> cases = {
      {"missing", ""},
      {"text", "this is not music\n"},
      {"cut short", music.substr(0, music.size() / 2)},
      {"empty", std::string()},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.first);
    unlink("Duridaz.mid");
    if (std::string(c.first) != "missing") WriteWholeFile("Duridaz.mid", c.second);
    LogTail log(m_dir.Home() + "/MIDI.txt");
    m_journal.calls.clear();
    auto* perf = m_journal.Make<StandInPerformance>(S_OK, S_OK);
    RegisterStandIn<IDirectMusicPerformance2>(CLSID_DirectMusicPerformance,
                                              IID_IDirectMusicPerformance2, perf);
    RunMusic();
    EXPECT_EQ(Lines({kCreatingPerformance, kCreatingLoader, kGotHere, kLoading}), log.Text());
    EXPECT_FALSE(m_journal.Called("perf.PlaySegment(seg,0,0,out)"));
    ExpectStandInsReleased();
  }
}

}  // namespace
