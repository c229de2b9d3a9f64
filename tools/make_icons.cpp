// Draws the application icon from the logo: the logo's letters glowing on a
// dark rounded tile, as the overlay shows them over the night terrain. Writes
// <folder>/hicolor/<N>x<N>/apps/skelv.png for the sizes the icon theme expects,
// and every size in <folder>/skelv.ico for the Windows program and installer.
// The output is the same on every run.
#include <sys/stat.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <iterator>
#include <string>

#include "Images.h"

namespace {

const int kTile = 128;  // the tile is drawn once at this size, then resampled
const int kSizes[] = {16, 24, 32, 48, 64, 128, 256};

uint32_t Crc32(const uint8_t* data, size_t size, uint32_t crc = 0) {
  crc = ~crc;
  for (size_t i = 0; i < size; ++i) {
    crc ^= data[i];
    for (int k = 0; k < 8; ++k) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1)));
  }
  return ~crc;
}

void PutBigEndian(Bytes& out, uint32_t value) {
  for (int shift = 24; shift >= 0; shift -= 8) out.push_back((uint8_t)(value >> shift));
}

void PutLittleEndian(Bytes& out, uint32_t value, int bytes) {
  for (int k = 0; k < bytes; ++k) out.push_back((uint8_t)(value >> 8 * k));
}

void PutChunk(Bytes& out, const char* type, const Bytes& data) {
  PutBigEndian(out, (uint32_t)data.size());
  Bytes body(type, type + 4);
  body.insert(body.end(), data.begin(), data.end());
  out.insert(out.end(), body.begin(), body.end());
  PutBigEndian(out, Crc32(body.data(), body.size()));
}

// An RGBA PNG whose image data is a zlib stream of stored (uncompressed) blocks.
Bytes Png(int size, const Bytes& rgba) {
  Bytes raw;
  for (int y = 0; y < size; ++y) {
    raw.push_back(0);  // no row filter
    raw.insert(raw.end(), rgba.begin() + y * size * 4, rgba.begin() + (y + 1) * size * 4);
  }
  Bytes zlib = {0x78, 0x01};
  for (size_t at = 0; at < raw.size(); at += 65535) {
    const size_t length = std::min<size_t>(65535, raw.size() - at);
    zlib.push_back(at + length == raw.size() ? 1 : 0);
    const uint8_t len[4] = {(uint8_t)length, (uint8_t)(length >> 8), (uint8_t)~length,
                            (uint8_t)(~length >> 8)};
    zlib.insert(zlib.end(), len, len + 4);
    zlib.insert(zlib.end(), raw.begin() + at, raw.begin() + at + length);
  }
  uint32_t a = 1, b = 0;
  for (uint8_t byte : raw) {
    a = (a + byte) % 65521;
    b = (b + a) % 65521;
  }
  PutBigEndian(zlib, (b << 16) | a);

  Bytes header;
  PutBigEndian(header, size);
  PutBigEndian(header, size);
  header.insert(header.end(), {8, 6, 0, 0, 0});  // 8 bits per channel, RGBA
  Bytes png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  PutChunk(png, "IHDR", header);
  PutChunk(png, "IDAT", zlib);
  PutChunk(png, "IEND", {});
  return png;
}

// A 32-bit device-independent bitmap as an icon holds it: the header, the
// colour rows bottom-up in BGRA, then the transparency mask (a bit per pixel,
// rows padded to 32 bits) for programs that ignore the alpha channel.
Bytes IconBitmap(int size, const Bytes& rgba) {
  Bytes dib;
  for (uint32_t field : {40u, (uint32_t)size, 2u * size}) PutLittleEndian(dib, field, 4);
  PutLittleEndian(dib, 1, 2);   // planes
  PutLittleEndian(dib, 32, 2);  // bits per pixel
  for (int k = 0; k < 6; ++k) PutLittleEndian(dib, 0, 4);  // uncompressed, no palette
  for (int y = size - 1; y >= 0; --y)
    for (int x = 0; x < size; ++x) {
      const uint8_t* pixel = &rgba[(y * size + x) * 4];
      dib.insert(dib.end(), {pixel[2], pixel[1], pixel[0], pixel[3]});
    }
  const int rowBytes = (size + 31) / 32 * 4;
  for (int y = size - 1; y >= 0; --y) {
    Bytes row(rowBytes, 0);
    for (int x = 0; x < size; ++x)
      if (rgba[(y * size + x) * 4 + 3] == 0) row[x / 8] |= (uint8_t)(0x80 >> x % 8);
    dib.insert(dib.end(), row.begin(), row.end());
  }
  return dib;
}

