#include "music/CMusic.h"

#include <new>

#include "base/OutOfMemory.h"

// Without its player the music cannot start or stop: a failed allocation ends
// the process with a line in the music log.
CMusic::CMusic()
    : player(CheckAllocation(new (std::nothrow) CMidiPlayer(), &MidiLog, "MIDI player")) {}

CMusic::~CMusic() { delete player; }

bool CMusic::Start() {
  player->Open("Duridaz.mid");
  player->Play();
  return true;
}

bool CMusic::Stop() {
  player->Close();
  return true;
}
