// audio_capture <alsa config> <fifo> <seconds>: the sound card for a program
// run with ALSA_CONFIG_PATH=<alsa config>. Writes that configuration, whose
// default output writes raw 16-bit stereo frames at 44100 Hz into <fifo>, and
// drains the FIFO no faster than a sound card would, so the player runs in
// real time. Prints "listening" once the FIFO is open and "heard" once
// <seconds> of output have come after its first audible sound (the music waits
// for its instruments, which load slowly on a busy machine), reads on until the
// program closes its output, prints the loudness facts, and exits 0 only if
// they sound like music: audible within 20 s, not too quiet, unclipped.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <thread>
#include <vector>

namespace {
using Clock = std::chrono::steady_clock;
const double kBytesPerSecond = 44100.0 * 4;
const double kWaitSeconds = 20;  // to start, to play the wanted length, to close

double Since(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

// An audible sample: above -30 dBFS.
bool Audible(int16_t sample) { return std::abs((int)sample) > 1036; }

// Reads the FIFO at real-time pace (plus 20 ms of device buffer) until the
// writer closes it or the wait runs out; says "heard" after `wanted` seconds
// from the first audible sample.
bool Capture(int fd, double wanted, std::vector<int16_t>* samples, Clock::time_point* began) {
  std::vector<char> bytes;
  char buffer[8192];
  Clock::time_point start = Clock::now(), &first = *began;
  bool started = false, heard = false, closed = false;
  size_t scanned = 0, sound = 0;  // bytes looked at for the first sound; where it is
  while (Since(start) < (started ? wanted + 3 * kWaitSeconds : kWaitSeconds)) {
    size_t room = sizeof buffer;
    if (started) {
      const double allowed = (Since(first) + 0.02) * kBytesPerSecond - (double)bytes.size();
      room = allowed < 4 ? 0 : std::min(room, (size_t)allowed & ~(size_t)3);
    }
    // Ahead of real time the device takes nothing: waited out like an empty FIFO.
    const ssize_t n = room ? read(fd, buffer, room) : -1;
    if (n > 0) {
      if (!started) first = Clock::now(), started = true;
      bytes.insert(bytes.end(), buffer, buffer + n);
      for (; !sound && scanned + 2 <= bytes.size(); scanned += 2) {
        int16_t sample;
        std::copy_n(&bytes[scanned], 2, (char*)&sample);
        if (Audible(sample)) sound = scanned + 1;
      }
      if (!heard && sound && bytes.size() >= sound + wanted * kBytesPerSecond) {
        heard = true;
        printf("heard %.2f s of music in %.2f s of output\n", wanted, Since(first));
        fflush(stdout);
      }
    } else if (n == 0 && started) {
      closed = true;  // end of file: the program closed its output
      break;
    } else {
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
  }
  samples->resize(bytes.size() / 2);
  std::copy(bytes.begin(), bytes.begin() + samples->size() * 2, (char*)samples->data());
  return closed;
}
}  // namespace

int main(int argc, char** argv) {
  char* end = nullptr;
  const double wanted = argc == 4 ? strtod(argv[3], &end) : 0;
  if (argc != 4 || *end || !(wanted >= 0)) {
    fprintf(stderr, "usage: audio_capture <alsa config> <fifo> <seconds, 0: a stuck device>\n");
    return 2;
  }
  std::ofstream(argv[1]) << "pcm.!default {\n  type file\n  slave.pcm { type null }\n  file \""
                         << argv[2] << "\"\n  format \"raw\"\n}\n";
  // Non-blocking, so neither side waits for the other to open; a sound card
  // buffers a few milliseconds, not the pipe's default 64 KiB.
  const int fd = mkfifo(argv[2], 0600) == 0 ? open(argv[2], O_RDONLY | O_NONBLOCK) : -1;
  if (fd < 0) {
    fprintf(stderr, "audio_capture: cannot make and open the FIFO %s\n", argv[2]);
    return 2;
  }
  fcntl(fd, F_SETPIPE_SZ, 4096);
  printf("listening\n");
  fflush(stdout);
  if (wanted == 0) pause();  // a device that never takes another sample
  std::vector<int16_t> s;
  Clock::time_point began;  // the output's first sample, on the monotonic clock
  const bool closed = Capture(fd, wanted, &s, &began);

  // First sound above -30 dBFS, the peak, clipping, and the RMS of the half
  // second after the first sound.
  size_t first = s.size(), fullScale = 0;
  int peak = 0;
  for (size_t i = 0; i < s.size(); ++i) {
    const int a = std::abs((int)s[i]);
    peak = std::max(peak, a);
    fullScale += a >= 32767;
    if (Audible(s[i]) && first == s.size()) first = i;
  }
  double sum = 0;
  const size_t last = std::min(s.size(), first + 44100);
  for (size_t i = first; i < last; ++i) sum += (double)s[i] * s[i];
  const double rms = last > first ? std::sqrt(sum / double(last - first)) / 32768 : 0;
  const double seconds = s.size() / 2 / 44100.0, firstSound = first / 2 / 44100.0;
  printf("captured %.2f s, first sound at %.3f s (monotonic %.3f s), peak %d, rms %.4f, "
         "%zu full-scale samples\n",
         seconds, firstSound, std::chrono::duration<double>(began.time_since_epoch()).count() +
         firstSound, peak, rms, fullScale);
  const char* fault = !closed                          ? "the output never started or stayed open"
                      : seconds < wanted               ? "the output ended early"
                      : first == s.size()              ? "nothing audible was played"
                      : firstSound >= kWaitSeconds     ? "the music started late"
                      : rms <= 0.003                   ? "the music is too quiet"
                      : peak >= 32000 || fullScale > 0 ? "the music is too loud or clips"
                                                       : nullptr;
  if (fault) fprintf(stderr, "audio_capture: %s\n", fault);
  return fault ? 1 : 0;
}
