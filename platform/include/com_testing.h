// Test hooks into the COM layer: stand-in classes for fault injection and a
// count of the platform's live COM objects. Only tests include this header.
#pragma once

#include <objbase.h>

#include <functional>

// Builds one object of a class and returns the interface riid names in *ppv.
typedef std::function<HRESULT(REFIID riid, LPVOID* ppv)> ComClassFactory;

// From now on CoCreateInstance builds rclsid with factory; an empty factory
// unregisters the class, so CoCreateInstance reports REGDB_E_CLASSNOTREG.
void ComTestRegisterClass(REFCLSID rclsid, ComClassFactory factory);

// Puts the platform's own classes back.
void ComTestRestoreClasses();

// The platform's COM objects (performances, loaders, segments, segment states,
// DirectMusic objects) created and not yet destroyed.
int ComTestLiveObjects();

// CoInitialize calls not yet balanced by CoUninitialize.
int ComTestInitCount();

typedef struct _fluid_synth_t fluid_synth_t;
// The FluidSynth synthesizer inside a performance the platform made (null for
// any other object), so a test can render its samples itself.
fluid_synth_t* ComTestSynth(IUnknown* performance);
// The nice value the performance's last soundfont load ran at (0 before any).
int ComTestLoaderNice(IUnknown* performance);
// What the GL side tells the music (a context was asked for; its first frame
// is on the screen), and the threads waiting for that frame.
void GlDriverLoaded();
void FirstFramePresented();
int ComTestFirstFrameWaiters();
