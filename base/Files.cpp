#include "base/Files.h"

#include <errno.h>
#include <fcntl.h>
#include <io.h>

#include "base/Platform.h"

FILE* OpenRegularFile(const char* path, FileAccess access) {
  const bool write = access == FILE_WRITE_TEXT;
  errno = 0;
  HANDLE handle =
      CreateFileA(path, write ? GENERIC_WRITE : GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                  nullptr, write ? CREATE_ALWAYS : OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (handle == INVALID_HANDLE_VALUE) {
    // Windows' CreateFileA leaves errno alone: a folder that refuses the file
    // is the usual cause there.
    if (errno == 0) errno = EACCES;
    return nullptr;
  }
  // Character devices are refused too: a terminal would wait for input, and
  // a log must not reach a terminal with whatever was typed.
  if (GetFileType(handle) != FILE_TYPE_DISK) {
    CloseHandle(handle);
    errno = 0;
    return nullptr;
  }
  // From here the stream owns the handle: closing the stream closes it.
  const int fd = _open_osfhandle((intptr_t)handle, write ? _O_TEXT : _O_RDONLY);
  if (fd == -1) {
    CloseHandle(handle);
    return nullptr;
  }
  FILE* stream = _fdopen(fd, write ? "wt" : "rb");
  if (stream == nullptr) _close(fd);
  return stream;
}
