// The DirectMusic subset: a performance, a loader and a segment that play one
// standard MIDI file. Method names and arguments are DirectMusic's.
#pragma once

#include <objbase.h>

typedef LONG MUSIC_TIME;
typedef LONGLONG REFERENCE_TIME;

struct IDirectMusic : IUnknown {};
struct IDirectSound;
struct IDirectMusicPort;
struct IDirectMusicSegmentState : IUnknown {};
typedef IDirectSound* LPDIRECTSOUND;

#define DMUS_MAX_NAME 64
#define DMUS_MAX_CATEGORY 64
#define DMUS_MAX_FILENAME 260
#define DMUS_OBJ_OBJECT (1 << 0)
#define DMUS_OBJ_CLASS (1 << 1)
#define DMUS_OBJ_NAME (1 << 2)
#define DMUS_OBJ_CATEGORY (1 << 3)
#define DMUS_OBJ_FILENAME (1 << 4)

// Failure codes of the loader (FACILITY_DIRECTMUSIC).
#define DMUS_E_LOADER_BADPATH ((HRESULT)0x88780181L)
#define DMUS_E_LOADER_FAILEDOPEN ((HRESULT)0x88780182L)
#define DMUS_E_LOADER_FORMATNOTSUPPORTED ((HRESULT)0x88780183L)
#define DMUS_E_LOADER_FAILEDCREATE ((HRESULT)0x88780184L)

typedef struct _FILETIME {
  DWORD dwLowDateTime;
  DWORD dwHighDateTime;
} FILETIME;

typedef struct _DMUS_VERSION {
  DWORD dwVersionMS;
  DWORD dwVersionLS;
} DMUS_VERSION;

struct IStream;

typedef struct _DMUS_OBJECTDESC {
  DWORD dwSize;
  DWORD dwValidData;
  GUID guidObject;
  GUID guidClass;
  FILETIME ftDate;
  DMUS_VERSION vVersion;
  WCHAR wszName[DMUS_MAX_NAME];
  WCHAR wszCategory[DMUS_MAX_CATEGORY];
  WCHAR wszFileName[DMUS_MAX_FILENAME];
  LONGLONG llMemLength;
  BYTE* pbMemData;
  IStream* pStream;
} DMUS_OBJECTDESC, *LPDMUS_OBJECTDESC;

struct IDirectMusicSegment : IUnknown {
  virtual HRESULT WINAPI SetParam(REFGUID rguidType, DWORD dwGroupBits, DWORD dwIndex,
                                  MUSIC_TIME mtTime, void* pParam) = 0;
};
// NOTE: the Windows SDK headers name the DirectX 7 versions only by their IIDs;
// their vtables begin with the first versions' methods, the only ones called.
typedef IDirectMusicSegment IDirectMusicSegment2;

struct IDirectMusicPerformance : IUnknown {
  virtual HRESULT WINAPI Init(IDirectMusic** ppDirectMusic, LPDIRECTSOUND pDirectSound,
                              HWND hWnd) = 0;
  virtual HRESULT WINAPI PlaySegment(IDirectMusicSegment* pSegment, DWORD dwFlags,
                                     LONGLONG i64StartTime,
                                     IDirectMusicSegmentState** ppSegmentState) = 0;
  virtual HRESULT WINAPI Stop(IDirectMusicSegment* pSegment,
                              IDirectMusicSegmentState* pSegmentState, MUSIC_TIME mtTime,
                              DWORD dwFlags) = 0;
  virtual HRESULT WINAPI AddPort(IDirectMusicPort* pPort) = 0;
  virtual HRESULT WINAPI CloseDown() = 0;
};
typedef IDirectMusicPerformance IDirectMusicPerformance2;

struct IDirectMusicLoader : IUnknown {
  virtual HRESULT WINAPI GetObject(LPDMUS_OBJECTDESC pDesc, REFIID riid, LPVOID* ppv) = 0;
  virtual HRESULT WINAPI SetSearchDirectory(REFGUID rguidClass, WCHAR* pwzPath, BOOL fClear) = 0;
};

extern const GUID CLSID_DirectMusicPerformance;
extern const GUID CLSID_DirectMusicLoader;
extern const GUID CLSID_DirectMusicSegment;
extern const GUID IID_IDirectMusicPerformance2;
extern const GUID IID_IDirectMusicLoader;
extern const GUID IID_IDirectMusicSegment2;
extern const GUID GUID_DirectMusicAllTypes;
extern const GUID GUID_StandardMIDIFile;
extern const GUID GUID_Download;
extern const GUID GUID_Unload;
