#pragma once

#include "music/CMidiPlayer.h"

// The background music: "Duridaz.mid" from start-up until shut-down.
class CMusic {
 public:
  CMusic();
  ~CMusic();
  CMusic(const CMusic&) = delete;
  CMusic& operator=(const CMusic&) = delete;

  bool Start();
  bool Stop();

  CMidiPlayer* player;
};
