// Closing the music while the General MIDI soundfont is still loading on its
// own thread: the real player started and closed at once ends promptly with
// its normal log, and the sanitizer build checks that nothing leaks or is
// touched after its release.
#include <chrono>

#include "MusicTestSupport.h"
#include "music/CMidiPlayer.h"

namespace {

TEST(SoundFontLoad, ClosingWhileTheInstrumentsLoadNeitherHangsNorLeaks) {
  ScratchDirectory dir("SoundFontLoad");
  AlsaConfig alsa(dir.Path() + "/asound.conf", AlsaConfig::None());
  WriteWholeFile("Duridaz.mid", ReadWholeFile(SKELV_BUILD_DIR "/Duridaz.mid"));
  for (int run = 0; run < 3; ++run) {
    SCOPED_TRACE(run);
    LogTail log(dir.Home() + "/MIDI.txt");
    const auto start = std::chrono::steady_clock::now();
    {
      CMidiPlayer player;
      player.Open("Duridaz.mid");
      player.Play();
      player.Close();
    }
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
    EXPECT_EQ(log.Text(),
              "Creating performance\nFailed to initalise port\nCreating loader\nGot here\n"
              "Loading MIDI segment\nPlaying segment\n");
  }
}

}  // namespace
