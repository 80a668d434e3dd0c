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

const unsigned int kHundredthsPerSecond = 100;
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
    const std::wstring name = L"large_" + std::to_wstring(i) + L".bmp";
    const DS_FileKey key(ds_tools::ScenePath(name.c_str()), ds_tools::kSceneFileStamp);
    const std::vector<unsigned char> bytes = SlidePicture(i);
    DS_ResourceEntry entry;
    entry.SetName(key.path);
    entry.SetData(uint32_t(bytes.size()), bytes.data());
    manager.Tables().fileLibrary[key] = DS_EntryList{entry};
    manager.RegisterUsedImage(DS_FileLink3(key));

    std::unique_ptr<DS_2D_Light> layer(new DS_2D_Light());
    layer->GetPictureLink().StoreKey(key);
    layer->GetCamera().on.SetValue(0);
    std::unique_ptr<DS_SlideContainer> slide(new DS_SlideContainer());
    slide->name.SetValue(name);
    slide->fadeIn.SetValue(1);
    slide->show.SetValue(4);
    slide->fadeOut.SetValue(1);
    slide->duration.SetValue(6 * kHundredthsPerSecond);
    slide->SetLight(layer.release());
    show.AddSlide(slide.release());
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
