// The DirectMusic objects of this platform: a performance that plays standard
// MIDI files through FluidSynth, a loader that reads them from disk, and the
// segments it yields. Shared between their source files and the class table.
#pragma once

#include <dmusici.h>
#include <fluidsynth.h>

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "com_object.h"

// The class table's constructors: one new object, its interface riid in *ppv.
HRESULT CreateDirectMusicPerformance(REFIID riid, LPVOID* ppv);
HRESULT CreateDirectMusicLoader(REFIID riid, LPVOID* ppv);

class FluidPerformance;

// One standard MIDI file held in memory, ready to be played.
class FluidSegment : public ComObject<IDirectMusicSegment2> {
 public:
  explicit FluidSegment(std::vector<unsigned char> smf);

  HRESULT WINAPI SetParam(REFGUID rguidType, DWORD dwGroupBits, DWORD dwIndex, MUSIC_TIME mtTime,
                          void* pParam) override;

  const std::vector<unsigned char>& Smf() const { return m_smf; }

 private:
  ~FluidSegment() override;
  HRESULT Download(void* performance);
  HRESULT Unload(void* performance);

  std::vector<unsigned char> m_smf;
  FluidPerformance* m_downloadedTo = nullptr;  // counted reference
};

// A synth, its audio output and the MIDI file players it runs.
class FluidPerformance : public ComObject<IDirectMusicPerformance2> {
 public:
  FluidPerformance() = default;

  HRESULT WINAPI Init(IDirectMusic** ppDirectMusic, LPDIRECTSOUND pDirectSound, HWND hWnd) override;
  HRESULT WINAPI PlaySegment(IDirectMusicSegment* pSegment, DWORD dwFlags, LONGLONG i64StartTime,
                             IDirectMusicSegmentState** ppSegmentState) override;
  HRESULT WINAPI Stop(IDirectMusicSegment* pSegment, IDirectMusicSegmentState* pSegmentState,
                      MUSIC_TIME mtTime, DWORD dwFlags) override;
  HRESULT WINAPI AddPort(IDirectMusicPort* pPort) override;
  HRESULT WINAPI CloseDown() override;

  // Loads the General MIDI soundfont for a segment; every download is paired
  // with one UnloadInstruments. The load runs on a thread of its own: the
  // download answers once the soundfont is found, and a segment played
  // meanwhile starts when the instruments are in.
  HRESULT DownloadInstruments();
  void UnloadInstruments();
  fluid_synth_t* Synth() const { return m_synth; }
  int LoaderNice() const { return m_loaderNice; }

 private:
  ~FluidPerformance() override;
  void StopPlaying();
  void LoadSoundFont(std::string path, int nice);
  // Waits a short while for a load still running; called before the soundfont
  // or the synth goes. False when the load goes on: the loading thread then
  // holds the performance (a counted reference) until it ends.
  bool FinishLoading();

  fluid_settings_t* m_settings = nullptr;
  fluid_synth_t* m_synth = nullptr;
  fluid_audio_driver_t* m_driver = nullptr;
  // The output made with the prepared synth, until AddPort takes it.
  fluid_audio_driver_t* m_readyDriver = nullptr;
  bool m_preparedDriver = false;  // m_readyDriver is the first try's answer
  bool m_audioStuck = false;  // the driver's thread never let go: see CloseDown
  int m_downloads = 0;
  std::thread m_loader;              // the soundfont load, until FinishLoading
  std::atomic<int> m_loaderNice{0};  // what the last load ran at, for the tests
  // Guards what the loading thread hands over: the soundfont and the player to start.
  std::mutex m_loadLock;
  std::condition_variable m_loaded;  // m_loading became false
  bool m_loading = false;
  bool m_unloadWhenLoaded = false;  // the last unload came while the load ran
  int m_soundFont = FLUID_FAILED;
  fluid_player_t* m_playWhenLoaded = nullptr;
  IDirectMusic* m_directMusic = nullptr;               // counted reference
  FluidSegment* m_playing = nullptr;                   // counted reference
  IDirectMusicSegmentState* m_playingState = nullptr;  // counted reference
  fluid_player_t* m_player = nullptr;                  // the one playing
  fluid_player_t* m_idlePlayer = nullptr;              // made by Init for the first PlaySegment
  // Players are deleted only once the audio driver is gone: see StopPlaying.
  std::vector<fluid_player_t*> m_finishedPlayers;
};
