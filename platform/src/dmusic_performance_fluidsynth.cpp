// IDirectMusicPerformance2 on FluidSynth: Init creates the synth, AddPort(NULL)
// opens the system's default audio output, PlaySegment runs FluidSynth's MIDI
// file player from the start of the segment, Stop and CloseDown end it.
// Only the default port, immediate primary segments and no tempo/volume control.
#include <sys/resource.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <memory>

#include <com_testing.h>

#include "dmusic_objects.h"
#include "first_frame.h"
#include "fluidsynth_setup.h"

namespace {

// How much nicer than the thread that starts it the soundfont load runs,
// within the largest nice value.
const int kLoaderNicer = 10;
const int kNicest = 19;
// How long shut-down waits for a soundfont load still running: the window is
// gone by then, and nobody should wait for instruments that will not play.
const std::chrono::milliseconds kLoadWait(250);
// How long shut-down waits for the audio thread to let the output go; one
// stuck in a device that never takes its samples is left behind.
const std::chrono::milliseconds kDriverWait(500);

int DropMidiEvent(void*, fluid_midi_event_t*) { return FLUID_OK; }

// What Init hands out as the DirectMusic object; nothing calls it.
class FluidDirectMusic : public ComObject<IDirectMusic> {};

// The handle of one playing of a segment.
class FluidSegmentState : public ComObject<IDirectMusicSegmentState> {};

// Drops a counted reference held in a field.
template <class T>
void ReleaseField(T*& field) {
  if (field) field->Release();
  field = nullptr;
}

// Deletes the audio driver, which joins its thread, waiting at most kDriverWait
// (the deletion goes on alone after that); false when it did not finish.
bool DeleteAudioDriver(fluid_audio_driver_t* driver) {
  struct Deletion {
    std::mutex lock;
    std::condition_variable finished;
    bool done = false;
  };
  try {
    auto deletion = std::make_shared<Deletion>();
    std::thread([driver, deletion] {
      delete_fluid_audio_driver(driver);
      std::lock_guard<std::mutex> hold(deletion->lock);
      deletion->done = true;
      deletion->finished.notify_all();
    }).detach();
    std::unique_lock<std::mutex> hold(deletion->lock);
    return deletion->finished.wait_for(hold, kDriverWait, [&] { return deletion->done; });
  } catch (const std::exception&) {
    delete_fluid_audio_driver(driver);  // no thread to wait beside: wait here
    return true;
  }
}

}  // namespace

HRESULT CreateDirectMusicPerformance(REFIID riid, LPVOID* ppv) {
  if (riid != IID_IDirectMusicPerformance2) return E_NOINTERFACE;
  *ppv = static_cast<IDirectMusicPerformance2*>(new FluidPerformance());
  return S_OK;
}

fluid_synth_t* ComTestSynth(IUnknown* performance) {
  FluidPerformance* fluid = ComObjectAs<FluidPerformance>(performance);
  return fluid ? fluid->Synth() : nullptr;
}

int ComTestLoaderNice(IUnknown* performance) {
  FluidPerformance* fluid = ComObjectAs<FluidPerformance>(performance);
  return fluid ? fluid->LoaderNice() : 0;
}

FluidPerformance::~FluidPerformance() { CloseDown(); }

HRESULT WINAPI FluidPerformance::Init(IDirectMusic** ppDirectMusic, LPDIRECTSOUND, HWND) {
  if (m_synth) return E_FAIL;  // already initialised
  FluidObjects made;
  m_preparedDriver = FluidTakePrepared(&made);
  if (!m_preparedDriver) made = FluidNewObjects();
  m_settings = made.settings;
  m_synth = made.synth;
  m_idlePlayer = made.player;
  m_readyDriver = made.driver;
  if (m_synth == nullptr) {
    fprintf(stderr, "fluidsynth: cannot create a synthesizer\n");
    CloseDown();
    return E_OUTOFMEMORY;
  }
  // The performance makes its own DirectMusic object (the program's variable
  // holds none to bring) and hands it out with the caller's reference.
  m_directMusic = new FluidDirectMusic();
  if (ppDirectMusic != nullptr) {
    *ppDirectMusic = m_directMusic;
    m_directMusic->AddRef();
  }
  return S_OK;
}

HRESULT WINAPI FluidPerformance::AddPort(IDirectMusicPort* pPort) {
  if (pPort != nullptr) return E_NOTIMPL;  // only the default port exists here
  if (m_synth == nullptr) return E_FAIL;
  if (m_driver) return S_FALSE;
  // The first try at the output may have been made already, beside the program.
  m_driver = m_preparedDriver ? m_readyDriver : new_fluid_audio_driver(m_settings, m_synth);
  m_readyDriver = nullptr;
  m_preparedDriver = false;
  if (m_driver == nullptr) {
    fprintf(stderr, "fluidsynth: cannot open the default audio output; the music stays silent\n");
    return E_FAIL;
  }
  return S_OK;
}

