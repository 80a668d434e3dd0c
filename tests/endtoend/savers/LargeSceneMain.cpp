// large_scene <output file> <slides>: a scene document of many slides, each with a
// picture of its own, written with the scene classes' own writers. Its load takes long
// (every slide's record and objects, every picture made a texture), so the end-to-end
// test can press a key while it loads. The first slide shows the default scene's dawn
// sky, which the screenshots tell from the splash; the others small pictures of their
// own colours.

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "document/DocResManager.h"
#include "document/StreamWriter.h"
#include "render/Layer.h"
#include "render/SlideContainer.h"
#include "render/SlideShow.h"
#include "sound/MusicFileStore.h"
#include "tools/CurrentManagerScope.h"
#include "tools/DefaultPictures.h"
#include "tools/DefaultSceneContent.h"
#include "tools/DefaultSceneDocument.h"
#include "tools/Picture.h"

namespace {

const int kSmallSide = 32;
const int kMostSlides = 100000;

std::vector<unsigned char> SlidePicture(int index) {
  if (index == 0) return ds_tools::EncodeBmp24(ds_tools::MakeDawnSky().picture);
  const uint32_t colour = 0xFF000000u | (uint32_t(40 + index * 37 % 200) << 16) |
                          (uint32_t(40 + index * 53 % 200) << 8) | uint32_t(40 + index * 71 % 200);
  return ds_tools::EncodeBmp24(ds_tools::Picture(kSmallSide, kSmallSide, colour));
}

std::vector<unsigned char> BuildDocument(int slides) {
  DS_DocResManager manager;
  ds_tools::CurrentManagerScope current(&manager);
  DS_SlideShow_Light show;
  for (int i = 0; i < slides; ++i) {
    ds_tools::AddPictureSlide(show, manager,
                              {L"large_" + std::to_wstring(i) + L".bmp", SlidePicture(i), false, 1, 4, 1});
  }
  return ds_tools::PictureShowDocument(show, manager);
}

}  // namespace

int main(int argc, char** argv) {
  const int slides = argc == 3 ? std::atoi(argv[2]) : 0;
  if (slides < 1 || slides > kMostSlides) {
    std::fprintf(stderr, "usage: large_scene <output file> <slides, 1 to %d>\n", kMostSlides);
    return 2;
  }
  const std::vector<unsigned char> bytes = BuildDocument(slides);
  const std::string path = argv[1];
  if (bytes.empty() || !WriteWholeFile(ds_string(path.begin(), path.end()), bytes.data(), uint32_t(bytes.size()))) {
    std::fprintf(stderr, "large_scene: cannot write %s\n", argv[1]);
    return 1;
  }
  std::printf("large_scene: %s, %d slides, %u bytes\n", argv[1], slides, unsigned(bytes.size()));
  return 0;
}
