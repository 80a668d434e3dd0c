#pragma once
// The default scene document that the saver carries as its resource "DDS" 107: the
// content of DefaultSceneContent.h written at build time with the scene classes' own
// writers, so that it always matches the readers of the code it is built with. The
// document carries a copy of everything it shows: its own pictures and sounds, the
// pictures and meshes of the shared resource module, and the compiled effects the
// build made (under the module's ids, or by name for the document's own effects), so
// that the saver shows it whether or not the module lies beside it.

#include <map>
#include <string>
#include <vector>

class DS_DocResManager;
class DS_SlideShow_Light;

namespace ds_tools {

// A show of pictures written as a document: the signature, the slide show record and
// the resource manager record, each picture filed once, in the used-image table that
// the reader takes first. Empty when writing failed. The bench's and the tests' large
// documents are written this way.
std::vector<unsigned char> PictureShowDocument(DS_SlideShow_Light& show, DS_DocResManager& manager);

// One slide of such a show: a plain picture layer showing `picture` (a picture file's
// bytes, filed under the scene path of `name`), its camera drifting or still, and its
// fade-in, show and fade-out times in whole seconds.
struct PictureSlide {
  std::wstring name;
  std::vector<unsigned char> picture;
  bool cameraOn;
  unsigned int fadeIn;
  unsigned int show;
  unsigned int fadeOut;
};
void AddPictureSlide(DS_SlideShow_Light& show, DS_DocResManager& manager, const PictureSlide& slide);

// The compiled effects the build made: the module's by resource id, the others by
// name. An effect that is missing is left out; its objects then draw nothing.
struct SceneEffects {
  std::map<int, std::vector<unsigned char>> moduleEffects;
  std::map<std::string, std::vector<unsigned char>> documentEffects;
};

// A part of the default scene, for measuring what each part costs: the slides with
// the given indices (all when empty), with or without their items (or only the items
// of the given indices on each slide), the chime and the background music.
struct SceneCut {
  std::vector<int> slides;
  bool items = true;
  std::vector<int> itemIndices;
  // When not negative, only the slide of this index keeps items.
  int itemsSlide = -1;
  bool chime = true;
  bool music = true;

  // Whether the part keeps slide `slide`, and item `item` of it.
  bool KeepsSlide(int slide) const;
  bool KeepsItem(int slide, int item) const;
};

// The signature, the slide show record and the resource manager record. Empty when
// a writer failed. With `withMp3Item` the first slide also carries an always-visible
// MP3 sound item (a silent clip made in code): the scene of the test saver that ends
// while such an item plays.
std::vector<unsigned char> BuildDefaultSceneDocument(const SceneEffects& effects = SceneEffects(),
                                                     bool withMp3Item = false, const SceneCut& cut = SceneCut());

}  // namespace ds_tools
