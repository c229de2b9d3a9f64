// audio_capture <alsa config> <fifo> <seconds>: the sound card for a program
// run with ALSA_CONFIG_PATH=<alsa config>. Writes that configuration, whose
// default output writes into <fifo>, makes the FIFO and reads it at real-time
// pace; prints "listening" once it is open and "heard" once <seconds> of output
// have come, then reads on until the program closes its output, prints the
// loudness facts, and exits 0 only if they sound like music just started.
#include <cstdio>
#include <cstdlib>
#include <fstream>

#include "AudioCapture.h"

namespace {

using Clock = std::chrono::steady_clock;

// How long the program may take to start its output, to play the wanted
// length, and to close its output once asked to.
constexpr double kWaitSeconds = 20;

double Since(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

// Polls until `done` holds or kWaitSeconds pass; false on time-out.
template <typename Condition>
bool WaitUntil(Condition done) {
  const Clock::time_point start = Clock::now();
  while (!done()) {
    if (Since(start) > kWaitSeconds) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return true;
}

// Waits for the wanted length of output and says so on stdout, which the test
// script watches. The wall time it took shows whether the player keeps up.
bool Hear(const AudioCapture& speaker, double wanted) {
  if (!WaitUntil([&] { return speaker.Seconds() > 0 || speaker.WriterClosed(); })) {
    fprintf(stderr, "audio_capture: nothing was written within %.0f s\n", kWaitSeconds);
    return false;
  }
  const Clock::time_point firstBytes = Clock::now();
  WaitUntil([&] { return speaker.Seconds() >= wanted || speaker.WriterClosed(); });
  if (speaker.Seconds() < wanted) return false;
  printf("heard %.2f s of output in %.2f s\n", speaker.Seconds(), Since(firstBytes));
  fflush(stdout);
  return true;
}

// Prints the facts and any faults; true when there are none.
bool Judge(const AudioFacts& audio, double wanted) {
  printf("captured %.2f s, first sound at %.3f s, peak %d, rms %.4f, %zu full-scale samples\n",
         audio.seconds, audio.firstSound, audio.peak, audio.rmsAfterStart, audio.fullScale);
  std::vector<std::string> faults = audio.MusicFaults();
  if (audio.seconds < wanted) faults.push_back("the output ended early");
  for (const std::string& fault : faults) fprintf(stderr, "audio_capture: %s\n", fault.c_str());
  return faults.empty();
}

}  // namespace

int main(int argc, char** argv) {
  char* end = nullptr;
  const double wanted = argc == 4 ? strtod(argv[3], &end) : 0;
  if (argc != 4 || *end || !(wanted > 0)) {
    fprintf(stderr, "usage: audio_capture <alsa config> <fifo> <seconds>\n");
    return 2;
  }
  if (!(std::ofstream(argv[1]) << AlsaFileOutputConfig(argv[2]))) {
    fprintf(stderr, "audio_capture: cannot write %s\n", argv[1]);
    return 2;
  }
  AudioCapture speaker(argv[2]);
  if (!speaker.Error().empty()) {
    fprintf(stderr, "audio_capture: %s\n", speaker.Error().c_str());
    return 2;
  }
  printf("listening\n");
  fflush(stdout);

  const bool heard = Hear(speaker, wanted);
  const bool closed = heard && WaitUntil([&] { return speaker.WriterClosed(); });
  if (heard && !closed)
    fprintf(stderr, "audio_capture: the output stayed open %.0f s after that\n", kWaitSeconds);
  bool good = Judge(AudioFacts::Of(speaker.Finish(), AudioCapture::kRate), wanted);
  return closed && good ? 0 : 1;
}
