// IDirectMusicLoader for standard MIDI files: SetSearchDirectory names an
// existing directory, GetObject reads DMUS_OBJ_FILENAME from it and yields a
// segment. No object cache, no other object classes, no streams or memory.
#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>

#include "dmusic_objects.h"

namespace {

// Larger files are not music for this program; the cap bounds the memory a
// stray file name can claim.
const long kMaxMidiFileBytes = 16L * 1024 * 1024;

// Reads a zero-terminated wide path of at most maxUnits units (terminator
// included). The ANSI code page of kernel32 maps each byte to the wide unit of
// the same value, so each unit maps back to that byte; a unit above 0xFF can
// not come from it and is refused, as is a path without its terminator.
bool WideToPath(const WCHAR* wide, size_t maxUnits, std::string* path) {
  path->clear();
  for (size_t i = 0; i < maxUnits; ++i) {
    if (wide[i] == 0) return !path->empty();
    if (wide[i] > 0xFF) return false;
    path->push_back((char)wide[i]);
  }
  return false;
}

uint32_t BigEndian32(const unsigned char* p) {
  return (uint32_t)p[0] << 24 | (uint32_t)p[1] << 16 | (uint32_t)p[2] << 8 | p[3];
}

uint16_t BigEndian16(const unsigned char* p) { return (uint16_t)(p[0] << 8 | p[1]); }

// Checks the chunk structure FluidSynth's player relies on: an "MThd" header
// of format 0 or 1 with metrical time, then at least as many complete "MTrk"
// chunks as it announces. The events themselves are the player's business.
bool IsStandardMidiFile(const std::vector<unsigned char>& data) {
  const size_t size = data.size();
  if (size < 14 || memcmp(data.data(), "MThd", 4) != 0) return false;
  uint32_t headerLength = BigEndian32(&data[4]);
  if (headerLength < 6 || headerLength > size - 8) return false;
  uint16_t format = BigEndian16(&data[8]);
  uint16_t tracks = BigEndian16(&data[10]);
  uint16_t division = BigEndian16(&data[12]);
  if (format > 1 || tracks == 0 || division == 0 || (division & 0x8000)) return false;
  size_t at = 8 + headerLength;
  unsigned found = 0;
  while (at + 8 <= size) {
    uint32_t length = BigEndian32(&data[at + 4]);
    if (length > size - at - 8) return false;
    if (memcmp(&data[at], "MTrk", 4) == 0) ++found;
    at += 8 + (size_t)length;
  }
  return found >= tracks;
}

// Reads a whole regular file; false when it cannot be read, is too large or is
// not a regular file. It is opened the kernel32 way, which never waits, so a
// FIFO is refused, not waited on.
bool ReadFile(const std::string& path, std::vector<unsigned char>* data) {
  HANDLE handle = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return false;
  const int fd = _open_osfhandle((intptr_t)handle, _O_RDONLY);
  struct stat info;
  bool ok = fstat(fd, &info) == 0 && S_ISREG(info.st_mode) && info.st_size <= kMaxMidiFileBytes;
  FILE* file = ok ? fdopen(fd, "rb") : nullptr;
  if (file == nullptr) {
    close(fd);
    return false;
  }
  data->resize((size_t)info.st_size);
  ok = fread(data->data(), 1, data->size(), file) == data->size();
  fclose(file);
  return ok;
}

class FluidLoader : public ComObject<IDirectMusicLoader> {
 public:
  HRESULT WINAPI GetObject(LPDMUS_OBJECTDESC pDesc, REFIID riid, LPVOID* ppv) override;
  HRESULT WINAPI SetSearchDirectory(REFGUID rguidClass, WCHAR* pwzPath, BOOL fClear) override;

 private:
  std::string m_searchDirectory;  // empty: the working directory
};

HRESULT WINAPI FluidLoader::SetSearchDirectory(REFGUID, WCHAR* pwzPath, BOOL) {
  if (pwzPath == nullptr) return E_POINTER;
  // One directory serves every class: segments are the only objects loaded.
  std::string path;
  struct stat info;
  if (!WideToPath(pwzPath, DMUS_MAX_FILENAME, &path) || stat(path.c_str(), &info) != 0 ||
      !S_ISDIR(info.st_mode))
    return DMUS_E_LOADER_BADPATH;
  m_searchDirectory = path;
  return S_OK;
}

HRESULT WINAPI FluidLoader::GetObject(LPDMUS_OBJECTDESC pDesc, REFIID riid, LPVOID* ppv) {
  if (ppv == nullptr) return E_POINTER;
  *ppv = nullptr;
  if (pDesc == nullptr) return E_POINTER;
  if (pDesc->dwSize < sizeof(DMUS_OBJECTDESC) || !(pDesc->dwValidData & DMUS_OBJ_FILENAME))
    return E_INVALIDARG;
  if ((pDesc->dwValidData & DMUS_OBJ_CLASS) && pDesc->guidClass != CLSID_DirectMusicSegment)
    return DMUS_E_LOADER_FORMATNOTSUPPORTED;
  if (riid != IID_IDirectMusicSegment2) return E_NOINTERFACE;

  std::string name;
  if (!WideToPath(pDesc->wszFileName, DMUS_MAX_FILENAME, &name)) return DMUS_E_LOADER_BADPATH;
  std::string path = m_searchDirectory.empty() ? name : m_searchDirectory + "/" + name;
  std::vector<unsigned char> data;
  if (!ReadFile(path, &data)) {
    fprintf(stderr, "dmusic: cannot read %s\n", path.c_str());
    return DMUS_E_LOADER_FAILEDOPEN;
  }
  if (!IsStandardMidiFile(data)) {
    fprintf(stderr, "dmusic: %s is not a standard MIDI file\n", path.c_str());
    return DMUS_E_LOADER_FAILEDCREATE;
  }
  *ppv = static_cast<IDirectMusicSegment2*>(new FluidSegment(std::move(data)));
  return S_OK;
}

}  // namespace

HRESULT CreateDirectMusicLoader(REFIID riid, LPVOID* ppv) {
  if (riid != IID_IDirectMusicLoader) return E_NOINTERFACE;
  *ppv = static_cast<IDirectMusicLoader*>(new FluidLoader());
  return S_OK;
}
