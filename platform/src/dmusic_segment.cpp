// IDirectMusicSegment2 over one standard MIDI file in memory. SetParam knows
// GUID_StandardMIDIFile, and GUID_Download / GUID_Unload, which load and
// unload the General MIDI soundfont in the performance given as the parameter.
// Group bits, index and time are accepted and ignored: a segment has one track.
#include "dmusic_objects.h"

FluidSegment::FluidSegment(std::vector<unsigned char> smf) : m_smf(std::move(smf)) {}

FluidSegment::~FluidSegment() {
  if (m_downloadedTo) Unload(m_downloadedTo);
}

HRESULT WINAPI FluidSegment::SetParam(REFGUID rguidType, DWORD, DWORD, MUSIC_TIME, void* pParam) {
  // FluidSynth's player always plays a standard MIDI file the General MIDI way.
  if (rguidType == GUID_StandardMIDIFile) return S_OK;
  if (rguidType == GUID_Download) return Download(pParam);
  if (rguidType == GUID_Unload) return Unload(pParam);
  return E_NOTIMPL;
}

HRESULT FluidSegment::Download(void* performance) {
  if (performance == nullptr) return E_POINTER;
  FluidPerformance* target = ComObjectAs<FluidPerformance>(performance);
  if (target == nullptr) return E_INVALIDARG;
  if (target == m_downloadedTo) return S_FALSE;
  if (m_downloadedTo) Unload(m_downloadedTo);
  HRESULT hr = target->DownloadInstruments();
  if (FAILED(hr)) return hr;
  m_downloadedTo = target;
  m_downloadedTo->AddRef();
  return S_OK;
}

HRESULT FluidSegment::Unload(void* performance) {
  if (performance == nullptr) return E_POINTER;
  FluidPerformance* target = ComObjectAs<FluidPerformance>(performance);
  if (target == nullptr) return E_INVALIDARG;
  if (target != m_downloadedTo) return S_FALSE;
  m_downloadedTo = nullptr;
  target->UnloadInstruments();
  target->Release();
  return S_OK;
}
