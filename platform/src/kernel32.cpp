// kernel32 on POSIX: the process console is standard output; the ANSI code
// page is Windows-1252, one byte to one wide character; files are
// opened without waiting and handed to the C runtime as streams.
#include <direct.h>
#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>
#include <unistd.h>
#include <windows.h>

#include <climits>
#include <cstring>

#include "cp1252.h"

namespace {
// A stable, non-null handle for standard output.
int g_stdoutHandle = 1;
}  // namespace

BOOL WINAPI AllocConsole(void) { return TRUE; }

BOOL WINAPI FreeConsole(void) { return TRUE; }

HANDLE WINAPI GetStdHandle(DWORD nStdHandle) {
  return nStdHandle == STD_OUTPUT_HANDLE ? (HANDLE)&g_stdoutHandle : nullptr;
}

BOOL WINAPI WriteConsoleA(HANDLE hConsoleOutput, const void* lpBuffer, DWORD nNumberOfCharsToWrite,
                          DWORD* lpNumberOfCharsWritten, LPVOID) {
  if (lpNumberOfCharsWritten) *lpNumberOfCharsWritten = 0;
  if (hConsoleOutput != (HANDLE)&g_stdoutHandle || lpBuffer == nullptr) return FALSE;
  const char* bytes = (const char*)lpBuffer;
  DWORD done = 0;
  while (done < nNumberOfCharsToWrite) {
    ssize_t n = write(STDOUT_FILENO, bytes + done, nNumberOfCharsToWrite - done);
    if (n <= 0) return FALSE;
    done += (DWORD)n;
  }
  if (lpNumberOfCharsWritten) *lpNumberOfCharsWritten = done;
  return TRUE;
}

int WINAPI MultiByteToWideChar(UINT, DWORD, LPCSTR lpMultiByteStr, int cbMultiByte,
                               LPWSTR lpWideCharStr, int cchWideChar) {
  if (lpMultiByteStr == nullptr || cbMultiByte == 0 || cchWideChar < 0) return 0;
  // With -1 the input is zero-terminated and the terminator is converted too.
  size_t count = cbMultiByte < 0 ? strlen(lpMultiByteStr) + 1 : (size_t)cbMultiByte;
  if (count > INT_MAX) return 0;
  if (cchWideChar == 0) return (int)count;
  if (lpWideCharStr == nullptr || count > (size_t)cchWideChar) return 0;
  for (size_t i = 0; i < count; ++i)
    lpWideCharStr[i] = (WCHAR)cp1252::ToUnicode((unsigned char)lpMultiByteStr[i]);
  return (int)count;
}

char* _getcwd(char* buffer, int maxlen) {
  if (buffer == nullptr || maxlen <= 0) return nullptr;
  return getcwd(buffer, (size_t)maxlen);
}

// ---- files --------------------------------------------------------------
// Handles are file descriptors. Opening is non-blocking, so a FIFO without a
// writer (or, for writing, without a reader) never stalls the caller; the
// descriptor is switched back to blocking for the reads and writes.
HANDLE WINAPI CreateFileA(LPCSTR lpFileName, DWORD dwDesiredAccess, DWORD, LPSECURITY_ATTRIBUTES,
                          DWORD dwCreationDisposition, DWORD, HANDLE) {
  int flags = O_NONBLOCK | O_CLOEXEC | O_NOCTTY;
  if (dwDesiredAccess == GENERIC_READ)
    flags |= O_RDONLY;
  else if (dwDesiredAccess == GENERIC_WRITE)
    flags |= O_WRONLY;
  else
    return INVALID_HANDLE_VALUE;
  if (dwCreationDisposition == CREATE_ALWAYS)
    flags |= O_CREAT | O_TRUNC;
  else if (dwCreationDisposition != OPEN_EXISTING)
    return INVALID_HANDLE_VALUE;
  if (lpFileName == nullptr) return INVALID_HANDLE_VALUE;
  const int fd = open(lpFileName, flags, 0666);
  if (fd < 0) return INVALID_HANDLE_VALUE;
  struct stat info;
  if (fstat(fd, &info) != 0 || S_ISDIR(info.st_mode) ||
      fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK) != 0) {
    close(fd);
    return INVALID_HANDLE_VALUE;
  }
  return (HANDLE)(intptr_t)fd;
}

DWORD WINAPI GetFileType(HANDLE hFile) {
  struct stat info;
  if (hFile == INVALID_HANDLE_VALUE || fstat((int)(intptr_t)hFile, &info) != 0)
    return FILE_TYPE_UNKNOWN;
  if (S_ISREG(info.st_mode)) return FILE_TYPE_DISK;
  if (S_ISCHR(info.st_mode)) return FILE_TYPE_CHAR;
  if (S_ISFIFO(info.st_mode) || S_ISSOCK(info.st_mode)) return FILE_TYPE_PIPE;
  return FILE_TYPE_UNKNOWN;
}

BOOL WINAPI CloseHandle(HANDLE hObject) {
  return hObject != INVALID_HANDLE_VALUE && close((int)(intptr_t)hObject) == 0;
}

int _open_osfhandle(intptr_t osfhandle, int) { return osfhandle < 0 ? -1 : (int)osfhandle; }

FILE* _fdopen(int fd, const char* mode) { return fdopen(fd, mode); }

int _close(int fd) { return close(fd); }
