// Every module-level object with a constructor, defined in one translation
// unit: static initialisation constructs them in this order, and process exit
// destroys them in reverse, whatever order the linker lays the modules out in.
// The order is visible in the order the log files are created.
#include "base/CLog.h"
#include "console/CConsole.h"
#include "render/CCamera.h"

CConsole Console;
CLog OpenGLLog(LOG_FILE, "OpenGL.txt");
CLog TerrainLog(LOG_FILE, "MTF.txt");
CLog QuadLog(LOG_FILE, "QLog.txt");
CCamera GlobalCamera({128, 368, 128}, {585, 420, 400}, {0, 1, 0});
CLog MidiLog(LOG_FILE, "MIDI.txt");
ConsoleHistory History;
CInputLine InputLine;
CLog ConsoleLog(LOG_FILE, "Console.txt");
