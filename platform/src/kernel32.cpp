// kernel32 on POSIX: the process console is standard output; the ANSI code
// page is taken as ISO 8859-1, one byte to one wide character.
#include <direct.h>
#include <unistd.h>
#include <windows.h>

#include <climits>
#include <cstring>

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
  for (size_t i = 0; i < count; ++i) lpWideCharStr[i] = (WCHAR)(unsigned char)lpMultiByteStr[i];
  return (int)count;
}

char* _getcwd(char* buffer, int maxlen) {
  if (buffer == nullptr || maxlen <= 0) return nullptr;
  return getcwd(buffer, (size_t)maxlen);
}
