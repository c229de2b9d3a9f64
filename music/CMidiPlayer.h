#pragma once

#include "base/Platform.h"
#include <dmusici.h>

#include "base/CLog.h"

// The DirectX 7 performance and segment. The SDK headers give only their IIDs;
// the player calls no method beyond the first versions', which begin their vtables.
typedef IDirectMusicPerformance IDirectMusicPerformance2;
typedef IDirectMusicSegment IDirectMusicSegment2;

// Owns COM on the main thread and the DirectMusic performance, loader and
// segment that play one standard MIDI file.
class CMidiPlayer {
 public:
  CMidiPlayer();
  ~CMidiPlayer();
  CMidiPlayer(const CMidiPlayer&) = delete;
  CMidiPlayer& operator=(const CMidiPlayer&) = delete;

  bool Open(const char* fileName);
  bool Play();
  bool Close();

  IDirectMusicPerformance2* CreatePerformance();
  IDirectMusicLoader* CreateLoader();
  IDirectMusicSegment2* LoadSegment(IDirectMusicLoader* loader, const char* fileName);

  IDirectMusic* directMusic;
  IDirectMusicPerformance2* performance;
  IDirectMusicLoader* loader;
  IDirectMusicSegment2* segment;
};

extern CLog MidiLog;
