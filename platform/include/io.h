// The low-level I/O of the Windows C runtime that turns a file handle into a
// stream: a handle here is a POSIX file descriptor.
#pragma once
#include <cstdint>
#include <cstdio>

#define _O_RDONLY 0x0000
#define _O_TEXT 0x4000

int _open_osfhandle(intptr_t osfhandle, int flags);
FILE* _fdopen(int fd, const char* mode);
int _close(int fd);