// NOTE: loading the General MIDI set takes tens of milliseconds even with
// samples loaded on demand, time the first frame would otherwise wait for.
// FluidSynth's synth calls are thread-safe, so the load runs beside the
// program; everything else stays on the caller's thread. A soundfont that is
// found but then fails to load leaves the music silent, said in one line.
HRESULT FluidPerformance::DownloadInstruments() {
  if (m_synth == nullptr) return E_FAIL;
  if (m_downloads == 0) {
    {
      // A load that the last unload stopped waiting for serves again.
      std::lock_guard<std::mutex> hold(m_loadLock);
      if (m_loading) {
        m_unloadWhenLoaded = false;
        ++m_downloads;
        return S_OK;
      }
    }
    FluidQuietThisThread(true);
    std::string path = FluidFindGmSoundFont(m_settings);
    FluidQuietThisThread(false);
    if (path.empty()) {
      fputs(kNoSoundFont, stderr);
      return E_FAIL;
    }
    m_loading = true;
    AddRef();  // the loading thread's: the performance outlives the load
    try {
      const int nice = getpriority(PRIO_PROCESS, (id_t)gettid()) + kLoaderNicer;
      m_loader = std::thread(&FluidPerformance::LoadSoundFont, this, std::move(path),
                             nice < kNicest ? nice : kNicest);
    } catch (const std::exception&) {
      // No thread (out of memory or threads): the music stays off.
      fprintf(stderr, "fluidsynth: cannot start loading the soundfont; the music stays silent\n");
      m_loading = false;
      Release();
      return E_FAIL;
    }
  }
  ++m_downloads;
  return S_OK;
}

void FluidPerformance::LoadSoundFont(std::string path, int nice) {
  // The first frames come first: the load waits until the first is on the
  // screen, and yields to the others on a busy machine.
  WaitForFirstFrame();
  setpriority(PRIO_PROCESS, (id_t)gettid(), nice);
  m_loaderNice = getpriority(PRIO_PROCESS, (id_t)gettid());
  FluidQuietThisThread(true);
  const int soundFont = fluid_synth_sfload(m_synth, path.c_str(), 1);
  if (soundFont == FLUID_FAILED) fputs(kNoSoundFont, stderr);
  {
    std::lock_guard<std::mutex> hold(m_loadLock);
    m_soundFont = soundFont;
    if (m_unloadWhenLoaded) {
      // Unloaded under the lock, so shut-down, which waits for m_loading to
      // end before it deletes the synth, cannot delete it meanwhile.
      if (soundFont != FLUID_FAILED) fluid_synth_sfunload(m_synth, soundFont, 1);
      m_soundFont = FLUID_FAILED;
      m_unloadWhenLoaded = false;
    }
    m_loading = false;
    if (m_playWhenLoaded) fluid_player_play(m_playWhenLoaded);
    m_playWhenLoaded = nullptr;
  }
  m_loaded.notify_all();
  Release();  // may be the last reference when shut-down stopped waiting
}

bool FluidPerformance::FinishLoading() {
  std::unique_lock<std::mutex> hold(m_loadLock);
  // A load already given up on is not waited for again.
  const bool loaded = m_loader.joinable()
                          ? m_loaded.wait_for(hold, kLoadWait, [this] { return !m_loading; })
                          : !m_loading;
  hold.unlock();
  if (m_loader.joinable()) {
    // A thread still loading, or the one running this (its Release deleted
    // the performance), is left to end by itself.
    if (loaded && m_loader.get_id() != std::this_thread::get_id())
      m_loader.join();
    else
      m_loader.detach();
  }
  return loaded;
}

void FluidPerformance::UnloadInstruments() {
  if (m_downloads == 0 || --m_downloads > 0) return;
  if (!FinishLoading()) {
    std::lock_guard<std::mutex> hold(m_loadLock);
    if (m_loading) {  // the loading thread unloads it when it is in
      m_unloadWhenLoaded = true;
      return;
    }
  }
  if (m_synth && m_soundFont != FLUID_FAILED) fluid_synth_sfunload(m_synth, m_soundFont, 1);
  m_soundFont = FLUID_FAILED;
}

