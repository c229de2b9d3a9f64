// The moments of the program's first frame, for work that should come after
// it rather than compete with it: the GL driver is loaded once the first
// context has been asked for, and the first frame is presented once its swap
// has returned.
#pragma once

// Called by the GL side: after a context creation (made or refused), and
// after a swap.
void GlDriverLoaded();
void FirstFramePresented();

// Runs task once the GL driver is loaded: at once when it is, else on the
// thread that loads it, right after. One task at a time.
void AfterGlDriver(void (*task)());

// Waits until the first frame is presented; returns at once when no context
// is waiting for its first frame (a process that draws nothing).
void WaitForFirstFrame();
