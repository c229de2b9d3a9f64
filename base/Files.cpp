#include "base/Files.h"

#include <fcntl.h>
#include <io.h>

#include "base/Platform.h"

FILE* OpenRegularFile(const char* path, FileAccess access) {
  const bool write = access == FILE_WRITE_TEXT;
  HANDLE handle =
      CreateFileA(path, write ? GENERIC_WRITE : GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                  nullptr, write ? CREATE_ALWAYS : OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return nullptr;
  // Character devices are refused too: a terminal would wait for input, and
  // a log must not reach a terminal with whatever was typed.
  if (GetFileType(handle) != FILE_TYPE_DISK) {
    CloseHandle(handle);
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
