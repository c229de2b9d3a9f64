// Placeholder until COM and the music objects land.
#include <dmusici.h>

const GUID CLSID_DirectMusicPerformance = {};
const GUID CLSID_DirectMusicLoader = {};
const GUID CLSID_DirectMusicSegment = {};
const GUID IID_IDirectMusicPerformance2 = {};
const GUID IID_IDirectMusicLoader = {};
const GUID IID_IDirectMusicSegment2 = {};
const GUID GUID_DirectMusicAllTypes = {};
const GUID GUID_StandardMIDIFile = {};
const GUID GUID_Download = {};
const GUID GUID_Unload = {};

HRESULT WINAPI CoInitialize(LPVOID) { return S_OK; }
void WINAPI CoUninitialize(void) {}
HRESULT WINAPI CoCreateInstance(REFCLSID, IUnknown*, DWORD, REFIID, LPVOID* ppv) {
  if (ppv) *ppv = nullptr;
  return REGDB_E_CLASSNOTREG;
}
