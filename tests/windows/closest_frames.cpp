// Finds the two most alike frames of two capture series (binary PPM files, as
// capture_frames writes them): the moment both programs were seen at the same
// point of their flight. Prints "A_FILE B_FILE RMSE", the RMSE normalised to 0..1.
// Usage: closest_frames A.ppm... -- B.ppm...
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

struct Image {
  std::string path;
  int width = 0;
  int height = 0;
  std::vector<unsigned char> rgb;
};

bool ReadPpm(const char* path, Image* image) {
  FILE* file = fopen(path, "rb");
  if (!file) return false;
  int max = 0;
  const bool header = fscanf(file, "P6 %d %d %d", &image->width, &image->height, &max) == 3 &&
                      fgetc(file) != EOF && max == 255 && image->width > 0 && image->height > 0;
  if (header) {
    image->rgb.resize((size_t)image->width * image->height * 3);
    const bool complete = fread(image->rgb.data(), 1, image->rgb.size(), file) == image->rgb.size();
    if (!complete) image->rgb.clear();
  }
  fclose(file);
  image->path = path;
  return header && !image->rgb.empty();
}

// Root mean square of the channel differences, on a 0..1 scale; -1 when the
// sizes differ.
double Rmse(const Image& a, const Image& b) {
  if (a.width != b.width || a.height != b.height) return -1;
  double sum = 0;
  for (size_t i = 0; i < a.rgb.size(); ++i) {
    const double d = (a.rgb[i] - b.rgb[i]) / 255.0;
    sum += d * d;
  }
  return std::sqrt(sum / (double)a.rgb.size());
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<Image> series[2];
  int which = 0;
  for (int i = 1; i < argc; ++i) {
    if (strcmp(argv[i], "--") == 0) {
      which = 1;
      continue;
    }
    Image image;
    if (!ReadPpm(argv[i], &image)) {
      fprintf(stderr, "closest_frames: cannot read %s\n", argv[i]);
      return 1;
    }
    series[which].push_back(std::move(image));
  }
  if (series[0].empty() || series[1].empty()) {
    fprintf(stderr, "usage: closest_frames A.ppm... -- B.ppm...\n");
    return 2;
  }

  const Image* bestA = nullptr;
  const Image* bestB = nullptr;
  double best = 2;
  for (const Image& a : series[0]) {
    for (const Image& b : series[1]) {
      const double rmse = Rmse(a, b);
      if (rmse >= 0 && rmse < best) {
        best = rmse;
        bestA = &a;
        bestB = &b;
      }
    }
  }
  if (!bestA) {
    fprintf(stderr, "closest_frames: no two frames of the same size\n");
    return 1;
  }
  printf("%s %s %.6f\n", bestA->path.c_str(), bestB->path.c_str(), best);
  return 0;
}
