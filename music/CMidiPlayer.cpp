#include "music/CMidiPlayer.h"

#include <direct.h>

#include <cstring>

namespace {
// Characters of the directory and file-name buffers, narrow and wide.
const int kPathChars = 260;
// Every group of a segment's tracks.
const DWORD kAllGroups = 0xFFFFFFFF;
}  // namespace

CMidiPlayer::CMidiPlayer()
    : directMusic(nullptr), performance(nullptr), loader(nullptr), segment(nullptr) {
  CoInitialize(nullptr);
}

CMidiPlayer::~CMidiPlayer() { CoUninitialize(); }

IDirectMusicPerformance2* CMidiPlayer::CreatePerformance() {
  MidiLog.Print("Creating performance\n");
  IDirectMusicPerformance2* created = nullptr;
  HRESULT hr = CoCreateInstance(CLSID_DirectMusicPerformance, nullptr,
                                CLSCTX_INPROC_SERVER | CLSCTX_INPROC_HANDLER,
                                IID_IDirectMusicPerformance2, (void**)&created);
  if (FAILED(hr)) {
    MidiLog.Print("Failed to create instance\n");
    return nullptr;
  }
  return created;
}

IDirectMusicLoader* CMidiPlayer::CreateLoader() {
  MidiLog.Print("Creating loader\n");
  IDirectMusicLoader* created = nullptr;
  HRESULT hr = CoCreateInstance(CLSID_DirectMusicLoader, nullptr,
                                CLSCTX_INPROC_SERVER | CLSCTX_INPROC_HANDLER,
                                IID_IDirectMusicLoader, (void**)&created);
  if (FAILED(hr)) {
    MidiLog.Print("Failed to create instance\n");
    return nullptr;
  }
  return created;
}

// Each failure is logged and the next step still runs; a step that needs an
// object that could not be created is skipped.
bool CMidiPlayer::Open(const char* fileName) {
  performance = CreatePerformance();
  if (performance == nullptr) MidiLog.Print("Failed to create performance\n");

  directMusic = nullptr;
  if (performance != nullptr) {
    if (FAILED(performance->Init(&directMusic, nullptr, nullptr)))
      MidiLog.Print("Failed to initialise peformance\n");
    if (FAILED(performance->AddPort(nullptr))) MidiLog.Print("Failed to initalise port\n");
  }

  loader = CreateLoader();
  if (loader == nullptr) MidiLog.Print("Failed to create loader\n");

  MidiLog.Print("Got here\n");
  if (loader != nullptr) segment = LoadSegment(loader, fileName);
  return true;
}

// Loads fileName from the working directory and downloads its instruments to
// the performance. Null when the file is missing or not a standard MIDI file.
IDirectMusicSegment2* CMidiPlayer::LoadSegment(IDirectMusicLoader* musicLoader,
                                               const char* fileName) {
  char directory[kPathChars];
  WCHAR wideDirectory[kPathChars] = {0};
  WCHAR wideFileName[kPathChars] = {0};

  MidiLog.Print("Loading MIDI segment\n");
  if (_getcwd(directory, kPathChars) == nullptr) {
    MidiLog.Print("Failed to get current directory\n");
    return nullptr;
  }
  // A conversion that does not fit leaves an empty name, never an unterminated one.
  if (MultiByteToWideChar(CP_ACP, MB_PRECOMPOSED, directory, -1, wideDirectory, kPathChars) == 0)
    wideDirectory[0] = 0;
  if (FAILED(musicLoader->SetSearchDirectory(GUID_DirectMusicAllTypes, wideDirectory, FALSE))) {
    MidiLog.Print("Failed to set search directory\n");
    return nullptr;
  }
  if (MultiByteToWideChar(CP_ACP, MB_PRECOMPOSED, fileName, -1, wideFileName, kPathChars) == 0)
    wideFileName[0] = 0;

  // Fields that dwValidData does not mark are zero rather than stack garbage.
  DMUS_OBJECTDESC desc;
  memset(&desc, 0, sizeof(desc));
  desc.dwSize = sizeof(DMUS_OBJECTDESC);
  desc.dwValidData = DMUS_OBJ_CLASS | DMUS_OBJ_FILENAME;
  desc.guidClass = CLSID_DirectMusicSegment;
  memcpy(desc.wszFileName, wideFileName, sizeof(desc.wszFileName));

  IDirectMusicSegment2* loaded = nullptr;
  musicLoader->GetObject(&desc, IID_IDirectMusicSegment2, (void**)&loaded);
  if (loaded == nullptr) return nullptr;  // missing or unreadable file: no segment to set up

  loaded->SetParam(GUID_StandardMIDIFile, kAllGroups, 0, 0, performance);
  loaded->SetParam(GUID_Download, kAllGroups, 0, 0, performance);
  return loaded;
}

bool CMidiPlayer::Play() {
  if (segment == nullptr) return true;
  MidiLog.Print("Playing segment\n");
  if (performance != nullptr) {
    IDirectMusicSegmentState* state = nullptr;
    performance->PlaySegment(segment, 0, 0, &state);
    // The performance keeps its own reference while the segment plays.
    if (state != nullptr) state->Release();
  }
  return true;
}

// Stops the music and releases every object, each only if it exists. The
// DirectMusic object that Init handed out is released with the performance.
bool CMidiPlayer::Close() {
  if (performance != nullptr) performance->Stop(nullptr, nullptr, 0, 0);
  if (segment != nullptr) {
    segment->SetParam(GUID_Unload, kAllGroups, 0, 0, performance);
    segment->Release();
    segment = nullptr;
  }
  if (performance != nullptr) {
    performance->CloseDown();
    performance->Release();
    performance = nullptr;
  }
  if (directMusic != nullptr) {
    directMusic->Release();
    directMusic = nullptr;
  }
  if (loader != nullptr) {
    loader->Release();
    loader = nullptr;
  }
  return true;
}