HRESULT WINAPI FluidPerformance::PlaySegment(IDirectMusicSegment* pSegment, DWORD, LONGLONG,
                                             IDirectMusicSegmentState** ppSegmentState) {
  if (ppSegmentState) *ppSegmentState = nullptr;
  FluidSegment* segment = ComObjectAs<FluidSegment>(pSegment);
  if (segment == nullptr) return pSegment ? E_INVALIDARG : E_POINTER;
  if (m_synth == nullptr) return E_FAIL;

  // A new primary segment replaces the one playing.
  StopPlaying();
  m_player = m_idlePlayer ? m_idlePlayer : new_fluid_player(m_synth);
  m_idlePlayer = nullptr;
  if (m_player == nullptr) return E_OUTOFMEMORY;
  const std::vector<unsigned char>& smf = segment->Smf();
  bool started = fluid_player_add_mem(m_player, smf.data(), smf.size()) == FLUID_OK;
  if (started) {
    // Playing before the instruments are in would lose the first notes.
    std::lock_guard<std::mutex> hold(m_loadLock);
    if (m_loading)
      m_playWhenLoaded = m_player;
    else
      started = fluid_player_play(m_player) == FLUID_OK;
  }
  if (!started) {
    StopPlaying();
    return E_FAIL;
  }
  m_playing = segment;
  m_playing->AddRef();
  m_playingState = new FluidSegmentState();
  if (ppSegmentState) {
    *ppSegmentState = m_playingState;
    m_playingState->AddRef();
  }
  return S_OK;
}

HRESULT WINAPI FluidPerformance::Stop(IDirectMusicSegment* pSegment,
                                      IDirectMusicSegmentState* pSegmentState, MUSIC_TIME, DWORD) {
  if (m_synth == nullptr) return E_FAIL;
  // Null for both means every segment; anything else must name the playing one.
  bool all = pSegment == nullptr && pSegmentState == nullptr;
  bool named =
      (pSegment && pSegment == m_playing) || (pSegmentState && pSegmentState == m_playingState);
  if (all || named) StopPlaying();
  return S_OK;
}

// NOTE: FluidSynth's player is driven from the audio thread by a sample timer
// that it links into and out of the synth without a lock, so players are
// created before the audio driver starts where possible and deleted only
// after it has stopped. Stopping is just a flag: a stopped player stays
// allocated until CloseDown.
void FluidPerformance::StopPlaying() {
  if (m_player) {
    bool loading;
    {
      std::lock_guard<std::mutex> hold(m_loadLock);
      if (m_playWhenLoaded == m_player) m_playWhenLoaded = nullptr;
      loading = m_loading;
    }
    // A stopped player sends "all sound off" on its next tick to the channels
    // it marks as played (one that never ticked may mark any), and that tick
    // may come after the next player's first note, silencing it. The notes are
    // stopped here instead, so the player's own messages go nowhere.
    fluid_player_set_playback_callback(m_player, DropMidiEvent, nullptr);
    fluid_player_stop(m_player);
    m_finishedPlayers.push_back(m_player);
    m_player = nullptr;
    // NOTE: a soundfont load holds the synth's lock from start to end (on a
    // busy machine, at the loader's low priority, for many seconds). Playing
    // waits for the load, so while it runs no note sounds and none is stopped.
    if (!loading) fluid_synth_all_notes_off(m_synth, -1);
  }
  ReleaseField(m_playingState);
  ReleaseField(m_playing);
}

HRESULT WINAPI FluidPerformance::CloseDown() {
  if (m_audioStuck) return S_OK;
  if (m_synth) StopPlaying();
  // A load still running ends first: the synth it loads into is deleted below.
  // One that goes on keeps the synth, its players (deleting one takes the
  // synth's lock) and the audio output, which the destructor deletes once the
  // loading thread lets the performance go, or process exit ends.
  if (!FinishLoading()) return S_OK;
  if (!m_driver) m_driver = m_readyDriver;  // made, and never asked for
  m_readyDriver = nullptr;
  m_preparedDriver = false;
  // NOTE: an audio thread stuck writing to the device (a sound server that
  // accepts and never answers) would hold shut-down for good once the window
  // is gone. Its synth, players and settings stay for it; process exit ends it.
  if (m_driver && !DeleteAudioDriver(m_driver)) {
    m_audioStuck = true;
    ReleaseField(m_directMusic);
    return S_OK;
  }
  m_driver = nullptr;
  if (m_idlePlayer) m_finishedPlayers.push_back(m_idlePlayer);
  m_idlePlayer = nullptr;
  for (fluid_player_t* player : m_finishedPlayers) delete_fluid_player(player);
  m_finishedPlayers.clear();
  if (m_synth) delete_fluid_synth(m_synth);  // unloads the soundfont too
  m_synth = nullptr;
  m_soundFont = FLUID_FAILED;
  m_downloads = 0;
  if (m_settings) delete_fluid_settings(m_settings);
  m_settings = nullptr;
  ReleaseField(m_directMusic);
  return S_OK;
}
