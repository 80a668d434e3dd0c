#include "tools/DefaultSceneDocument.h"

#include <algorithm>
#include <future>
#include <memory>

#include "document/DocResManager.h"
#include "document/ModuleResources.h"
#include "document/StreamWriter.h"
#include "objects/brushes/EffectBrush.h"
#include "render/Layer.h"
#include "render/layers/CodeRainLayer.h"
#include "render/layers/FlameLayer.h"
#include "render/layers/GlassBallLayer.h"
#include "render/layers/LakeLayer.h"
#include "render/layers/UnderwaterLayer.h"
#include "render/layers/WaterRingLayer.h"
#include "render/SlideContainer.h"
#include "render/SlideShow.h"
#include "render/TimeLine.h"
#include "sound/MP3SoundItem.h"
#include "sound/SoundItems.h"
#include "sound/WAVSoundItem.h"
#include "tools/CurrentManagerScope.h"
#include "tools/DefaultSceneContent.h"
#include "tools/Mp3Clip.h"
#include "tools/ModuleMeshes.h"
#include "tools/ModulePictures.h"
#include "tools/ShowcaseItems.h"

namespace ds_tools {
namespace {

const unsigned int kHundredthsPerSecond = 100;
const unsigned int kChimeRestHundredths = 300;
const double kMp3ItemSeconds = 3.0;
const wchar_t* const kModuleName = kSharedModuleName;

// The slide pictures and the surround, made and compressed once per process: they
// are large, and the tests build the document many times over.
struct EncodedScenePicture {
  ScenePicture picture;
  std::vector<unsigned char> bytes;
};

const std::vector<EncodedScenePicture>& EncodedScenePictures() {
  static const std::vector<EncodedScenePicture> encoded = [] {
    std::vector<ScenePicture> pictures = MakeSlidePictures();
    pictures.push_back(MakeSurroundPicture());
    // Compressed side by side: the encoder takes about a second a picture.
    std::vector<std::future<std::vector<unsigned char>>> bytes;
    for (const ScenePicture& picture : pictures)
      bytes.push_back(std::async(std::launch::async, [&picture] { return EncodePng24(picture.picture); }));
    std::vector<EncodedScenePicture> out;
    for (size_t i = 0; i < pictures.size(); ++i) {
      // The bytes first: the picture is read until its encoder is done.
      std::vector<unsigned char> encoded = bytes[i].get();
      out.push_back({std::move(pictures[i]), std::move(encoded)});
    }
    return out;
  }();
  return encoded;
}

// Files the picture in the manager's library and lists it among the used images, so
// that loading the document turns it into a texture set at once. False when the
// picture could not be encoded.
bool EmbedPicture(DS_DocResManager& manager, const EncodedScenePicture& picture, DS_FileKey& key) {
  if (picture.bytes.empty()) return false;
  key = DS_FileKey(ScenePath(picture.picture.fileName), kSceneFileStamp);
  manager.Tables().fileLibrary[key] = DS_EntryList{SceneFileEntry(key.path, picture.bytes)};
  manager.RegisterUsedImage(DS_FileLink3(key));
  return true;
}

// A sprite picture, with its alpha, as a DDS file.
DS_FileKey EmbedSpritePicture(DS_DocResManager& manager, const SpritePicture& picture) {
  const DS_FileKey key(ScenePath(picture.fileName), kSceneFileStamp);
  manager.Tables().fileLibrary[key] = DS_EntryList{SceneFileEntry(key.path, EncodeDds32(picture.picture))};
  manager.RegisterUsedImage(DS_FileLink3(key));
  return key;
}

// A copy of a module resource: an entry that names the module and the id and carries
// the bytes. The saver takes the module's own resource while the module is there and
// this copy when it is not.
DS_FileKey EmbedModuleCopy(DS_DocResManager& manager, int id, const std::vector<unsigned char>& bytes) {
  const DS_FileKey key = DS_FileLink3(id, kModuleName).GetKey();
  DS_ResourceEntry entry(id, kModuleName);
  entry.SetData(uint32_t(bytes.size()), bytes.data());
  manager.Tables().fileLibrary[key] = DS_EntryList{entry};
  return key;
}

// Every picture, mesh and effect of the module: the pictures among the used images,
// so that loading makes their textures at once, the others among the other files.
std::vector<DS_FileKey> EmbedModuleResources(DS_DocResManager& manager, const SceneEffects& effects) {
  std::vector<DS_FileKey> others;
  for (const ModulePicture& picture : MakeModulePictures()) {
    const DS_FileKey key = EmbedModuleCopy(manager, int(picture.id), EncodeModulePicture(picture));
    manager.RegisterUsedImage(DS_FileLink3(key));
  }
  for (const ModuleMesh& mesh : MakeModuleMeshes()) {
    others.push_back(EmbedModuleCopy(manager, int(mesh.id),
                                     std::vector<unsigned char>(mesh.text.begin(), mesh.text.end())));
  }
  for (const auto& effect : effects.moduleEffects) others.push_back(EmbedModuleCopy(manager, effect.first, effect.second));
  return others;
}

// The document's own effects, filed by name.
std::map<std::string, DS_FileKey> EmbedDocumentEffects(DS_DocResManager& manager, const SceneEffects& effects,
                                                       std::vector<DS_FileKey>& others) {
  std::map<std::string, DS_FileKey> keys;
  for (const auto& effect : effects.documentEffects) {
    const std::wstring fileName(effect.first.begin(), effect.first.end());
    const DS_FileKey key(ScenePath((fileName + L".fxo").c_str()), kSceneFileStamp);
    manager.Tables().fileLibrary[key] = DS_EntryList{SceneFileEntry(key.path, effect.second)};
    keys[effect.first] = key;
    others.push_back(key);
  }
  return keys;
}

// Files `picture` (a DDS file) in the document's GUID table, where loading turns it
// into the texture that whatever names `guid` takes.
void EmbedGuidPicture(DS_DocResManager& manager, const GUID& guid, const wchar_t* name, const wchar_t* fileName,
                      const Picture& picture) {
  DS_GuidResource resource;
  resource.guid = guid;
  const std::vector<unsigned char> bytes = EncodeDds32(picture);
  resource.name = name;
  resource.buffer.SetName(fileName);
  resource.buffer.SetData(uint32_t(bytes.size()), bytes.data());
  manager.Tables().guidResources[guid] = resource;
}

// The text items' picture, stored under their GUID: a fixed one (serial 0), so that
// two builds of the same code write the same document.
GUID EmbedTextPicture(DS_DocResManager& manager) {
  const GUID guid = SerialGuid(0);
  const SpritePicture banner = MakeTextBanner(kShowcaseText, 0xFFF0C0u);
  EmbedGuidPicture(manager, guid, L"text", banner.fileName, banner.picture);
  return guid;
}

// A brush draws only where its mask, kept under the brush's GUID, is lit (red times
// alpha): without one it draws nothing.
void EmbedBrushMask(DS_DocResManager& manager, const DS_FX_Constructor& brush, const BrushPatch& patch) {
  EmbedGuidPicture(manager, brush.GetMaskGuid(), L"mask", L"mask.dds", MakeBrushMask(patch));
}

DS_2D_Light* NewLayer(const std::wstring& className) {
  if (className == L"DS_FlameLight") return new DS_FlameLight();
  if (className == L"DS_GlassBallLight") return new DS_GlassBallLight();
  if (className == L"DS_MatrixCodeLight") return new DS_MatrixCodeLight();
  if (className == L"FakeUndervater") return new FakeUndervater();
  if (className == L"FakeLake2D") return new FakeLake2D();
  if (className == L"DS_WaterRingLight") return new DS_WaterRingLight();
  return new DS_2D_Light();
}

// Files a sound in the manager's library; writing a link to it lists it among the
// document's other files.
DS_FileKey EmbedSound(DS_DocResManager& manager, const SceneSound& sound) {
  const DS_FileKey key(ScenePath(sound.fileName), kSceneFileStamp);
  manager.Tables().fileLibrary[key] = DS_EntryList{SceneFileEntry(key.path, EncodeWav16(sound.clip))};
  return key;
}

DS_2D_Light* MakeLayer(const DefaultSlide& entry, const DS_FileKey& picture, const DS_FileKey& surround) {
  std::unique_ptr<DS_2D_Light> layer(NewLayer(entry.layer));
  // Stored without notification: there is no device to bind the picture to.
  layer->GetPictureLink().StoreKey(picture);
  DSM_Camera& camera = layer->GetCamera();
  camera.on.SetValue(entry.cameraOn);
  camera.zoom.SetValue(entry.cameraZoom);
  camera.speed.SetValue(entry.cameraSpeed);
  camera.surroundImage.StoreKey(surround);
  return layer.release();
}

DS_SlideContainer* MakeSlide(const DefaultSlide& entry, DS_2D_Light* layer) {
  std::unique_ptr<DS_SlideContainer> slide(new DS_SlideContainer());
  slide->name.SetValue(entry.name);
  slide->fadeIn.SetValue(entry.fadeIn);
  slide->show.SetValue(entry.show);
  slide->fadeOut.SetValue(entry.fadeOut);
  // The objects' wrapped time runs over the slide's whole stay.
  slide->duration.SetValue((entry.fadeIn + entry.show + entry.fadeOut) * kHundredthsPerSecond);
  slide->SetLight(layer);
  return slide.release();
}

// The chime rings once, then rests for a few seconds, again and again while its slide
// is current (its shown time becomes the sound's length when the saver loads it).
DS_WAV_Constructor* MakeChimeItem(const DS_FileKey& sound) {
  std::unique_ptr<DS_WAV_Constructor> item(new DS_WAV_Constructor());
  item->SetName(L"Chime");
  item->GetFileLink().StoreKey(sound);
  item->volume.SetValue(kSoundItemVolume);
  item->balance.SetValue(kSoundItemBalance);
  DS_TimeLineControl& timeLine = item->TimeLine();
  timeLine.mode.SetValue(DS_TimeLineControl::kCycle);
  timeLine.hidden.lo.SetValue(kChimeRestHundredths);
  timeLine.hidden.hi.SetValue(kChimeRestHundredths);
  timeLine.fadeIn.SetValue(0u);
  timeLine.fadeOut.SetValue(0u);
  return item.release();
}

// Plays its clip over and over while its slide is current.
DS_MP3_Constructor* MakeMp3Item() {
  std::unique_ptr<DS_MP3_Constructor> item(new DS_MP3_Constructor());
  item->SetName(L"Murmur");
  // The name first: a new name drops the bytes.
  item->GetFile().SetName(ScenePath(L"murmur.mp3"));
  const std::vector<unsigned char> bytes = EncodeSilentMp3(kMp3ItemSeconds);
  item->GetFile().SetData(uint32_t(bytes.size()), bytes.data());
  item->TimeLine().mode.SetValue(DS_TimeLineControl::kAlwaysVisible);
  return item.release();
}

DS_AudioFile* MakeTrack(const SceneSound& sound) {
  std::unique_ptr<DS_AudioFile> track(new DS_AudioFile());
  track->SetTitle(sound.title);
  // The name first: a new name drops the bytes.
  track->GetFile().SetName(ScenePath(sound.fileName));
  const std::vector<unsigned char> bytes = EncodeWav16(sound.clip);
  track->GetFile().SetData(uint32_t(bytes.size()), bytes.data());
  return track.release();
}

// Writing a layer's picture link also files the picture among the other files; the
// used-image table already carries it, and the reader takes the used image first, so
// the second copy would only double the document.
void DropDuplicatePictures(DS_DocResTables& tables) {
  for (const auto& used : tables.usedImages) tables.otherFiles.erase(used.first);
}

}  // namespace

bool SceneCut::KeepsSlide(int slide) const {
  return slides.empty() || std::find(slides.begin(), slides.end(), slide) != slides.end();
}

bool SceneCut::KeepsItem(int slide, int item) const {
  if (!items || (itemsSlide >= 0 && itemsSlide != slide)) return false;
  return itemIndices.empty() || std::find(itemIndices.begin(), itemIndices.end(), item) != itemIndices.end();
}

std::vector<unsigned char> BuildDefaultSceneDocument(const SceneEffects& effects, bool withMp3Item,
                                                     const SceneCut& cut) {
  DS_DocResManager manager;
  CurrentManagerScope current(&manager);

  // Only the pictures that a slide shows; the surround comes after the slide pictures.
  const std::vector<EncodedScenePicture>& pictures = EncodedScenePictures();
  std::map<int, DS_FileKey> pictureKeys;
  for (const DefaultSlide& entry : DefaultSlides()) {
    if (!pictureKeys.count(entry.picture) &&
        !EmbedPicture(manager, pictures.at(size_t(entry.picture)), pictureKeys[entry.picture]))
      return std::vector<unsigned char>();
  }
  DS_FileKey surroundKey;
  if (!EmbedPicture(manager, pictures.back(), surroundKey)) return std::vector<unsigned char>();
  const DS_FileKey chimeKey = EmbedSound(manager, MakeSoundItemSound());

  std::vector<DS_FileKey> others = EmbedModuleResources(manager, effects);
  ShowcaseAssets assets;
  for (const SpritePicture& sprite : MakeSpritePictures())
    assets.pictures[sprite.fileName] = EmbedSpritePicture(manager, sprite);
  assets.effects = EmbedDocumentEffects(manager, effects, others);
  assets.textGuid = EmbedTextPicture(manager);

  DS_SlideShow_Light show;
  unsigned serial = 0;
  int index = -1;
  for (const DefaultSlide& entry : DefaultSlides()) {
    ++index;
    if (!cut.KeepsSlide(index)) continue;
    const Picture& picture = pictures.at(size_t(entry.picture)).picture.picture;
    DS_2D_Light* layer = MakeLayer(entry, pictureKeys.at(entry.picture), surroundKey);
    // The GUIDs the layers write: fixed ones, as the items'.
    if (auto* lake = dynamic_cast<FakeLake2D*>(layer)) {
      lake->guid = SerialGuid(++serial);
      // The mirror as sharp as the full-HD picture it mirrors: 128 << 4 = 2048 pixels
      // square (the default is a fraction of it, which shows steps along the shore).
      lake->reflectionSize.SetValue(4);
    }
    if (auto* sea = dynamic_cast<FakeUndervater*>(layer)) {
      sea->GetBrush().SetMaskKey(SerialGuid(++serial), ds_string(), 1);
      EmbedBrushMask(manager, sea->GetBrush(), BrushPatch{0, 1});
    }
    if (auto* flame = dynamic_cast<DS_FlameLight*>(layer)) {
      flame->GetFire().SetMaskKey(SerialGuid(++serial), ds_string(), 1);
      EmbedBrushMask(manager, flame->GetFire(), BrushPatch{0, 1});
    }
    if (auto* code = dynamic_cast<DS_MatrixCodeLight*>(layer)) {
      // COLORREF: red in the low byte.
      code->glyphColor.SetValue(0x40E040);
      code->highlightColor.SetValue(0xD0FFD0);
    }
    if (auto* pond = dynamic_cast<DS_WaterRingLight*>(layer)) {
      // At the default one drop in two seconds, and faint, the slide's few seconds
      // show hardly a ring.
      pond->dropRate.SetValue(240u);
      pond->dropStrength.SetValue(90u);
      pond->refraction.SetValue(60u);
    }
    DS_SlideContainer* slide = MakeSlide(entry, layer);
    if (entry.chime && cut.chime) slide->AddSecondaryItem(MakeChimeItem(chimeKey));
    std::vector<DS_ABObj_Constructor*> items;
    std::vector<const wchar_t*> names;
    unsigned brushes = 0;
    for (size_t i = 0; i < entry.items.size(); ++i) {
      if (!cut.KeepsItem(index, int(i))) continue;
      names.push_back(entry.items[i]);
      items.push_back(MakeShowcaseItem(entry.items[i], assets, float(picture.Width()), float(picture.Height()), ++serial));
      if (!items.back()) {
        for (DS_ABObj_Constructor* made : items) delete made;
        return std::vector<unsigned char>();
      }
      brushes += dynamic_cast<DS_FX_Constructor*>(items.back()) ? 1u : 0u;
    }
    unsigned brush = 0;
    for (size_t i = 0; i < items.size(); ++i) {
      const wchar_t* name = names[i];
      DS_ABObj_Constructor* item = items[i];
      // Each brush of the slide shows in a patch of its own.
      if (auto* fx = dynamic_cast<DS_FX_Constructor*>(item)) {
        const BrushPatch patch{brush++, brushes};
        EmbedBrushMask(manager, *fx, patch);
        FitBrushToPatch(*fx, BrushPatchBounds(patch), float(picture.Width()), float(picture.Height()));
      }
      if (IsSoundItem(name)) {
        slide->AddSecondaryItem(item);
      } else {
        slide->AddVisualItem(item);
      }
    }
    if (withMp3Item && show.GetSlideCount() == 0) slide->AddSecondaryItem(MakeMp3Item());
    show.AddSlide(slide);
  }
  if (cut.music) {
    for (const SceneSound& sound : MakeMusicTracks()) show.AddAudioFile(MakeTrack(sound));
  }

  DS_IOF_W stream;
  stream.WriteString(kSceneSignature);
  show.Write(stream);
  DropDuplicatePictures(manager.Tables());
  // Filed whether or not a written link named them, so that the copy is there for
  // whatever asks for it.
  for (const DS_FileKey& key : others) manager.Tables().otherFiles[key] = manager.Tables().fileLibrary[key];
  manager.Write(stream);
  if (stream.Failed()) return std::vector<unsigned char>();
  return stream.Bytes();
}

void AddPictureSlide(DS_SlideShow_Light& show, DS_DocResManager& manager, const PictureSlide& picture) {
  const DS_FileKey key(ScenePath(picture.name.c_str()), kSceneFileStamp);
  DS_ResourceEntry entry;
  entry.SetName(key.path);
  entry.SetData(uint32_t(picture.picture.size()), picture.picture.data());
  manager.Tables().fileLibrary[key] = DS_EntryList{entry};
  manager.RegisterUsedImage(DS_FileLink3(key));

  std::unique_ptr<DS_2D_Light> layer(new DS_2D_Light());
  layer->GetPictureLink().StoreKey(key);
  layer->GetCamera().on.SetValue(picture.cameraOn ? 1 : 0);
  std::unique_ptr<DS_SlideContainer> slide(new DS_SlideContainer());
  slide->name.SetValue(picture.name);
  slide->fadeIn.SetValue(picture.fadeIn);
  slide->show.SetValue(picture.show);
  slide->fadeOut.SetValue(picture.fadeOut);
  slide->duration.SetValue((picture.fadeIn + picture.show + picture.fadeOut) * kHundredthsPerSecond);
  slide->SetLight(layer.release());
  show.AddSlide(slide.release());
}

std::vector<unsigned char> PictureShowDocument(DS_SlideShow_Light& show, DS_DocResManager& manager) {
  DS_IOF_W stream;
  stream.WriteString(kSceneSignature);
  show.Write(stream);
  for (const auto& used : manager.Tables().usedImages) manager.Tables().otherFiles.erase(used.first);
  manager.Write(stream);
  if (stream.Failed()) return std::vector<unsigned char>();
  return stream.Bytes();
}

}  // namespace ds_tools
