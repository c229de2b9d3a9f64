#include "music/CMidiPlayer.h"

// Placeholder until the music module lands.
CMidiPlayer::CMidiPlayer() : directMusic(nullptr), performance(nullptr), loader(nullptr), segment(nullptr) {}
CMidiPlayer::~CMidiPlayer() {}
bool CMidiPlayer::Open(const char*) { return true; }
bool CMidiPlayer::Play() { return true; }
bool CMidiPlayer::Close() { return true; }
IDirectMusicPerformance2* CMidiPlayer::CreatePerformance() { return nullptr; }
IDirectMusicLoader* CMidiPlayer::CreateLoader() { return nullptr; }
IDirectMusicSegment2* CMidiPlayer::LoadSegment(IDirectMusicLoader*, const char*) { return nullptr; }
