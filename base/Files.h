// Opening the program's data and log files. A file that is not a regular file
// (a FIFO, a device, a directory) is refused before anything is read from or
// written to it, and the open itself never waits: a FIFO without a peer would
// otherwise stop the program in the open for good.
#pragma once

#include <cstdio>

enum FileAccess { FILE_READ_BINARY, FILE_WRITE_TEXT };

// The file as a stream ("rb", or "wt": created or emptied), or null when it
// cannot be opened (errno says why) or is not a regular file (errno 0).
FILE* OpenRegularFile(const char* path, FileAccess access);
