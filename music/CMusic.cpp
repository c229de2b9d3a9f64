#include "music/CMusic.h"

#include <new>

CMusic::CMusic() : player(new (std::nothrow) CMidiPlayer()) {}

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
