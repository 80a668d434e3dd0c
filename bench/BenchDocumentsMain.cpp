// bench_documents <kind> <output file>: writes one of the documents scripts/bench runs
// the saver on, with the scene classes' own writers:
//   still      one slide, no camera, no objects: a picture that never changes
//   drift      one slide, no objects, its camera drifting: a picture redrawn every frame,
//              the slide show's own cost of a frame beside the floor's
//   ten2048    ten slides of 2048 x 2048 pictures
//   fifty1024  fifty slides of 1024 x 1024 pictures
// The pictures are BMP files, each of its own colours so that no two are alike.

#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "document/DocResManager.h"
#include "document/StreamWriter.h"
#include "render/Layer.h"
#include "render/SlideContainer.h"
#include "render/SlideShow.h"
#include "tools/CurrentManagerScope.h"
#include "tools/DefaultSceneContent.h"
#include "tools/DefaultSceneDocument.h"
#include "sound/MusicFileStore.h"
#include "tools/Picture.h"

namespace {


struct BenchDocument {
  const char* kind;
  int slides;
  int side;
  unsigned int fadeIn, show, fadeOut;
  bool camera;
};

const BenchDocument kDocuments[] = {
    {"still", 1, 1024, 1, 10, 1, false},
    {"drift", 1, 1024, 1, 10, 1, true},
    {"ten2048", 10, 2048, 1, 4, 1, false},
    {"fifty1024", 50, 1024, 1, 4, 1, false},
};

// A diagonal blend between two colours of slide `index`, with a grid of lighter lines.
ds_tools::Picture MakePicture(int index, int side) {
  const uint32_t from = 0xFF000000u | (uint32_t(40 + index * 37 % 160) << 16) | (uint32_t(60 + index * 53 % 140) << 8) |
                        uint32_t(90 + index * 71 % 120);
  const uint32_t to = 0xFF000000u | (uint32_t(200 - index * 29 % 120) << 16) | (uint32_t(120 + index * 17 % 100) << 8) |
                      uint32_t(30 + index * 43 % 90);
  ds_tools::Picture picture(side, side);
  const int cell = side / 16;
  for (int y = 0; y < side; ++y) {
    for (int x = 0; x < side; ++x) {
      uint32_t colour = ds_tools::MixColour(from, to, float(x + y) / float(2 * side));
      if (x % cell < 3 || y % cell < 3) colour = ds_tools::MixColour(colour, 0xFFFFFFFFu, 0.35f);
      picture.Set(x, y, colour);
    }
  }
  return picture;
}

std::vector<unsigned char> BuildDocument(const BenchDocument& document) {
  DS_DocResManager manager;
  ds_tools::CurrentManagerScope current(&manager);
  DS_SlideShow_Light show;
  for (int i = 0; i < document.slides; ++i) {
    // A drifting camera at its default zoom and speed where the document asks for one.
    ds_tools::AddPictureSlide(show, manager,
                              {L"bench_" + std::to_wstring(i) + L".bmp",
                               ds_tools::EncodeBmp24(MakePicture(i, document.side)), document.camera,
                               document.fadeIn, document.show, document.fadeOut});
  }
  return ds_tools::PictureShowDocument(show, manager);
}

}  // namespace

int main(int argc, char** argv) {
  const BenchDocument* document = nullptr;
  for (const BenchDocument& candidate : kDocuments) {
    if (argc == 3 && std::strcmp(argv[1], candidate.kind) == 0) document = &candidate;
  }
  if (!document) {
    std::fprintf(stderr, "usage: bench_documents still|drift|ten2048|fifty1024 <output file>\n");
    return 2;
  }
  const std::vector<unsigned char> bytes = BuildDocument(*document);
  const std::string path = argv[2];
  if (bytes.empty() || !WriteWholeFile(ds_string(path.begin(), path.end()), bytes.data(), uint32_t(bytes.size()))) {
    std::fprintf(stderr, "bench_documents: cannot write %s\n", argv[2]);
    return 1;
  }
  return 0;
}