// An icon file of every size: bitmaps, and the 256-pixel size as a PNG, as
// Windows keeps its large icons.
Bytes Ico(const std::vector<int>& sizes, const std::vector<Bytes>& rgba) {
  std::vector<Bytes> images;
  for (size_t i = 0; i < sizes.size(); ++i)
    images.push_back(sizes[i] >= 256 ? Png(sizes[i], rgba[i]) : IconBitmap(sizes[i], rgba[i]));
  Bytes ico;
  for (uint32_t field : {0u, 1u, (uint32_t)sizes.size()}) PutLittleEndian(ico, field, 2);
  uint32_t offset = 6 + 16 * (uint32_t)sizes.size();
  for (size_t i = 0; i < sizes.size(); ++i) {
    const uint8_t edge = (uint8_t)(sizes[i] % 256);  // 0 stands for 256
    ico.insert(ico.end(), {edge, edge, 0, 0});       // no palette
    PutLittleEndian(ico, 1, 2);                      // planes
    PutLittleEndian(ico, 32, 2);                     // bits per pixel
    PutLittleEndian(ico, (uint32_t)images[i].size(), 4);
    PutLittleEndian(ico, offset, 4);
    offset += (uint32_t)images[i].size();
  }
  for (const Bytes& image : images) ico.insert(ico.end(), image.begin(), image.end());
  return ico;
}

// The tile in premultiplied RGBA floats: a rounded square shading from night
// blue to dark green, with the logo added across its middle.
std::vector<double> DrawTile() {
  const Bytes logo = MakeLogo();
  std::vector<double> tile(kTile * kTile * 4, 0.0);
  const double radius = 20, inner = kTile / 2.0 - radius;
  for (int y = 0; y < kTile; ++y) {
    for (int x = 0; x < kTile; ++x) {
      // Distance outside the rounded square, antialiased over one pixel.
      const double dx = std::max(0.0, std::fabs(x + 0.5 - kTile / 2.0) - inner);
      const double dy = std::max(0.0, std::fabs(y + 0.5 - kTile / 2.0) - inner);
      const double cover = std::clamp(radius + 0.5 - std::hypot(dx, dy), 0.0, 1.0);
      const double t = (double)y / (kTile - 1);
      double rgb[3] = {18 + 12 * t, 28 + 22 * t, 62 - 34 * t};
      const int ly = y - (kTile - 64) / 2;
      if (ly >= 0 && ly < 64) {
        const uint8_t* texel = &logo[(ly * 128 + x) * 4];
        for (int k = 0; k < 3; ++k) rgb[k] += (1 - texel[3] / 255.0) * texel[k];
      }
      double* pixel = &tile[(y * kTile + x) * 4];
      for (int k = 0; k < 3; ++k) pixel[k] = std::min(255.0, rgb[k]) * cover;
      pixel[3] = 255 * cover;
    }
  }
  return tile;
}

// Box-filters the tile down (or repeats its pixels up) to size x size.
Bytes Resample(const std::vector<double>& tile, int size) {
  Bytes rgba(size * size * 4);
  for (int y = 0; y < size; ++y) {
    for (int x = 0; x < size; ++x) {
      const int x0 = x * kTile / size, x1 = std::max(x0 + 1, (x + 1) * kTile / size);
      const int y0 = y * kTile / size, y1 = std::max(y0 + 1, (y + 1) * kTile / size);
      double sum[4] = {0, 0, 0, 0};
      for (int ty = y0; ty < y1; ++ty)
        for (int tx = x0; tx < x1; ++tx)
          for (int k = 0; k < 4; ++k) sum[k] += tile[(ty * kTile + tx) * 4 + k];
      uint8_t* out = &rgba[(y * size + x) * 4];
      out[3] = (uint8_t)std::lround(sum[3] / ((x1 - x0) * (y1 - y0)));
      for (int k = 0; k < 3; ++k)
        out[k] = sum[3] > 0 ? (uint8_t)std::lround(std::min(255.0, 255 * sum[k] / sum[3])) : 0;
    }
  }
  return rgba;
}

bool Write(const std::string& path, const Bytes& bytes) {
  FILE* file = fopen(path.c_str(), "wb");
  const bool ok = file && fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
  if (!file || fclose(file) != 0 || !ok) {
    fprintf(stderr, "make_icons: cannot write %s\n", path.c_str());
    return false;
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    fprintf(stderr, "usage: make_icons <output folder>\n");
    return 2;
  }
  const std::vector<double> tile = DrawTile();
  const std::vector<int> sizes(std::begin(kSizes), std::end(kSizes));
  std::vector<Bytes> images;
  bool ok = true;
  for (int size : sizes) {
    std::string path = std::string(argv[1]) + "/hicolor";
    const std::string parts[] = {"", "/" + std::to_string(size) + "x" + std::to_string(size),
                                 "/apps"};
    for (const std::string& part : parts) mkdir((path += part).c_str(), 0755);
    images.push_back(Resample(tile, size));
    ok = ok && Write(path + "/skelv.png", Png(size, images.back()));
  }
  return ok && Write(std::string(argv[1]) + "/skelv.ico", Ico(sizes, images)) ? 0 : 1;
}
