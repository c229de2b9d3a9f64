// Raw images: headerless pixel files uploaded as plain textures with
// nearest-texel filtering and no mipmaps.
#include <cstddef>
#include <cstdio>

#include "terrain/CTerrainLoader.h"
#include "terrain/TerrainAlloc.h"
#include "terrain/TerrainFiles.h"

namespace {

// Far beyond any texture an OpenGL 1.1 driver takes, and small enough that
// the buffer size cannot overflow.
const int32_t kMaxImageEdge = 8192;

// OpenGL 1.1 takes 1 to 4 components as its internal format; these are their layouts.
GLenum PixelFormat(int32_t components) {
  switch (components) {
    case 1:
      return GL_LUMINANCE;
    case 2:
      return GL_LUMINANCE_ALPHA;
    case 4:
      return GL_RGBA;
    default:
      return GL_RGB;
  }
}

bool IsSupportedImage(int32_t width, int32_t height, int32_t components) {
  return width >= 1 && width <= kMaxImageEdge && height >= 1 && height <= kMaxImageEdge &&
         components >= 1 && components <= 4;
}

// The buffer's rows are tightly packed. OpenGL expects rows aligned to 4 bytes,
// which the shipped images meet; any other row size is uploaded byte-aligned.
void UploadImage(const RawImage& image, int32_t components) {
  const bool unaligned = (image.width * components) % 4 != 0;
  GLint alignment = 4;
  if (unaligned) {
    glGetIntegerv(GL_UNPACK_ALIGNMENT, &alignment);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
  }
  glTexImage2D(GL_TEXTURE_2D, 0, components, image.width, image.height, 0, PixelFormat(components),
               GL_UNSIGNED_BYTE, image.pixels);
  if (unaligned) glPixelStorei(GL_UNPACK_ALIGNMENT, alignment);
}

}  // namespace

bool CTerrainLoader::LoadRawTexture(const char* path, RawImage* image, int32_t slot, int32_t width,
                                    int32_t height, int32_t components) {
  if (slot < 0 || slot > TEX_SKY) {
    TerrainLog.Print("Cannot load '%s': no texture slot %i\n", path, (int)slot);
    return true;
  }
  // An image the loader cannot take still leaves a texture in its slot: one black texel.
  const bool supported = IsSupportedImage(width, height, components);
  if (!supported) {
    TerrainLog.Print("Cannot load '%s': unsupported image of %i x %i pixels, %i components\n", path,
                     (int)width, (int)height, (int)components);
    width = 1;
    height = 1;
    components = 3;
  }

  image->width = width;
  image->height = height;
  const size_t pixelCount = (size_t)width * (size_t)height;
  char what[300];
  snprintf(what, sizeof what, "image '%s'", path);
  image->pixels = AllocateTerrainArray<uint8_t>(pixelCount * components, TerrainLog, what);
  if (supported) ReadBlock(path, image->pixels, components, pixelCount);

  glBindTexture(GL_TEXTURE_2D, TextureSlots[slot]);
  UploadImage(*image, components);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
  return true;
}
